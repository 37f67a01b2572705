#include "SearchWalk.h"
#include "TestRegistry.h"
#include "TextMatcher.h"

#include <QElapsedTimer>
#include <QTest>

using namespace scrivlet;

namespace {

// Pattern of the find dialog matched against one cell text, the way the walk does it.
MatchResult Search(const QString& typed, quint32 flags, const QString& cell, MatchSpan* span,
                   const MatchLimits& limits = MatchLimits{})
{
    return MatchText(BuildSearchPattern(typed, flags), (flags & kSearchMatchCase) != 0, cell, span,
                     limits);
}

QString Repeat(QChar c, int count)
{
    return QString(count, c);
}

}  // namespace

class SearchPatternTest : public QObject {
    Q_OBJECT

private slots:
    void building_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("pattern");

        const uint plain = 0;
        const uint word = kSearchWholeWord;
        const uint regex = kSearchRegex;
        QTest::newRow("plain dot") << "a.b" << plain << R"(a\.b)";
        QTest::newRow("regex dot") << "a.b" << regex << "a.b";
        QTest::newRow("backslash once") << R"(a\b)" << plain << R"(a\\b)";
        QTest::newRow("every special")
            << R"(\.[]?+*()|!$^)" << plain << R"(\\\.\[\]\?\+\*\(\)\|\!\$\^)";
        QTest::newRow("dash and slash stay") << "a-b/c" << plain << "a-b/c";
        QTest::newRow("braces plain") << "a{2}" << plain << R"(a\{2\})";
        QTest::newRow("braces regex") << "a{2,3}" << regex << R"(a\{2,3\})";
        QTest::newRow("regex keeps the rest") << R"(^a+(b|c)$)" << regex << R"(^a+(b|c)$)";
        QTest::newRow("whole word") << "cat" << word << R"((^|\W)(cat)(\W|$))";
        QTest::newRow("whole word escaped") << "a.b" << word << R"((^|\W)(a\.b)(\W|$))";
        QTest::newRow("whole word ignored in regex") << "cat" << (word | regex) << "cat";
        QTest::newRow("empty") << "" << plain << "";
    }

    void building()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, pattern);
        QCOMPARE(BuildSearchPattern(typed, flags), pattern);
    }

    void cut_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("pattern");

        const QString x300 = Repeat(u'x', 300);
        QTest::newRow("300 plain") << x300 << 0u << x300.left(255);
        QTest::newRow("300 whole word")
            << x300 << uint(kSearchWholeWord) << (QStringLiteral(R"((^|\W)()") + x300).left(255);
        // 200 dots escape to 400 characters; the cut leaves a lone backslash at the end.
        QTest::newRow("cut after escaping")
            << Repeat(u'.', 200) << 0u << QStringLiteral(R"(\.)").repeated(127) + u'\\';
        const QString emoji = QStringLiteral("\U0001F600");
        QTest::newRow("no half surrogate") << Repeat(u'x', 254) + emoji << 0u << Repeat(u'x', 254);
        QTest::newRow("surrogate fits")
            << Repeat(u'x', 253) + emoji << 0u << Repeat(u'x', 253) + emoji;
    }

    void cut()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, pattern);
        const QString built = BuildSearchPattern(typed, flags);
        QCOMPARE(built, pattern);
        QVERIFY(built.size() <= kMaxPatternLength);
    }

    void matching_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("start");  // -1: no match
        QTest::addColumn<int>("end");

        const uint plain = 0;
        const uint regex = kSearchRegex;
        const uint matchCase = kSearchMatchCase;
        QTest::newRow("plain dot is literal") << "a.c" << plain << "abc" << -1 << -1;
        QTest::newRow("plain dot found") << "a.c" << plain << "xa.c" << 1 << 4;
        QTest::newRow("regex dot any") << "a.c" << regex << "xabc" << 1 << 4;
        QTest::newRow("plain braces literal") << "a{2}" << plain << "aa" << -1 << -1;
        QTest::newRow("plain braces found") << "a{2}" << plain << "ba{2}" << 1 << 5;
        QTest::newRow("regex braces literal") << "a{2}" << regex << "aa" << -1 << -1;
        QTest::newRow("regex braces found") << "a{2}" << regex << "ba{2}" << 1 << 5;
        QTest::newRow("plain specials") << "f(x)!$" << plain << "y = f(x)!$" << 4 << 10;
        QTest::newRow("plain caret") << "^a" << plain << "b^a" << 1 << 3;
        QTest::newRow("plain backslash") << R"(\n)" << plain << R"(a\n)" << 1 << 3;
        QTest::newRow("first match") << "ab" << plain << "xxabab" << 2 << 4;
        QTest::newRow("latin fold") << "HELLO" << plain << "say hello" << 4 << 9;
        QTest::newRow("latin case kept") << "HELLO" << matchCase << "say hello" << -1 << -1;
        QTest::newRow("cyrillic fold") << "жук" << plain << "БОЛЬШОЙ ЖУК" << 8 << 11;
        QTest::newRow("cyrillic fold up") << "ЖУК" << plain << "жук" << 0 << 3;
        QTest::newRow("cyrillic case kept") << "жук" << matchCase << "ЖУК" << -1 << -1;
        QTest::newRow("german fold") << "Ä" << plain << "bär" << 1 << 2;
        QTest::newRow("german fold regex") << "[ä]" << regex << "BÄR" << 1 << 2;
        QTest::newRow("polish fold") << "Ł" << plain << "łódź" << 0 << 1;
        QTest::newRow("polish fold up") << "źdźbło" << plain << "ŹDŹBŁO" << 0 << 6;
        // Offsets count UTF-16 units, also past characters of two units.
        QTest::newRow("after emoji") << "ab" << plain << "\U0001F600ab" << 2 << 4;
        QTest::newRow("after cjk ext b") << "x" << plain << "\U00020000\U00020001x" << 4 << 5;
        QTest::newRow("emoji matched") << "\U0001F600" << plain << "a\U0001F600b" << 1 << 3;
        QTest::newRow("lone surrogate kept")
            << "b" << plain << QString(QChar(0xD800)) + "b" << 1 << 2;
    }

    void matching()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, cell);
        QFETCH(int, start);
        QFETCH(int, end);
        MatchSpan span;
        const MatchResult result = Search(typed, flags, cell, &span);
        QCOMPARE(result, start < 0 ? MatchResult::NoMatch : MatchResult::Found);
        if (start >= 0) {
            QCOMPARE(span.start, start);
            QCOMPARE(span.end, end);
        }
    }

    // The wrapper's groups 1 and 3 hold the neighbouring characters the walk trims off.
    void wholeWord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("wordStart");  // -1: no match
        QTest::addColumn<int>("wordEnd");

        QTest::newRow("between spaces") << "cat"
                                        << "the cat sat" << 4 << 7;
        QTest::newRow("at start") << "cat"
                                  << "cat, then" << 0 << 3;
        QTest::newRow("at end") << "cat"
                                << "a cat" << 2 << 5;
        QTest::newRow("whole text") << "cat"
                                    << "cat" << 0 << 3;
        QTest::newRow("punctuation") << "cat"
                                     << "(cat)" << 1 << 4;
        QTest::newRow("inside a word") << "cat"
                                       << "concatenate" << -1 << -1;
        QTest::newRow("prefix of a word") << "cat"
                                          << "cats" << -1 << -1;
        QTest::newRow("later whole") << "cat"
                                     << "cats cat" << 5 << 8;
        QTest::newRow("cyrillic inside") << "жук"
                                         << "жуки" << -1 << -1;
        QTest::newRow("cyrillic whole") << "жук"
                                        << "большой жук!" << 8 << 11;
        QTest::newRow("umlaut is a letter") << "bar"
                                            << "äbar bar" << 5 << 8;
        QTest::newRow("after emoji") << "ok"
                                     << "\U0001F600 ok" << 3 << 5;
    }

    void wholeWord()
    {
        QFETCH(QString, word);
        QFETCH(QString, cell);
        QFETCH(int, wordStart);
        QFETCH(int, wordEnd);
        MatchSpan span;
        const MatchResult result = Search(word, kSearchWholeWord, cell, &span);
        QCOMPARE(result, wordStart < 0 ? MatchResult::NoMatch : MatchResult::Found);
        if (wordStart >= 0) {
            QCOMPARE(span.start + span.group1Length, wordStart);
            QCOMPARE(span.end - span.group3Length, wordEnd);
        }
    }

    void invalidPattern_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");

        QTest::newRow("unclosed group") << "(abc" << uint(kSearchRegex);
        QTest::newRow("unclosed class") << "[abc" << uint(kSearchRegex);
        QTest::newRow("nothing to repeat") << "*a" << uint(kSearchRegex);
        // The cut leaves a lone backslash, and an unclosed group.
        QTest::newRow("cut backslash") << Repeat(u'.', 200) << 0u;
        QTest::newRow("cut group") << Repeat(u'x', 300) << uint(kSearchWholeWord);
    }

    void invalidPattern()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        MatchSpan span;
        QCOMPARE(Search(typed, flags, "abc", &span), MatchResult::InvalidPattern);
    }

    // Patterns that backtrack for ages, or recurse once per character, end within the time
    // budget instead of freezing or overflowing the stack.
    void hostile_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("length");

        for (int length : {20, 65534, 1000000}) {
            const QByteArray n = QByteArray::number(length);
            QTest::newRow("nested star " + n) << "(a*)*b" << length;
            QTest::newRow("nested plus " + n) << "(a+)+b" << length;
            QTest::newRow("group per char " + n) << "(.)*x" << length;
            QTest::newRow("alternation " + n) << "(a|b)*c" << length;
        }
    }

    void hostile()
    {
        QFETCH(QString, pattern);
        QFETCH(int, length);
        MatchLimits limits;
        limits.time = std::chrono::milliseconds(300);
        const QString text = Repeat(u'a', length);
        MatchSpan span;
        QElapsedTimer timer;
        timer.start();
        const MatchResult result = MatchText(pattern, false, text, &span, limits);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(result == MatchResult::NoMatch || result == MatchResult::Aborted,
                 qPrintable(QString::number(int(result))));
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
    }

    // The default budget: about a second, not more.
    void hostileDefaultBudget()
    {
        MatchSpan span;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(MatchText("(a*)*b", false, Repeat(u'a', 30), &span), MatchResult::Aborted);
        QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
        // The same pattern still works where it is cheap.
        QCOMPARE(MatchText("(a*)*b", false, "aab", &span), MatchResult::Found);
        QCOMPARE(span.end, 3);
    }

    // Cheap matching of a huge cell goes on past the deadline.
    void cheapHugeCell_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::newRow("plain") << "needle" << 0u;
        QTest::newRow("plain case") << "needle" << uint(kSearchMatchCase);
        QTest::newRow("regex") << "ne+dle" << uint(kSearchRegex);
    }

    void cheapHugeCell()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        MatchLimits noTime;
        noTime.time = std::chrono::milliseconds(0);
        MatchSpan span;
        QCOMPARE(Search(typed, flags, Repeat(u'a', 1000000) + "needle", &span, noTime),
                 MatchResult::Found);
        QCOMPARE(span.start, 1000000);
    }

    // Deep recursion works on the matching thread's own stack: 20,000 levels of "(.)*x"
    // overflow an ordinary 8 MB thread stack.
    void deepRecursion()
    {
        MatchLimits roomy;
        roomy.stackSize = std::size_t{256} << 20;
        roomy.stackUse = std::size_t{224} << 20;
        MatchSpan span;
        QCOMPARE(MatchText("(.)*x", false, Repeat(u'a', 20000) + u'x', &span, roomy),
                 MatchResult::Found);
        QCOMPARE(span.start, 0);
        QCOMPARE(span.end, 20001);
    }

    // Deeper than the stack budget allows: ends cleanly and soon (found where the frames
    // happen to be small enough).
    void tooDeep_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("65534") << 65534;
        QTest::newRow("1000000") << 1000000;
    }

    void tooDeep()
    {
        QFETCH(int, length);
        MatchSpan span;
        QElapsedTimer timer;
        timer.start();
        const MatchResult result = MatchText("(.)*x", false, Repeat(u'a', length) + u'x', &span);
        QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
        if (length > 100000)
            QCOMPARE(result, MatchResult::Aborted);
        else
            QVERIFY(result == MatchResult::Aborted || result == MatchResult::Found);
    }
};

SCRIVLET_TEST(SearchPatternTest);
#include "test_search_pattern.moc"
