#include "base/GuardedRegex.h"
#include "TestRegistry.h"

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

    // Deep recursion works on the matching thread's own stack: 20,000 levels of "(.)*x"
    // overflow an ordinary 8 MB thread stack. The default stack budget ends a deeper one
    // cleanly.
    void deepRecursion_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("roomy");
        QTest::addColumn<MatchResult>("result");
        QTest::newRow("20,000 levels, roomy stack") << 20000 << true << MatchResult::Found;
        QTest::newRow("1,000,000 levels") << 1000000 << false << MatchResult::Aborted;
    }
    void deepRecursion()
    {
        QFETCH(int, length);
        QFETCH(bool, roomy);
        MatchLimits limits;
        if (roomy) {
            limits.stackSize = std::size_t{256} << 20;
            limits.stackUse = std::size_t{224} << 20;
        }
        const QString text = QString(length, u'a') + u'x';
        MatchResult result = MatchResult::NoMatch;
        MatchSpan span;
        RunMatchWork(limits, [&](const MatchLimits& local) {
            GuardedRegex regex;
            QVERIFY(regex.Compile(u"(.)*x", false));
            MatchBudget budget(local);
            result = regex.Search(text, budget, &span);
        });
        QTEST(result, "result");
        if (result == MatchResult::Found)
            QCOMPARE(span.end, length + 1);
    }
};

SCRIVLET_TEST(GuardedRegexTest);
#include "test_guarded_regex.moc"
