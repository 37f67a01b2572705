#include "TestRegistry.h"
#include "base/GuardedRegex.h"

#include <QTest>

using namespace scrivlet;

class GuardedRegexTest : public QObject {
    Q_OBJECT

private slots:
    // Counts the library would overflow on are refused before compiling; escaped braces and
    // braces in a class are no counts.
    void compile_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("valid");
        QTest::newRow("largest count") << "a{2147483647}" << true;
        QTest::newRow("count beyond int") << "a{2147483648}" << false;
        QTest::newRow("huge upper bound") << "a{1,22222222222}" << false;
        QTest::newRow("huge lower bound, open") << "(x){99999999999,}" << false;
        QTest::newRow("escaped brace") << "a\\{99999999999}" << true;
        QTest::newRow("escaped backslash, then a count") << "a\\\\{99999999999}" << false;
        QTest::newRow("inside a class") << "[{]99999999999}" << true;
        QTest::newRow("after a class") << "[a]{99999999999}" << false;
        QTest::newRow("unclosed group") << "(abc" << false;
    }
    void compile()
    {
        QFETCH(QString, pattern);
        GuardedRegex regex;
        QTEST(regex.Compile(pattern, false), "valid");
        QTEST(regex.IsValid(), "valid");
    }
};

SCRIVLET_TEST(GuardedRegexTest);
#include "test_guarded_regex.moc"
