#include "TestDocument.h"
#include "TestRegistry.h"
#include "documents/Encodings.h"
#include "translation/DocumentChecks.h"
#include "translation/ProjectTranslations.h"
#include "translation/Spelling.h"

#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const EdtFormat kFormat = MakeFormat(80, {TextField("Text", 0, 40)});

// Settings of every case: a glossary, a game's own code and tag, storage in the English
// encoding.
void Prepare(CheckSettings* settings, const QString& language)
{
    settings->language = language;
    settings->glossary = {{"sword", {"Schwert"}, {}}, {"book", {u"книга"_qs}, {}}};
    QVERIFY(settings->placeholders.AddPattern(QStringLiteral("\\[[A-Z]+\\]")));
    QVERIFY(settings->tags.AddPattern(QStringLiteral("\\[/?[a-z]+\\]")));
    settings->storage = TextStorage{0, kFileTypeEdt};
}

Rows Column(const QStringList& texts)
{
    Rows rows;
    for (const QString& text : texts)
        rows << QStringList{text};
    return rows;
}

// Enough fields to be spelled in the background: one in seven with an unknown word, one in
// eleven with it inside a placeholder (not spelled), one in five a copy of its reference.
struct SpellingFixture {
    static constexpr int kRecords = 6000;
    SpellingDictionary dictionary;
    CheckSettings settings;
    std::unique_ptr<EdtDocument> document, reference;

    explicit SpellingFixture(bool withReference)
    {
        if (!dictionary.Load(QStringLiteral("en")))
            return;
        settings.enabled = kAllChecks;
        settings.speller = &dictionary;
        QStringList texts, references;
        for (int i = 0; i < kRecords; ++i) {
            const QString text = QStringLiteral("%1 lamp went dark%2")
                                     .arg(i % 7 ? "The" : "Teh", i % 11 ? "" : " {wrold}");
            texts << text;
            references << (i % 5 ? QStringLiteral("Die Lampe") : text);
        }
        document = MakeDocument(kFormat, Column(texts));
        if (withReference)
            reference = MakeDocument(kFormat, Column(references));
    }
    // Spelling field by field on the calling thread, less the ignored fields.
    qint64 Expected(const DocumentChecks& checks, qint64* mismatches) const
    {
        const FieldChecker checker(settings);
        qint64 count = 0;
        *mismatches = 0;
        for (int r = 0; r < document->RecordCount(); ++r) {
            const FieldInput in{document->FieldText(r, 0),
                                reference ? reference->FieldText(r, 0) : QStringView(),
                                reference != nullptr, 40};
            const bool wrong =
                checker.Run(in, TextStorage{}, nullptr, nullptr, Bit(Check::Spelling)) &&
                !(checks.IgnoredMask(r, 0) & Bit(Check::Spelling));
            count += wrong;
            *mismatches += wrong != bool(checks.Mask(r, 0) & Bit(Check::Spelling));
        }
        return count;
    }
};

}  // namespace

class ChecksTest : public QObject {
    Q_OBJECT

private slots:
    // Each check on a clear case both ways; the first record is judged. No references: the
    // document alone.
    void checks_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("references");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("check");
        QTest::addColumn<bool>("problem");
        QTest::addColumn<QString>("detail");  // empty: any
        auto row = [](const char* tag, const QStringList& references, const QStringList& texts,
                      const char* check, bool problem, const char* language = "",
                      const QString& detail = {}) {
            QTest::newRow(tag) << QString(language) << references << texts << QString(check)
                               << problem << detail;
        };
        row("too long", {}, {QString(41, u'x')}, "too_long", true);
        row("as long as the field", {}, {QString(40, u'x')}, "too_long", false);
        row("not storable", {}, {u"Жук"_qs}, "not_storable", true);
        row("storable", {}, {u"Käse"_qs}, "not_storable", false);
        row("untranslated", {"Hello"}, {"Hello"}, "untranslated", true);
        row("translated", {"Hello"}, {"Hallo"}, "untranslated", false);
        row("empty", {"Hello"}, {""}, "empty", true);
        row("both empty", {""}, {""}, "empty", false);
        row("printf lost", {"%d of %s left"}, {"%s übrig"}, "placeholders", true);
        row("printf reordered", {"%1$s has %2$d"}, {"%2$d hat %1$s"}, "placeholders", false);
        row("Qt lost", {"%1 files"}, {"Dateien"}, "placeholders", true);
        row("braces kept", {"{name} won {0:N2}"}, {"{0:N2} für {name}"}, "placeholders", false);
        row("%% is none", {"%%d is a code"}, {"Ein Code"}, "placeholders", false);
        row("prose percent", {"50% of them"}, {"50 Prozent davon"}, "placeholders", false);
        row("game code lost", {"[NAME] won"}, {"gewann"}, "placeholders", true);
        row("game code kept", {"[NAME] won"}, {"[NAME] gewann"}, "placeholders", false);
        row("number changed", {"Take 3 of 10"}, {"Nimm 3 von 11"}, "numbers", true);
        row("numbers reordered", {"Take 3 of 10"}, {"10 Stück, nimm 3"}, "numbers", false);
        row("number in placeholder", {"%2$s costs 5"}, {"%1$s kostet 5"}, "numbers", false);
        row("leading space lost", {" Next"}, {"Weiter"}, "leading_space", true);
        row("leading space added", {"Next"}, {" Weiter"}, "leading_space", true);
        row("leading space kept", {" Next"}, {" Weiter"}, "leading_space", false);
        row("trailing space lost", {"Name: "}, {"Titel:"}, "trailing_space", true);
        row("trailing space kept", {"Name: "}, {"Titel: "}, "trailing_space", false);
        row("line break lost", {"a\nb"}, {"ab"}, "line_breaks", true);
        row("CRLF is one break", {"a\r\nb"}, {"x\ny"}, "line_breaks", false);
        row("double space", {}, {"a  b"}, "double_space", true);
        row("double space as original", {"a  b"}, {"x  y"}, "double_space", false);
        row("period lost", {"Done."}, {"Fertig"}, "end_punctuation", true);
        row("question as exclamation", {"Really?"}, {"Wirklich!"}, "end_punctuation", true);
        row("ellipsis character", {"Wait..."}, {u"Warte…"_qs}, "end_punctuation", false);
        row("period as ellipsis", {"Wait."}, {"Warte..."}, "end_punctuation", false);
        row("Russian ?..", {"Really?"}, {u"Правда?.."_qs}, "end_punctuation", false, "ru");
        row("?! for !", {"No!"}, {"Nein?!"}, "end_punctuation", false);
        row("German closing quote", {"Go!"}, {u"„Los!“"_qs}, "end_punctuation", false, "de");
        row("English opening quote", {"Go!"}, {u"“Go!“"_qs}, "end_punctuation", true, "en");
        row("two translations", {"Sword", "Sword"}, {"Schwert", "Klinge"}, "inconsistent", true);
        row("one translation", {"Sword", "Sword"}, {"Schwert", "Schwert"}, "inconsistent", false);
        row("one left untranslated", {"Sword", "Sword"}, {"Schwert", "Sword"}, "inconsistent",
            false);
        row("term not translated", {"Take the sword"}, {"Nimm die Klinge"}, "glossary", true);
        row("term inflected", {"Take the SWORD"}, {"Nimm des Schwertes"}, "glossary", false);
        row("term inside a word", {"A swordfish"}, {"Ein Fisch"}, "glossary", false);
        row("Russian inflection", {"Read the book"}, {u"Прочти книгу"_qs}, "glossary", false);
        row("tag lost", {"<b>Hi</b> there"}, {"Hallo</b>"}, "tags", true, "", "missing <b>");
        row("closing tag lost", {"<color=red>Fire</color>"}, {"<color=red>Feuer"}, "tags", true,
            "", "missing </color>");
        row("tag added", {"Hello"}, {"<i>Hallo</i>"}, "tags", true, "", "extra </i> <i>");
        row("brace tag lost", {"{i}Quiet{/i}"}, {"Leise{/i}"}, "tags", true, "", "missing {i}");
        row("brace tag is no placeholder", {"{i}Quiet{/i}"}, {"Leise{/i}"}, "placeholders", false);
        row("game's tag lost", {"[b]Hi[/b]"}, {"Hallo[/b]"}, "tags", true, "", "missing [b]");
        row("tags cross", {"<b>A</b> <i>B</i>"}, {"<b>A <i>B</b></i>"}, "tags", true, "",
            "tags do not nest at </b>");
        row("tag reordered", {"<b>A</b> <i>B</i>"}, {"<i>B</i> <b>A</b>"}, "tags", false);
        row("tag that closes nowhere", {"Line<br>next"}, {"Zeile<br>weiter"}, "tags", false);
        row("bracket added", {"Hello (world)"}, {"Hallo (Welt) (x"}, "brackets", true, "",
            "( 2 vs 1");
        row("bracket lost", {"(see map)"}, {"siehe Karte)"}, "brackets", true, "", "( 0 vs 1");
        row("brackets turned", {"(a) b"}, {")a( b"}, "brackets", true, "", ") without its pair");
        row("quote lost", {"\"Go\" now"}, {u"„Los jetzt"_qs}, "brackets", true, "",
            "\" 1 vs 2");
        row("codes hold brackets", {"{0} [NAME]"}, {"[NAME]: {0}"}, "brackets", false);
        row("word twice", {"Take the sword"}, {"Nimm das das Schwert"}, "repeated_word", true,
            "", "word repeated: das das");
        row("word twice, any case", {"Take it"}, {u"Возьми его Его"_qs}, "repeated_word", true);
        row("word twice, Polish", {"Hide"}, {u"Schowaj się się"_qs}, "repeated_word", true);
        row("word twice, no original", {}, {"the the"}, "repeated_word", true);
        row("word twice across a comma", {"Well"}, {"Nun, nun"}, "repeated_word", false);
        row("word twice as in the original", {"very very good"}, {"sehr sehr gut"},
            "repeated_word", false);
        row("placeholders twice", {"%s and %s"}, {"%s %s"}, "repeated_word", false);
        row("lower-case start", {"Open it"}, {u"öffne es"_qs}, "start_case", true, "",
            u"the original starts with “O”, the translation with “ö”"_qs);
        row("lower-case start after a tag", {"<b>Open</b>"}, {"<b>offen</b>"}, "start_case",
            true);
        row("upper-case start", {"...And then"}, {u"…Und dann"_qs}, "start_case", false);
        row("placeholder first", {"%s opens"}, {u"%s öffnet"_qs}, "start_case", false);
        row("no case in the script", {"Open"}, {u"開く"_qs}, "start_case", false);
        row("original lower-case", {"iPhone"}, {"iphone"}, "start_case", false);
        row("too long a translation", {"Open the door"}, {QString(55, u'x')}, "length_ratio",
            true, "", "4.2 times the original");
        row("too short a translation", {"Open the big door now"}, {"Auf"}, "length_ratio", true,
            "", "14% of the original’s length");
        row("short original", {"OK"}, {"Einverstanden, gern"}, "length_ratio", false);
        row("twice as long", {"Open the door"}, {u"Öffne die Tür, bitte sofort"_qs},
            "length_ratio", false);
    }
    void checks()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, references);
        QFETCH(QStringList, texts);
        QFETCH(QString, check);
        CheckSettings settings;
        Prepare(&settings, language);
        auto document = MakeDocument(kFormat, Column(texts));
        auto reference = MakeDocument(kFormat, Column(references));
        const DocumentChecks checks(*document, settings,
                                    references.isEmpty() ? nullptr : reference.get());
        const Check which = *CheckNamed(check);
        const bool found = checks.Mask(0, 0) & Bit(which);
        QTEST(found, "problem");
        // Said in words exactly when found.
        const std::vector<Problem> details = checks.Details(0, 0);
        const auto told = std::find_if(details.begin(), details.end(),
                                       [&](const Problem& p) { return p.check == which; });
        QCOMPARE(told != details.end() && !told->detail.isEmpty(), found);
        QFETCH(QString, detail);
        if (!detail.isEmpty())
            QCOMPARE(told->detail, detail);
    }

    // What other tools take for faults and is none: every check stays quiet.
    void traps_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("text");
        QTest::newRow("%1 and %2 reordered") << "de" << "%1 of %2 done" << "%2: %1 erledigt";
        QTest::newRow("... as …") << "de" << "Wait, I am coming..." << u"Warte, ich komme…"_qs;
        QTest::newRow("«» quotes") << "ru" << "He said \"go\"." << u"Он сказал «иди»."_qs;
        QTest::newRow("German quotes") << "de" << "\"Go!\" she said." << u"„Los!“, sagte sie."_qs;
        QTest::newRow("Polish quotes") << "pl" << "\"Go!\" she said." << u"„Idź!” – powiedziała."_qs;
        QTest::newRow("?.. in Russian") << "ru" << "Are you sure?" << u"Ты уверен?.."_qs;
        QTest::newRow("tags reordered") << "de" << "<b>Bold</b> and <i>italic</i>"
                                        << "<i>Kursiv</i> und <b>fett</b>";
        QTest::newRow("brace tags reordered")
            << "de" << "{i}Quiet{/i} now!" << "Jetzt {i}leise{/i}!";
    }
    void traps()
    {
        QFETCH(QString, language);
        QFETCH(QString, reference);
        QFETCH(QString, text);
        CheckSettings settings;
        Prepare(&settings, language);
        settings.storage = TextStorage{kEncodingUnicode, kFileTypeEdt};
        auto document = MakeDocument(kFormat, {{text}});
        auto original = MakeDocument(kFormat, {{reference}});
        const DocumentChecks checks(*document, settings, original.get());
        QStringList found;
        for (const Problem& p : checks.Details(0, 0))
            found << QString::fromLatin1(CheckName(p.check)) + QStringLiteral(": ") + p.detail;
        QCOMPARE(found, QStringList());
    }

    // A field marked in the settings may start in lower case; the others of its format and the
    // same field of another format may not. Set as a project or the command line keeps it.
    void startCaseOffForMarkedFields()
    {
        const EdtFormat two = MakeFormat(80, {TextField("Name", 0, 40), TextField("Text", 40, 40)});
        CheckSettings settings;
        settings.Tune({{}, {}, kDefaultLengthRatio, {"3:1", "x:1", "3"}});
        auto original = MakeDocument(two, {{"Anna", "Open it"}});
        auto marked = MakeDocument(two, {{"anna", u"öffne es"_qs}}, 3);
        auto other = MakeDocument(two, {{"anna", u"öffne es"_qs}}, 4);
        const DocumentChecks markedChecks(*marked, settings, original.get());
        const DocumentChecks otherChecks(*other, settings, original.get());
        QCOMPARE(markedChecks.Mask(0, 0), Bit(Check::StartCase));
        QCOMPARE(markedChecks.Mask(0, 1), CheckMask(0));
        QVERIFY(markedChecks.Details(0, 1).empty());
        QCOMPARE(otherChecks.Mask(0, 1), Bit(Check::StartCase));
    }

    // An edit re-judges its field and the fields sharing its original.
    void editRechecksItsGroup()
    {
        CheckSettings settings;
        auto document = MakeDocument(kFormat, Column({"Schwert", "Klinge", "Axt"}));
        auto reference = MakeDocument(kFormat, Column({"Sword", "Sword", "Axe"}));
        DocumentChecks checks(*document, settings, reference.get());
        QCOMPARE(checks.CountOf(Check::Inconsistent), 2);
        QCOMPARE(checks.Details(0, 0).front().detail,
                 QStringLiteral("the same original has 2 different translations"));
        QVERIFY(document->SetText(1, 0, u"Schwert"));
        QCOMPARE(checks.CountOf(Check::Inconsistent), 0);
        QCOMPARE(checks.Mask(0, 0), CheckMask(0));
        QVERIFY(document->SetText(2, 0, u""));
        QCOMPARE(checks.CountOf(Check::Empty), 1);
        QCOMPARE(checks.Count(), 1);
    }

    // Records added at the end, beside the reference's records or past them, and then
    // written: every mask and count as a check of the whole document finds them.
    void appendedRecords_data()
    {
        QTest::addColumn<QStringList>("references");
        QTest::newRow("past the reference") << QStringList{"Sword", "Sword", "Axe"};
        QTest::newRow("beside the reference")
            << QStringList{"Sword", "Sword", "Axe", "Sword", "Shield."};
    }
    void appendedRecords()
    {
        QFETCH(QStringList, references);
        CheckSettings settings;
        auto document = MakeDocument(kFormat, Column({"Schwert", "Klinge", "Axt "}));
        auto reference = MakeDocument(kFormat, Column(references));
        DocumentChecks checks(*document, settings, reference.get());
        document->AppendRecord();
        document->AppendRecord();
        QVERIFY(document->SetText(4, 0, u"Schild"));
        QVERIFY(document->SetText(3, 0, u"Klinge  "));
        const DocumentChecks whole(*document, settings, reference.get());
        QCOMPARE(checks.FieldCount(), whole.FieldCount());
        for (int record = 0; record < document->RecordCount(); ++record) {
            for (int field = 0; field < document->TextFieldCount(); ++field)
                QCOMPARE(checks.Mask(record, field), whole.Mask(record, field));
        }
        for (int c = 0; c < kCheckCount; ++c)
            QCOMPARE(checks.CountOf(static_cast<Check>(c)), whole.CountOf(static_cast<Check>(c)));
    }

    // Another file's translation of the same original, and the text being typed in field 0
    // before it is committed: the inconsistent fields, and then without the typed text.
    void otherFilesAndTypedText_data()
    {
        QTest::addColumn<QStringList>("references");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("other");  // another file's translation of "Sword"
        QTest::addColumn<QString>("typed");  // null: nothing typed
        QTest::addColumn<int>("inconsistent");
        QTest::addColumn<int>("committed");
        const QStringList sword = {"Sword", "Axe"}, twice = {"Sword", "Sword"};
        const QString none;
        auto row = [&](const char* name, const QStringList& references, const QStringList& texts,
                       const char* other, const QString& typed, int inconsistent, int committed) {
            QTest::newRow(name) << references << texts << QString(other) << typed << inconsistent
                                << committed;
        };
        row("alone, the other file differs", sword, {"Schwert", "Axt"}, "Klinge", none, 1, 1);
        row("alone, the other file agrees", sword, {"Schwert", "Axt"}, "Schwert", none, 0, 0);
        row("group agrees, the other file differs", twice, {"Schwert", "Schwert"}, "Klinge", none,
            2, 2);
        row("untranslated takes no part", sword, {"Sword", "Axt"}, "Klinge", none, 0, 0);
        row("typed as the other file", sword, {"Schwert", "Axt"}, "Klinge", "Klinge", 0, 1);
        row("typed away from it", sword, {"Klinge", "Axt"}, "Klinge", "Schwert", 1, 0);
    }
    void otherFilesAndTypedText()
    {
        QFETCH(QStringList, references);
        QFETCH(QStringList, texts);
        QFETCH(QString, other);
        QFETCH(QString, typed);
        CheckSettings settings;
        auto document = MakeDocument(kFormat, Column(texts));
        auto reference = MakeDocument(kFormat, Column(references));
        ProjectTranslations project;
        project.Add(1, *document, *reference);  // this file's own, left out of its judgement
        project.Add(2, QStringLiteral("Sword"), other);
        DocumentChecks checks(*document, settings, reference.get());
        checks.SetProjectTranslations(&project, 1);
        if (!typed.isNull())
            checks.SetPendingText(0, 0, typed);
        QTEST(int(checks.CountOf(Check::Inconsistent)), "inconsistent");
        if (checks.Mask(0, 0) & Bit(Check::Inconsistent))
            QCOMPARE(checks.Details(0, 0).front().detail,
                     QStringLiteral("the same original has 2 different translations"));
        checks.ClearPendingText();
        QTEST(int(checks.CountOf(Check::Inconsistent)), "committed");
        QCOMPARE(document->FieldText(0, 0).toString(), texts[0]);
    }

    // Debian's dictionaries; placeholders and markup are no words; the project's word list.
    void spelling_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");  // the project's own
        QTest::addColumn<QString>("detail");     // empty: no problem
        QTest::newRow("en") << "en"
                            << "The lamp went dark, didn't it?" << QStringList() << "";
        QTest::newRow("en, typo") << "en"
                                  << "The lmap went dark" << QStringList() << "unknown words: lmap";
        QTest::newRow("en, markup") << "en"
                                    << "<b>%s</b> came {name} &amp; left" << QStringList() << "";
        QTest::newRow("en, word list") << "en"
                                       << "Over Harrowmere" << QStringList{"Harrowmere"} << "";
        QTest::newRow("de") << "de" << u"Der Leuchtturm ist dunkel, die Tür offen."_qs
                            << QStringList() << "";
        QTest::newRow("de, typo") << "de"
                                  << "Der Leuchturm" << QStringList() << "unknown words: Leuchturm";
        QTest::newRow("pl") << "pl" << u"Latarnia zgasła o północy."_qs << QStringList() << "";
        QTest::newRow("pl, no diacritics")
            << "pl"
            << "Latarnia zgasla" << QStringList() << "unknown words: zgasla";
        QTest::newRow("ru") << "ru" << u"Маяк погас ровно в полночь."_qs << QStringList() << "";
        QTest::newRow("ru, typo") << "ru" << u"Маяк пагас"_qs << QStringList()
                                  << u"unknown words: пагас"_qs;
        // A number and its suffix are one token, in every language; apart, the suffix is a word.
        const QStringList ordinals[] = {
            {"ru", u"на 7-й ступеньке 10-ти лет"_qs, ""},
            {"ru", u"на 7 й ступеньке"_qs, u"unknown words: й"_qs},
            {"en", "the 7th step", ""},
            {"de", "am 7. Tag, der 3-te", ""},
            {"pl", u"2-gi raz"_qs, ""}};
        for (const QStringList& o : ordinals)
            QTest::addRow("%s, ordinal: %s", qPrintable(o[0]), qPrintable(o[1]))
                << o[0] << o[1] << QStringList() << o[2];
    }
    void spelling()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        SpellingDictionary dictionary;
        QVERIFY(dictionary.Load(language));
        dictionary.SetWordList(words);
        CheckSettings settings;
        settings.enabled = Bit(Check::Spelling);
        settings.speller = &dictionary;
        const auto document = MakeDocument(kFormat, Column({text}));
        const DocumentChecks checks(*document, settings);
        const std::vector<Problem> details = checks.Details(0, 0);
        QTEST(details.empty() ? QString() : details.front().detail, "detail");
    }

    // A big document's spelling arrives from the background with what a field-by-field check
    // gives, also with an ignore and an edit made while the run goes on.
    void backgroundSpelling_data()
    {
        QTest::addColumn<bool>("withReference");
        QTest::addColumn<bool>("ignore");  // record 7's unknown word
        QTest::addColumn<int>("edited");   // -1: none
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wait");  // WaitForSpelling, else the event loop
        QTest::newRow("alone") << false << false << -1 << "" << false;
        QTest::newRow("reference, waited for") << true << false << -1 << "" << true;
        QTest::newRow("ignored") << true << true << -1 << "" << false;
        QTest::newRow("edit breaks a field") << true << false << 1 << "Teh broke" << false;
        QTest::newRow("edit mends a field") << false << false << 14 << "The lamp" << true;
    }
    void backgroundSpelling()
    {
        QFETCH(bool, withReference);
        QFETCH(int, edited);
        SpellingFixture f(withReference);
        QVERIFY(f.document);
        DocumentChecks checks(*f.document, f.settings, f.reference.get());
        QFETCH(bool, ignore);
        if (ignore)
            checks.SetIgnored(
                {{7, 0, Check::Spelling, IgnoreHash(f.document->FieldText(7, 0), u"Die Lampe")}});
        QVERIFY(checks.SpellingRunning());
        QCOMPARE(checks.CountOf(Check::Spelling), 0);
        if (edited >= 0) {
            QFETCH(QString, text);
            QVERIFY(f.document->SetText(edited, f.document->TextColumn(0), text));
            QCOMPARE(bool(checks.Mask(edited, 0) & Bit(Check::Spelling)), text.startsWith("Teh"));
        }
        QFETCH(bool, wait);
        if (wait)
            checks.WaitForSpelling();
        QTRY_VERIFY(!checks.SpellingRunning());
        qint64 mismatches = 0;
        const qint64 expected = f.Expected(checks, &mismatches);
        QVERIFY(expected > SpellingFixture::kRecords / 10);
        QCOMPARE(checks.CountOf(Check::Spelling), expected);
        QCOMPARE(mismatches, 0);
        QCOMPARE(checks.IgnoredCount(), ignore ? 1 : 0);
    }

    // Checks going away, or starting over, while their threads spell.
    void spellingCancelled()
    {
        SpellingFixture f(false);
        QVERIFY(f.document);
        auto checks = std::make_unique<DocumentChecks>(*f.document, f.settings);
        checks->RecheckAll();
        QVERIFY(checks->SpellingRunning());
        checks.reset();
        checks = std::make_unique<DocumentChecks>(*f.document, f.settings);
        checks->WaitForSpelling();
        qint64 mismatches = 0;
        QCOMPARE(checks->CountOf(Check::Spelling), f.Expected(*checks, &mismatches));
        checks->RecheckAll();
        checks.reset();
    }
};

SCRIVLET_TEST(ChecksTest);
#include "test_checks.moc"
