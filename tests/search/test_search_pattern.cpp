#include "search/SearchWalk.h"
#include "TestRegistry.h"
#include "search/TextMatcher.h"

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

        const uint word = kSearchWholeWord, regex = kSearchRegex;
        QTest::newRow("plain dot") << "a.b" << 0u << R"(a\.b)"
                                   << "a.b";
        QTest::newRow("regex dot") << "a.b" << regex << "a.b" << QString();
        QTest::newRow("every special")
            << R"(\.[]?+*()|!$^)" << 0u << R"(\\\.\[\]\?\+\*\(\)\|\!\$\^)"
            << R"(\.[]?+*()|!$^)";
        QTest::newRow("braces plain") << "a{2}" << 0u << R"(a\{2\})"
                                      << "a{2}";
        QTest::newRow("braces regex") << "a{2,3}" << regex << R"(a\{2,3\})" << QString();
        QTest::newRow("whole word") << "a.b" << word << R"((^|\W)(a\.b)(\W|$))"
                                    << "a.b";

        // Cut to 255 after escaping and wrapping.
        QTest::newRow("300 whole word")
            << QString(300, u'x') << word << (R"((^|\W)()" + QString(300, u'x')).left(255)
            << QString();
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
    void deepRecursion()
    {
        MatchLimits roomy;
        roomy.stackSize = std::size_t{256} << 20;
        roomy.stackUse = std::size_t{224} << 20;
        MatchSpan span;
        QCOMPARE(MatchText("(.)*x", false, QString(20000, u'a') + u'x', &span, roomy),
                 MatchResult::Found);
        QCOMPARE(span.end, 20001);
        QCOMPARE(MatchText("(.)*x", false, QString(1000000, u'a') + u'x', &span, MatchLimits{}),
                 MatchResult::Aborted);
    }
};

SCRIVLET_TEST(SearchPatternTest);
#include "test_search_pattern.moc"
