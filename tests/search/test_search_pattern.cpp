#include "SearchWalk.h"
#include "TestRegistry.h"
#include "TextMatcher.h"

#include <QTest>

using namespace scrivlet;

class SearchPatternTest : public QObject {
    Q_OBJECT

private slots:
    void building_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("literal");  // PlainSearchText; null: none

        const uint word = kSearchWholeWord;
        const uint regex = kSearchRegex;
        QTest::newRow("plain dot") << "a.b" << 0u << R"(a\.b)"
                                   << "a.b";
        QTest::newRow("regex dot") << "a.b" << regex << "a.b" << QString();
        QTest::newRow("backslash once") << R"(a\b)" << 0u << R"(a\\b)"
                                        << R"(a\b)";
        QTest::newRow("every special")
            << R"(\.[]?+*()|!$^)" << 0u << R"(\\\.\[\]\?\+\*\(\)\|\!\$\^)"
            << R"(\.[]?+*()|!$^)";
        QTest::newRow("dash and slash stay") << "a-b/c" << 0u << "a-b/c"
                                             << "a-b/c";
        QTest::newRow("braces plain") << "a{2}" << 0u << R"(a\{2\})"
                                      << "a{2}";
        QTest::newRow("braces regex") << "a{2,3}" << regex << R"(a\{2,3\})" << QString();
        QTest::newRow("regex keeps the rest")
            << R"(^a+(b|c)$)" << regex << R"(^a+(b|c)$)" << QString();
        QTest::newRow("whole word") << "a.b" << word << R"((^|\W)(a\.b)(\W|$))"
                                    << "a.b";
        QTest::newRow("whole word ignored in regex")
            << "cat" << (word | regex) << "cat" << QString();

        // Cut to 255 after escaping and wrapping.
        const QString x300(300, u'x');
        QTest::newRow("300 plain") << x300 << 0u << x300.left(255) << x300.left(255);
        QTest::newRow("300 whole word")
            << x300 << word << (QStringLiteral(R"((^|\W)()") + x300).left(255) << QString();
        QTest::newRow("cut leaves a lone backslash")
            << QString(200, u'.') << 0u << QStringLiteral(R"(\.)").repeated(127) + u'\\'
            << QString();
        const QString emoji = QStringLiteral("\U0001F600");
        QTest::newRow("no half surrogate")
            << QString(254, u'x') + emoji << 0u << QString(254, u'x') << QString(254, u'x');
        QTest::newRow("surrogate fits") << QString(253, u'x') + emoji << 0u
                                        << QString(253, u'x') + emoji << QString(253, u'x') + emoji;
    }

    void building()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, pattern);
        QFETCH(QString, literal);
        const QString built = BuildSearchPattern(typed, flags);
        QCOMPARE(built, pattern);
        QVERIFY(built.size() <= kMaxPatternLength);
        // Only the text of a pattern rebuilt exactly may serve the literal pre-check.
        const std::optional<QString> text = PlainSearchText(built, flags);
        QCOMPARE(text.has_value(), !literal.isNull());
        if (text)
            QCOMPARE(*text, literal);
    }

    // Deep recursion works on the matching thread's own stack: 20,000 levels of "(.)*x"
    // overflow an ordinary 8 MB thread stack. The default stack budget ends a deeper one
    // cleanly.
    void deepRecursion_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("roomy");
        QTest::addColumn<MatchResult>("result");
        QTest::newRow("20000 roomy") << 20000 << true << MatchResult::Found;
        QTest::newRow("1000000") << 1000000 << false << MatchResult::Aborted;
    }

    void deepRecursion()
    {
        QFETCH(int, length);
        QFETCH(bool, roomy);
        QFETCH(MatchResult, result);
        MatchLimits limits;
        if (roomy) {
            limits.stackSize = std::size_t{256} << 20;
            limits.stackUse = std::size_t{224} << 20;
        }
        MatchSpan span;
        const QString text = QString(length, u'a') + u'x';
        QCOMPARE(MatchText("(.)*x", false, text, &span, limits), result);
        if (result == MatchResult::Found)
            QCOMPARE(span.end, length + 1);
    }
};

SCRIVLET_TEST(SearchPatternTest);
#include "test_search_pattern.moc"
