#pragma once

#include <QObject>

#include <vector>

// Each folder's tests are one program: every test class registers itself here and the
// shared main runs them all.

namespace scrivlet::test {

using TestFactory = QObject* (*)();

inline std::vector<TestFactory>& Registry()
{
    static std::vector<TestFactory> factories;
    return factories;
}

struct Registrar {
    explicit Registrar(TestFactory factory) { Registry().push_back(factory); }
};

}  // namespace scrivlet::test

#define SCRIVLET_TEST(Class)                                                  \
    static ::scrivlet::test::Registrar Class##Registrar([]() -> QObject* { \
        return new Class;                                                     \
    })
