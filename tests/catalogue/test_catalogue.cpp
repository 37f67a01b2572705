// Catalogues from lines to formats, and the format a path is detected as; hostile input is
// answered quickly and keeps what is readable.

#include "TestFiles.h"
#include "TestRegistry.h"
#include "WorkTime.h"
#include "base/UiText.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "catalogue/IniFile.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace scrivlet;

namespace {

constexpr qsizetype kMegabyte = 1024 * 1024;

// "name:length(caption/type/width/offset/size|labels;...)" per format; without texts (path
// for name), the shape every language must share.
QString Describe(const FormatCatalogue& catalogue, bool texts = true)
{
    QStringList formats;
    for (const EdtFormat& format : catalogue.Formats()) {
        QStringList fields;
        for (int j = 0; j < format.FieldCount(); ++j) {
            const FieldDef& f = format.fields[std::size_t(j)];
            fields << (texts ? f.caption : QString()) +
                          QString::asprintf("/%d/%d/%d/%d", f.type, f.width, f.offset, f.size);
            for (const QString& label : f.labels)
                fields.last() += u'|' + (texts ? label : QString());
        }
        formats << (texts ? format.name : format.path) + u':' +
                       QString::number(format.recordLength) + u'(' + fields.join(u';') + u')';
    }
    return formats.join(u' ');
}

QByteArray Format(int index, const QByteArray& name, const QByteArray& width = "4")
{
    const QByteArray section = "FORMAT" + QByteArray::number(index);
    return "[" + section + "]\nname=" + name + "\nwidth=" + width + "\n[" + section +
           ".COLUMN0]\ndesc=Text\ntype=1\ndataoffset=0\ndatasize=4\n";
}

// How Describe shows a format made by Format().
QString Shape(const QString& name, int width = 4)
{
    return name + QStringLiteral(":%1(Text/1/0/0/4)").arg(width);
}

QByteArray Garbage(qsizetype size)
{
    QByteArray bytes(size, '\0');  // a fixed seed, so that a failure can be reproduced
    QRandomGenerator(20261206).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Linux allows paths of 4,096 bytes: 4,090 here, folders of "a" and then a dialogue file.
const QString kLongestPath =
    (u'/' + QString(60, u'a')).repeated(66) + "/dialog_" + QString(52, u'a') + ".edt";

const QString kSound = QStringLiteral("(?:.*[\\\\/])?[^\\\\/]*(dialog)[^\\\\/]*");

// "kind|key, name or comment|value" of a line, the value as a file of that line alone holds it.
QByteArray ViewOf(const QByteArray& line)
{
    const IniLineParts parts = ClassifyIniLine(line.toStdString());
    IniFile ini;
    if (!ini.LoadBytes(line.toStdString()))
        return "not loaded";
    const IniSection* top = ini.FindSection({});
    QByteArray value;
    if (parts.kind == kIniIntEntry)
        value = QByteArray::number(IniFile::GetInt(top, parts.first, 0));
    else if (parts.kind == kIniStringEntry)
        value = QByteArray::fromStdString(IniFile::GetString(top, parts.first, {}));
    return QByteArray::number(parts.kind) + '|' + QByteArray::fromStdString(parts.first) + '|' +
           value;
}

}  // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void readsFormats_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");
        const QByteArray column0 = "[FORMAT0]\nname=A\n[FORMAT0.COLUMN0]\ndesc=n\n";
        QByteArray tenColumns = "[FORMAT0]\nname=A\n";
        for (char j = '0'; j <= '9'; ++j)
            tenColumns += QByteArray("[FORMAT0.COLUMN") + j + "]\ndesc=c\ntype=1\n";
        auto row = [](const char* name, const QByteArray& ini, const QString& expected) {
            QTest::newRow(name) << ini << expected;
        };
        row("gap ends formats", "[FORMAT0]\nname=A\n[FORMAT1]\nname=B\n[FORMAT3]\nname=D\n",
            "A:0() B:0()");
        row("at most 8 columns", tenColumns,
            "A:0(" + QStringList(8, "c/1/0/0/0").join(u';') + u')');
        row("column gap", column0 + "[FORMAT0.COLUMN2]\ndesc=c\n", "A:0(n/0/0/0/0)");
        row("label gap", column0 + "label.0=x\nlabel.1=y\nlabel.3=z\n", "A:0(n/0/0/0/0|x|y)");
        row("empty label ends", column0 + "label.0=x\nlabel.1=\"\"\nlabel.2=z\n",
            "A:0(n/0/0/0/0|x)");
        // A header with a note is a raw line: what follows stays in the section before.
        const QByteArray a = "[FORMAT0]\nname=A\n";
        row("first entries win", a + "name=B\nwidth=4\nwidth=8\n", "A:4()");
        row("header repeated", a + "[FORMAT1]\nname=B\n[FORMAT0]\nwidth=8\n", "A:8() B:0()");
        row("header with a note", a + "[FORMAT1] ; note\nwidth=8\n", "A:8()");
        row("case matters", "[format0]\nname=A\n", "");
        row("text for a number", a + "width=wide\n", "A:0()");
        row("both line ends", "\r\n" + QByteArray(a).replace("\n", "\r\n") + "\nwidth=8", "A:8()");
        row("mark at the start", "\xEF\xBB\xBF" + a, "A:0()");
        row("mark later", "\n\xEF\xBB\xBF" + a, "");
        row("utf8 and invalid bytes",
            "[FORMAT0]\nname=\"\xD0\x96\xD1\x83\xD0\xBA \xFF!\"\n[FORMAT0.COLUMN0]\n"
            "desc=\xC3\xA4\nlabel.0=\xE2\x82\n",
            QString::fromUtf8("Жук \xEF\xBF\xBD!:0(ä/0/0/0/0|\xEF\xBF\xBD\xEF\xBF\xBD)"));
        // Names and captions keep 79 UTF-16 units, never half a pair; labels stay whole.
        auto cut = [](const char* name, const QString& text, const QString& stored) {
            const QByteArray utf8 = text.toUtf8();
            QTest::newRow(name) << "[FORMAT0]\nname=" + utf8 + "\n[FORMAT0.COLUMN0]\ndesc=" + utf8 +
                                       "\nlabel.0=" + utf8 + "\n"
                                << stored + ":0(" + stored + "/0/0/0/0|" + text + ")";
        };
        const QString x78(78, u'x');
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units
        cut("80 cut", x78 + QStringLiteral("yz"), x78 + u'y');
        cut("pair across the end", x78 + smile, x78);
        cut("pair at the end", x78.left(77) + smile + u'z', x78.left(77) + smile);
        QByteArray many;
        QStringList manyFormats;
        for (int i = 0; i < 10000; ++i)
            many += Format(i, "F" + QByteArray::number(i)), manyFormats << Shape(u"F%1"_qs.arg(i));
        row("10,000 formats", many, manyFormats.join(u' '));
        row("garbage around a format", Garbage(4096) + "\n" + Format(0, "Kept") + Garbage(4096),
            Shape("Kept"));
        row("1 MB name", Format(0, QByteArray(kMegabyte, 'n')),
            Shape(QString(kMaxNameUnits, u'n')));
        row("1 MB quoted name", Format(0, "\"" + QByteArray(kMegabyte, 'q') + "\""),
            Shape(QString(kMaxNameUnits, u'q')));
        // 10^n is a multiple of 2^32 for n >= 32: n nines wrap to -1.
        row("1 MB of digits wraps", Format(0, "Wide", QByteArray(kMegabyte, '9')),
            Shape("Wide", -1));
        auto before = [&](const char* name, const QByteArray& trouble) {
            row(name, trouble + "\n" + Format(0, "After"), Shape("After"));
        };
        before("1 MB of blanks in a line", "name" + QByteArray(kMegabyte, ' ') + "=x");
        before("1 MB of blanks before a quote", "k = a" + QByteArray(kMegabyte, ' ') + "\"b");
        before("1 MB section name", "[" + QByteArray(kMegabyte, 'S') + "]");
        before("1 MB of brackets", QByteArray(kMegabyte, '['));
        before("1 MB of zero bytes", QByteArray(kMegabyte, '\0'));
        row("carriage returns only", Format(0, "X").replace('\n', '\r'), QString());
        row("no line end at all", Format(0, "Last").chopped(1), Shape("Last"));
    }
    void readsFormats()
    {
        QFETCH(QByteArray, ini);
        const QString path = dir_.filePath("formats.ini");
        QVERIFY(test::WriteAll(path, ini));
        // Processor time, with room for a sanitizer build; quadratic work would take minutes.
        const std::clock_t started = std::clock();
        FormatCatalogue catalogue;
        QVERIFY(LoadFormatCatalogueFile(catalogue, path));
        const long milliseconds = (std::clock() - started) * 1000 / CLOCKS_PER_SEC;
        QVERIFY2(milliseconds < 10000, qPrintable(QString::number(milliseconds)));
        QTEST(Describe(catalogue), "expected");
    }

    // The four shipped catalogues share formats, fields and path patterns, every name filled.
    void shippedCataloguesAgree()
    {
        FormatCatalogue english;
        QVERIFY(LoadFormatCatalogue(english, UiLanguage::English, nullptr));
        QCOMPARE(english.Formats().size(), 3);
        for (UiLanguage language :
             {UiLanguage::English, UiLanguage::German, UiLanguage::Polish, UiLanguage::Russian}) {
            FormatCatalogue catalogue;
            QVERIFY(LoadFormatCatalogue(catalogue, language, nullptr));
            QCOMPARE(Describe(catalogue, false), Describe(english, false));
            for (const EdtFormat& format : catalogue.Formats())
                QVERIFY(!format.name.isEmpty());
        }
    }

    // The whole-path match with most non-empty groups wins, a tie asks; an invalid or runaway
    // pattern takes no part; answers come within a second and do not drift between files.
    void detect_data()
    {
        QTest::addColumn<QStringList>("patterns");  // empty: the shipped catalogue
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("accepted");
        // The format, or "ask <preselect> <candidates>"; answers allowed are split by '|'.
        QTest::addColumn<QString>("detected");
        const QString path = QStringLiteral("/games/data/dialog_en.edt");
        auto row = [&](const char* name, const QStringList& patterns, const QString& detected,
                       const QString& p = {}, int accepted = -1) {
            QTest::newRow(name) << patterns << (p.isNull() ? path : p) << accepted << detected;
        };
        row("no match", {".*(item).*"}, "ask -1");
        row("one group", {".*(item).*", ".*(dialog).*"}, "1");
        row("tie asks, first preselected", {".*(item).*", ".*(dialog).*", ".*(en)\\.edt"},
            "ask 1 1,2");
        row("one group after two", {".*(dialog)_(en).*", ".*(dialog).*"}, "0");
        row("no groups asks at once", {".*dialog.*", ".*(dialog).*"}, "ask -1 0");
        row("part of the path is no match", {"(dialog)"}, "ask -1");
        row("case-insensitive", {".*(DIALOG)_EN\\.EDT"}, "0");
        row("cyrillic folds", {".*/(ЖУК)/.*"}, "0", QStringLiteral("/home/жук/a.edt"));
        row("invalid pattern takes no part", {".*(dialog", ".*(dialog).*"}, "1");
        row("accepted first", {".*(dialog)_(en).*", ".*(dialog).*"}, "1", path, 1);
        row("accepted without group ignored", {".*(dialog).*", ".*dialog.*"}, "0", path, 1);
        // The guard costs sound patterns nothing where matching is cheap.
        row("nested star, short path", {"(a*)*(b)"}, "0", "aaab");
        row("group per character scores", {"(abc)x", "(.)*(x)"}, "1", "abcx");
        // Exponential backtracking or recursion per character, before and after a sound pattern.
        for (const char* hostile : {"(.*a*)*b", "(a|a)*b", "((a+)+)+b", "(.*)*(.*)*x", "(.)*x",
                                    "((.)*)*x", "(?:(?:a|/)*)*b"}) {
            const QByteArray before = QByteArray("before: ") + hostile;
            const QByteArray after = QByteArray("after: ") + hostile;
            row(before.constData(), {hostile, kSound}, "1", kLongestPath);
            row(after.constData(), {kSound, hostile}, "0", kLongestPath);
        }
        // The shipped patterns: both separators, any case, the file name only.
        row("shipped: windows dialog", {}, "0", R"(C:\Mods\dialog_en.edt)");
        row("shipped: item, mixed separators", {}, "1", R"(C:\x/y\Item_de.edt)");
        row("shipped: quests", {}, "2", "/srv/data/quests_unicode.edt");
        row("shipped: folder does not count", {}, "0", "/home/u/quests/dialog_ru.txt");
        row("shipped: cyrillic folder", {}, "1", "/home/Жук/items_ru.txt");
        row("shipped: only a folder", {}, "ask -1", "/home/dialog/notes.edt");
        // So many runaway patterns that their shared budget may run out: never one of them.
        row("40 runaway patterns", QStringList(40, "(.*a*)*b") << kSound, "40|ask -1",
            kLongestPath);
        // After the shared time, a runaway pattern is stopped once it leaves ordinary work,
        // and a sound one still runs.
        row("500 runaway patterns, a plain path", QStringList(500, "(.*a*)*b") << kSound, "500");
    }
    void detect()
    {
        QFETCH(QStringList, patterns);
        QFETCH(QString, path);
        QFETCH(int, accepted);
        QFETCH(QString, detected);
        FormatCatalogue catalogue;
        for (const QString& pattern : patterns) {
            EdtFormat format;
            format.path = pattern, format.recordLength = 1;
            catalogue.Append(format);
        }
        if (patterns.isEmpty())
            QVERIFY(LoadFormatCatalogue(catalogue, UiLanguage::English, nullptr));
        const test::WorkTimer timer;
        const FormatDetector detector(catalogue);
        const Detection detection = detector.Detect(path, accepted);
        QVERIFY2(timer.Within(1000), qPrintable(QString::number(timer.Elapsed())));
        QString answer = QString::number(detection.ask ? detection.preselect : detection.format);
        for (int k = 0; k < detection.candidates.size(); ++k)
            answer += (k ? u',' : u' ') + QString::number(detection.candidates[k]);
        answer.prepend(detection.ask ? "ask " : "");
        QVERIFY2(detected.split(u'|').contains(answer), qPrintable(answer));
        // A row with two allowed answers depends on the time budget, so it may differ.
        detector.Detect(QStringLiteral("/home/item/quests.edt"));
        if (!detected.contains(u'|'))
            QCOMPARE(detector.Detect(path, accepted).format, detection.format);
    }

    void classifiesLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("view");
        auto row = [](const char* name, const QByteArray& line, int kind, const QByteArray& first,
                      const QByteArray& value) {
            QTest::newRow(name) << line << QByteArray::number(kind) + '|' + first + '|' + value;
        };
        row("blanks", " \t\v\f ", kIniBlank, "", "");
        row("comment", "  ; a note; more", kIniComment, " a note; more", "");
        row("hash is raw", "# note", kIniRaw, "", "");
        row("section inner blanks", " [  My  Sec \t]  ", kIniSectionHeader, "My  Sec", "");
        row("section with note", "[A] ; note", kIniRaw, "", "");
        row("number", "  width = 128 ", kIniIntEntry, "width", "128");
        row("max+1 wraps", "w = 2147483648", kIniIntEntry, "w", "-2147483648");
        row("2^32-1", "w=4294967295", kIniIntEntry, "w", "-1");
        row("minus blank digits", "w = - 5", kIniIntEntry, "w", "0");
        row("plus is text", "w = +5", kIniStringEntry, "w", "+5");
        row("number with note", "w = 42 ; note", kIniStringEntry, "w", "42 ; note");
        row("quoted padded", "name = \"  Quest log  \"", kIniStringEntry, "name", "Quest log");
        row("inner quote", "name = a\"b", kIniRaw, "", "");
        // Long blank runs take the single pass; it must give what the patterns give.
        const QByteArray run(40, ' ');
        row("long run in value", "name = a" + run + "b" + run, kIniStringEntry, "name",
            "a" + run + "b");
        row("long run in section", "[" + run + "x" + run + "y" + run + "]", kIniSectionHeader,
            "x" + run + "y", "");
        row("long run before quote", "k = a" + run + "\"b", kIniRaw, "", "");
        row("long run number", "k" + run + "=" + run + "-12" + run, kIniIntEntry, "k", "-12");
    }
    void classifiesLine()
    {
        QFETCH(QByteArray, line);
        QTEST(ViewOf(line), "view");
    }

    // The single pass stands in for the patterns on lines with long blank runs: the two agree on
    // every short line of the characters that matter (fuzz_catalogue tries longer ones).
    void singlePassAgreesWithPatterns()
    {
        const char alphabet[] = {' ', '\t', '"', '=', '[', ']', ';', '-', 'a', '5', '\r', '\xC3'};
        const int letters = int(sizeof alphabet);
        long long total = 1;
        for (int length = 0; length <= 5; ++length, total *= letters) {
            for (long long n = 0; n < total; ++n) {
                std::string line;
                for (long long rest = n; int(line.size()) < length; rest /= letters)
                    line += alphabet[rest % letters];
                const IniLineParts a = ClassifyIniLine(line, IniMatcher::Patterns);
                const IniLineParts b = ClassifyIniLine(line, IniMatcher::SinglePass);
                QVERIFY2(a.kind == b.kind && a.first == b.first && a.second == b.second,
                         line.c_str());
            }
        }
    }
};

SCRIVLET_TEST(CatalogueTest);
#include "test_catalogue.moc"
