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
    for (auto factory : scrivlet::test::Registry()) {
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
