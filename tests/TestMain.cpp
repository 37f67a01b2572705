#include "TestRegistry.h"

#include <QTest>
#include <memory>

#ifdef SCRIVLET_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    TestApp app(argc, argv);
    int failures = 0;
    // SCRIVLET_TEST_CLASS=Name runs that class alone, for quick rounds while working.
    const QByteArray only = qgetenv("SCRIVLET_TEST_CLASS");
    for (auto factory : scrivlet::test::Registry()) {
        std::unique_ptr<QObject> test(factory());
        if (!only.isEmpty() && only != test->metaObject()->className())
            continue;
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
