#include "TestDocument.h"
#include "TestRegistry.h"
#include "WorkTime.h"
#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "search/Replace.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace scrivlet;

namespace {

// A label, two text fields, a field of another type, then a text field after an empty caption.
// Each row holds the texts of the columns from 1 on.
std::unique_ptr<EdtDocument> MakeDocument(const QList<QStringList>& rows)
{
    using test::TextField;
    FieldDef other = TextField("Other", 0, 0);
    other.type = 2;
    const EdtFormat format = test::MakeFormat(
        0, {test::LabelField("No"), TextField("Text", 0, 0), TextField("Note", 0, 0), other,
            TextField("", 0, 0), TextField("Beyond", 0, 0)});
    auto document = std::make_unique<EdtDocument>(format);
    document->InsertRecords(0, static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int k = 0; k < rows[r].size(); ++k)
            document->SetText(r, k + 1, rows[r][k]);
    return document;
}

// The answer as the selection "record:column:start-end", or "not found" / "invalid".
// resume: empty for FindNext from `from`, else "record:column:offset", "+" after a match.
QString Find(const EdtDocument& document, const QString& typed, quint32 flags, int from,
             const QString& resume, const MatchLimits& limits)
{
    SearchHit hit;
    const QStringList at = resume.split(u':');
    const SearchOutcome outcome =
        resume.isEmpty()
            ? FindNext(document, SearchQuery{typed, flags}, from, &hit, limits)
            : FindNextFrom(document, SearchQuery{typed, flags},
                           SearchResume{at[0].toInt(), at[1].toInt(),
                                        at[2].section(u'+', 0, 0).toInt(), at[2].endsWith(u'+')},
                           &hit, limits);
    if (outcome != SearchOutcome::Found)
        return outcome == SearchOutcome::NotFound ? "not found" : "invalid";
    return QString::asprintf("%d:%d:%d-%d", hit.record, hit.column, hit.start,
                             hit.start + hit.length);
}

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT

private slots:
    // What a field's text matches and which UTF-16 units the editor selects; the walk: after
    // `from`, each record once, `from` only when it is the only one; the budget: costly fields
    // end the walk within about a second, too deep a recursion ends cleanly (20,000 levels need
    // the matching thread's large stack), cheap matching is never cut short, even with no time.
    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("cell");  // the first text of every record
        QTest::addColumn<int>("records");   // -1: the five-record document
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("resume");  // see Find
        QTest::addColumn<QString>("found");
        using S = const QString&;
        auto one = [](const char* name, S typed, uint flags, S cell, S found, int records = 1,
                      int from = -1) {
            QTest::newRow(name) << typed << flags << cell << records << from << QString() << found;
        };
        auto walk = [](const char* name, S typed, uint flags, int from, S found, S resume = {}) {
            QTest::newRow(name) << typed << flags << QString() << -1 << from << resume << found;
        };
        const uint regex = kSearchRegex, word = kSearchWholeWord, back = kSearchBackwards;
        one("plain dot is literal", "a.c", 0, "abc", "not found");
        one("every special literal", R"(\.[]?+*()|!$^)", 0, R"(x\.[]?+*()|!$^)", "0:1:1-14");
        one("regex dot any", "a.c", regex, "xabc", "0:1:1-4");
        one("plain braces literal", "a{2}", 0, "aa a{2}", "0:1:3-7");
        one("regex braces literal", "a{2}", regex, "aa", "not found");
        one("latin fold", "HELLO", 0, "say hello", "0:1:4-9");
        one("cyrillic fold", "жук", 0, "БОЛЬШОЙ ЖУК", "0:1:8-11");
        one("german fold", "ÄRGER", 0, "kein ärger", "0:1:5-10");
        one("cyrillic case kept", "жук", kSearchMatchCase, "ЖУК", "not found");
        one("after emoji", "ab", 0, "\U0001F600ab", "0:1:2-4");
        // The selection is the word alone, not the separators around it.
        one("word between spaces", "cat", word, "the cat sat", "0:1:4-7");
        one("word inside a word", "cat", word, "concatenate", "not found");
        one("word later whole", "cat", word, "cats cat", "0:1:5-8");
        one("word cyrillic inside", "жук", word, "жуки", "not found");
        one("word with a dot", "a.b", word, "xa.b a.b", "0:1:5-8");
        // With regular expressions the user's own groups 1 and 3 are trimmed.
        one("regex groups trimmed", "(g)(amma)( )", word | regex, "gamma ray", "0:1:1-5");
        one("unclosed group", "(abc", regex, "abc", "invalid");
        // The expression is cut to 255 characters after escaping and wrapping.
        one("cut to a lone backslash", QString(200, u'.'), 0, "...", "invalid");
        one("cut whole-word wrapper", QString(300, u'x'), word, QString(300, u'x'), "invalid");
        one("cut before a surrogate pair", QString(254, u'x') + "\U0001F600", 0, QString(260, u'x'),
            "0:1:0-254");
        one("surrogate pair fits", QString(253, u'x') + "\U0001F600", 0,
            u'y' + QString(253, u'x') + "\U0001F600", "0:1:1-256");
        one("lone start record", "one", 0, "only one", "0:1:5-8", 1, 0);
        one("lone start record backwards", "one", back, "only one", "0:1:5-8", 1, 0);
        one("no records", "", 0, "", "not found", 0);
        walk("no start from 0", "alpha", 0, -1, "0:1:0-5");
        walk("next record", "alpha", 0, 0, "1:2:6-11");
        walk("wraps forwards", "alpha", 0, 3, "0:1:0-5");
        walk("wraps backwards", "alpha", back, 0, "3:1:0-5");
        walk("backwards, outside: from last", "alpha", back, 5, "3:1:0-5");
        walk("start record not searched", "delta", 0, 2, "not found");
        walk("same record not searched on", "beta", 0, 1, "3:1:6-10");
        walk("other type and beyond never", "zeta", 0, -1, "not found");
        walk("on in the field", "a", 0, -1, "3:1:4-5", "3:1:1+");
        walk("on in the record", "alpha", 0, -1, "1:2:6-11", "1:1:4+");
        walk("on in the next records", "delta", 0, -1, "2:1:0-5", "1:2:11+");
        walk("no empty match at the offset", "x*", regex, -1, "0:1:3-3", "0:1:2+");
        walk("a field left alone first", "alpha", back, -1, "3:1:0-5", "3:1:0");
        walk("backwards after a match", "alpha", back, -1, "1:2:6-11", "3:1:0+");
        one("1000 costly fields", "(a+)+b", regex, QString(24, u'a'), "invalid", 1000);
        one("costly huge field", "(a|b)*c", regex, QString(1000000, u'a'), "invalid");
        one("recursion per character", "(.)*x", regex, QString(1000000, u'a'), "invalid");
        one("20,000 levels of recursion", "(.)*e", regex, QString(20000, u'a') + u'e',
            "0:1:0-20001");
        one("many cheap fields", "[0-9]", regex, QString(200, u'a'), "not found", 3000);
    }

    void find()
    {
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, cell);
        QFETCH(int, records);
        QFETCH(int, from);
        QFETCH(QString, resume);
        const auto document =
            MakeDocument(records >= 0 ? QList<QStringList>(records, {cell})
                                      : QList<QStringList>{{"alpha", "x", "zeta", "", "zeta"},
                                                           {"beta", "gamma alpha"},
                                                           {"delta"},
                                                           {"alpha beta"},
                                                           {"epsilon"}});
        const test::WorkTimer timer;
        QTEST(Find(*document, typed, flags, from, resume, MatchLimits{}), "found");
        QVERIFY2(timer.Within(1200), qPrintable(QString::number(timer.Elapsed())));
        QTEST(Find(*document, typed, flags, from, resume, MatchLimits{.time = {}}), "found");
    }

    // Replace All over one field: every match left to right, none overlapping, all of a
    // field's replacements or none, and the replacements the storage cannot keep counted.
    void replaceAll_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("with");
        QTest::addColumn<int>("size");       // of the field
        QTest::addColumn<QString>("store");  // "edt" or "txt", then the encoding
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("counts");  // replaced/skipped/unstorable; "invalid"
        using S = const char*;
        auto row = [](S name, const QString& cell, const QString& typed, uint flags, S with,
                      const QString& result, S counts, int size = 20, S store = "edt 4") {
            QTest::newRow(name) << cell << typed << flags << QString::fromUtf8(with) << size
                                << QString::fromUtf8(store) << result << QString(counts);
        };
        const uint regex = kSearchRegex, word = kSearchWholeWord;
        row("plain, twice", "a cat, a cat", "cat", 0, "dog", "a dog, a dog", "2/0/0");
        row("case folded", "Cat CAT", "cat", 0, "x", "x x", "2/0/0");
        row("cyrillic folded", "Жук жук", "ЖУК", 0, "кот", "кот кот", "2/0/0");
        row("plain dollars are text", "ab", "b", 0, "$1$&", "a$1$&", "1/0/0");
        row("whole word keeps neighbours", "cat concat cat.", "cat", word, "dog", "dog concat dog.",
            "2/0/0");
        row("whole word, adjacent words", "a a a", "a", word, "b", "b b b", "3/0/0");
        row("regex groups", "ann@home", "(\\w+)@(\\w+)", regex, "$2 at $1", "home at ann", "1/0/0");
        row("match, missing group, dollar", "ab", "a(x)?", regex, "[$&$1$$]", "[a$]b", "1/0/0");
        row("empty matches", "abc", "x*", regex, "-", "-a-b-c-", "4/0/0");
        row("no empty match after a match", "xax", "x*", regex, "-", "-a-", "2/0/0");
        row("start of the text once", "abc", "^", regex, "> ", "> abc", "1/0/0");
        row("empty match beside a pair", "\U0001F600", "x*", regex, "-", "-\U0001F600-", "2/0/0");
        row("overlapping, left first", "aaa", "aa", 0, "b", "ba", "1/0/0");
        row("overlapping, longer", "ababa", "aba", 0, "X", "Xba", "1/0/0");
        row("fits exactly", "ab ab", "ab", 0, "abc", "abc abc", "2/0/0", 7);
        row("too long: all or nothing", "ab ab ab", "ab", 0, "abc", "ab ab ab", "0/1/0", 8);
        row("same text is no change", "abc", "b", 0, "b", "abc", "0/0/0");
        row("cyrillic capital in English .edt", "a", "a", 0, "Ж", "Ж", "1/0/0", 20, "edt 0");
        row("cyrillic small in English .edt", "a", "a", 0, "ж", "ж", "1/0/1", 20, "edt 0");
        row("cyrillic in English text file", "a", "a", 0, "Ж", "Ж", "1/0/1", 20, "txt 0");
        row("umlaut in Russian .edt", "aa", "a", 0, "Ä", "ÄÄ", "2/0/2", 20, "edt 3");
        row("regex insertion checked", "ab", "(b)", regex, "Ä$1", "aÄb", "1/0/1", 20, "edt 3");
        row("invalid pattern", "abc", "(", regex, "x", "abc", "invalid");
    }
    void replaceAll()
    {
        QFETCH(QString, cell);
        QFETCH(QString, typed);
        QFETCH(uint, flags);
        QFETCH(QString, with);
        QFETCH(int, size);
        QFETCH(QString, store);
        auto document = test::MakeDocument(
            test::MakeFormat(size, {test::TextField(QStringLiteral("T"), 0, size)}), {{cell}});
        document->SetFileType(store.startsWith("txt") ? kFileTypeText : kFileTypeEdt);
        document->SetEncoding(store.back().digitValue());
        ReplacePlan plan;
        const ReplaceOutcome outcome =
            PlanReplaceAll(*document, SearchQuery{typed, flags}, with, &plan);
        std::vector<EdtDocument::FieldEdit> edits = *document->StoreTexts(plan.texts);
        document->ExchangeTexts(edits);
        const ReplaceReport& r = plan.report;
        const QString counts =
            u"%1/%2/%3"_qs.arg(r.replaced).arg(r.skippedTooLong).arg(r.unstorable);
        QTEST(outcome == ReplaceOutcome::InvalidPattern ? u"invalid"_qs : counts, "counts");
        QTEST(document->Text(0, 0), "result");
        QCOMPARE(r.records, r.replaced > 0 ? 1 : 0);
        QCOMPARE(r.firstSkipped.record, r.skippedTooLong > 0 ? 0 : -1);
        // The same call again takes the replacements out.
        document->ExchangeTexts(edits);
        QCOMPARE(document->Text(0, 0), cell);
    }

    // A replacement whose every result is longer than its field is skipped without being
    // built: 20,000 fields of "$&" 50,000 times take no longer than the search itself.
    void replaceThatCannotFitIsSkippedAtOnce()
    {
        const auto format = test::MakeFormat(20, {test::TextField(QStringLiteral("T"), 0, 20)});
        test::Rows rows(20000, QStringList{QStringLiteral("abcabc")});
        auto document = test::MakeDocument(format, rows);
        ReplacePlan plan;
        const test::WorkTimer timer;
        QCOMPARE(PlanReplaceAll(*document, SearchQuery{"b", kSearchRegex},
                                QStringLiteral("$&").repeated(50000), &plan),
                 ReplaceOutcome::Done);
        QCOMPARE(plan.report.skippedTooLong, 20000);
        QVERIFY2(timer.Within(1000), qPrintable(QString::number(timer.Elapsed())));
    }

    // The status line after Replace All: each count with its noun in the right form, the
    // parts that have nothing to say left out.
    void replaceSummary_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QList<int>>("counts");  // replaced, records, too long, unstorable
        QTest::addColumn<QString>("text");
        QTest::newRow("en, one") << "en" << QList<int>{1, 1, 0, 0}
                                 << "Replaced 1 match in 1 record";
        QTest::newRow("en, all parts")
            << "en" << QList<int>{3, 2, 1, 4}
            << "Replaced 3 matches in 2 records; 1 skipped: longer than the field; "
               "4 not storable in this encoding";
        QTest::newRow("de") << "de" << QList<int>{1, 2, 0, 0}
                            << "1 Treffer in 2 Datensätzen ersetzt";
        QTest::newRow("pl") << "pl" << QList<int>{5, 22, 0, 0}
                            << "Zamieniono 5 wystąpień w 22 rekordach";
        QTest::newRow("ru") << "ru" << QList<int>{21, 1, 0, 0}
                            << "Заменено 21 совпадение в 1 записи";
    }
    void replaceSummary()
    {
        QFETCH(QString, language);
        QFETCH(QList<int>, counts);
        ReplaceReport report;
        report.replaced = counts[0], report.records = counts[1];
        report.skippedTooLong = counts[2], report.unstorable = counts[3];
        SetUiLanguage(LanguageFromCode(language));
        const QString text = ReplaceSummary(report);
        SetUiLanguage(UiLanguage::English);
        QTEST(text, "text");
    }
};

SCRIVLET_TEST(SearchTest);
#include "test_search.moc"
