#include "TestDocument.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "WorkTime.h"

#include "documents/Encodings.h"
#include "exchange/Exchange.h"
#include "exchange/ExchangeFiles.h"
#include "store/Memory.h"
#include "store/MemoryExchange.h"
#include "store/ProjectFile.h"
#include "store/ProjectGlossary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// Translation files written and read back, files as other tools leave them, and the exports
// of one small document, its memory and a glossary held against the files in golden/.

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const QByteArray kXliff = "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">";

// Two text fields: Name of 4 units, Line of 12.
const EdtFormat& Layout()
{
    static const EdtFormat format =
        MakeFormat(16, {LabelField("No."), TextField("Name", 0, 4), TextField("Line", 4, 12)});
    return format;
}

// The golden files' document: Name of 6 units, Line of 18. An empty field, line breaks
// (leading, LF, CR LF, a lone CR), quotes, a backslash, a tab, XML's special characters,
// Cyrillic and characters beyond the BMP; a translation that drops its original's final line
// break (fuzzy in PO) and one left as the original (no translation).
const EdtFormat& GoldenLayout()
{
    static const EdtFormat format =
        MakeFormat(24, {LabelField("No."), TextField("Name", 0, 6), TextField("Line", 6, 18)});
    return format;
}
const Rows kOriginal{{"Lamp", "Hello,\nworld"},
                     {"Ann", "Say \"hi\"\t\\o/"},
                     {"", "Bye\r\n"},
                     {"Cup", "Tea & <cake>"},
                     {u"Ёж"_qs, u"\n\n lead \U0001F600"_qs}};
const Rows kTranslation{{"Lampe", "Hallo,\nWelt"},
                        {"Anna", u"Sag \"hi\"\t\\o/ \U0001F600"_qs},
                        {"", u"Tschüss"_qs},
                        {"Cup", "Tea & <cake>"},
                        {"Igel", u"\n\n Grün\r"_qs}};

QString Golden(const QString& name)
{
    return QStringLiteral(SCRIVLET_GOLDEN_DIR "/") + name;
}

// A file as written, against its golden file line by line (a difference names its line); the
// time of writing and the version, which change from run to run, made steady. With
// SCRIVLET_UPDATE_GOLDEN=1 in the environment the golden file is written anew instead: read
// its diff before committing it.
void CompareGolden(const QByteArray& written, const QString& name)
{
    static const std::pair<QRegularExpression, QString> moving[] = {
        {QRegularExpression(R"(\d{4}-\d\d-\d\d \d\d:\d\d\+0000)"), "2000-01-01 00:00+0000"},
        {QRegularExpression(R"(Scrivlet \d[\d.]*)"), "Scrivlet VERSION"},
        {QRegularExpression(R"(creationdate="\d{8}T\d{6}Z")"),
         R"(creationdate="20000101T000000Z")"}};
    QString text = QString::fromUtf8(written);
    for (const auto& [pattern, steady] : moving)
        text.replace(pattern, steady);
    if (qEnvironmentVariableIsSet("SCRIVLET_UPDATE_GOLDEN"))
        QVERIFY(WriteAll(Golden(name), text.toUtf8()));
    QCOMPARE(text.toUtf8().split('\n'), ReadAll(Golden(name)).split('\n'));
}

// The address space this process uses now, from /proc/self/statm (pages).
[[maybe_unused]] rlim_t AddressSpace()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return RLIM_INFINITY;
    return statm.readAll().split(' ').value(0).toULongLong() * sysconf(_SC_PAGESIZE);
}

}  // namespace

class ExchangeTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString P(const QString& name) const { return dir_.filePath(name); }
    Result Export(const EdtDocument& document, const EdtDocument* reference, const QString& name)
    {
        return ExportTranslations(document, reference, P(name), TranslationFormatForPath(name));
    }

    // Reads path into document: the counts of the report (imported unchanged fuzzy too-long
    // unknown not-storable duplicate needs-work), or why the file was refused.
    QString Import(EdtDocument& document, const QString& path, bool includeFuzzy = false)
    {
        std::vector<TranslationEntry> entries;
        ImportPlan plan;
        const Result read = ReadTranslations(path, TranslationFormatForPath(path), &entries);
        if (!read || !PlanImport(document, entries, includeFuzzy, &plan))
            return read.Error();
        document.ApplyPlan(plan.texts);
        QStringList counts;
        for (int count : plan.report.count)
            counts << QString::number(count);
        return counts.join(u' ');
    }

    // A PO file's lines after the header, which holds the time of writing.
    static QList<QByteArray> Entries(const QString& path)
    {
        const QByteArray all = ReadAll(path);
        return all.mid(all.indexOf("\n\n")).split('\n');
    }

private slots:
    // The suffix picks the format; every other name is PO.
    void formatForPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("format");
        QTest::newRow("po") << "a/t.po"
                            << "po";
        QTest::newRow("xlf") << "t.xlf"
                             << "xliff";
        QTest::newRow("xliff upper case") << "t.XLIFF"
                                          << "xliff";
        QTest::newRow("other") << "t.xlf.txt"
                               << "po";
    }
    void formatForPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, format);
        QCOMPARE(TranslationFormatForPath(path).Name(), format);
        QCOMPARE(TranslationFormatNamed(format), &TranslationFormatForPath(path));
    }

    // A format that holds a project in one file writes it one document at a time.
    void bundleFormatsWriteParts()
    {
        QFile device(P("parts"));
        QVERIFY(device.open(QIODevice::WriteOnly));
        for (const TranslationFileFormat* format : TranslationFileFormats())
            QCOMPARE(bool(format->StartBundle(&device)),
                     format->Can(TranslationFileFormat::Bundle));
    }

    // Hand-written PO and XLIFF files as other tools leave them, read into a document of two
    // records ("a" "b" / "c" "d"), English; a malformed file is refused whole, saying where.
    void import_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("counts");  // or a part of the reason for refusing
        QTest::addColumn<Rows>("texts");
        const QByteArray header =
            "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
        const QByteArray a = "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"A\"\n\n";
        const Rows unchanged{{"a", "b"}, {"c", "d"}};
        QTest::newRow("reordered, wrapped, commented")
            << "a.po"
            << header +
                   "# note\nmsgctxt \"1:1\"\nmsgid \"d\"\nmsgstr \"\"\n\"D\"\n\"2\"\n\n#: x:9\n" + a
            << "2 0 0 0 0 0 0 0" << Rows{{"A", "b"}, {"c", "D2"}};
        QTest::newRow("fuzzy as needs work, obsolete ignored")
            << "a.po"
            << header + "#, fuzzy\n" + a + "#~ msgctxt \"1:0\"\n#~ msgid \"c\"\n#~ msgstr \"C\"\n"
            << "1 0 0 0 0 0 0 1" << Rows{{"A", "b"}, {"c", "d"}};
        QTest::newRow("unknown, repeated and malformed names")
            << "a.po"
            << header +
                   "msgctxt \"2:0\"\nmsgid \"x\"\nmsgstr \"X\"\n\nmsgctxt \"0:2\"\nmsgid "
                   "\"x\"\nmsgstr \"X\"\n\nmsgctxt \"+0:0\"\nmsgid \"x\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"01:0\"\nmsgid \"x\"\nmsgstr \"X\"\n\nmsgctxt \"1:1:1\"\nmsgid "
                   "\"x\"\nmsgstr \"X\"\n\nmsgid \"a\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"0:9999999999\"\nmsgid \"x\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"4294967296:0\"\nmsgid \"x\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"1:0\"\nmsgid \"c\"\nmsgid_plural \"cs\"\nmsgstr[0] \"C\"\n"
                   "msgstr[1] \"CC\"\n\n" +
                   a + "msgctxt \"0:0\"\nmsgid \"a2\"\nmsgstr \"Z\"\n"
            << "1 0 0 0 9 0 1 0" << Rows{{"A", "b"}, {"c", "d"}};
        QTest::newRow("too long, empty, equal, not storable")
            << "a.po"
            << header +
                   "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"12345\"\n\nmsgctxt \"0:1\"\nmsgid "
                   "\"b\"\nmsgstr \"\"\n\nmsgctxt \"1:0\"\nmsgid \"c\"\nmsgstr \"c\"\n\n"
                   "msgctxt \"1:1\"\nmsgid \"d\"\nmsgstr \"Жж\"\n"
            << "0 2 0 1 0 1 0 0" << unchanged;
        QTest::newRow("xliff: inline markup, states, no target, unknown id")
            << "a.xlf"
            << QByteArray(
                   "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">"
                   "<file><body><trans-unit id=\"0:1\"><target>B<g id=\"1\">&lt;</g>&#13;"
                   "</target></trans-unit><trans-unit id=\"1:0\"><source>c</source>"
                   "</trans-unit><trans-unit id=\"7:0\"><target>Q</target></trans-unit>"
                   "<trans-unit id=\"0:0\"><target state=\"final\">A</target></trans-unit>"
                   "<trans-unit id=\"1:1\"><target state=\"needs-review-translation\">D"
                   "</target></trans-unit></body></file></xliff>")
            << "3 1 0 0 1 0 0 2" << Rows{{"A", "B<\r"}, {"c", "D"}};
        // As most tools write it: the document type only names the DTD, which is not read.
        QTest::newRow("xliff: document type naming its DTD")
            << "a.xlf"
            << "<!DOCTYPE xliff PUBLIC \"-//XLIFF//DTD XLIFF//EN\" \"xliff.dtd\">" + kXliff +
                   "<file><body><trans-unit id=\"0:0\"><target>A</target></trans-unit>"
                   "</body></file></xliff>"
            << "1 0 0 0 0 0 0 1" << Rows{{"A", "b"}, {"c", "d"}};
        // A tool's suggestions are no translations; only the unit's own target is.
        QTest::newRow("xliff: alt-trans")
            << "a.xlf"
            << kXliff +
                   "<file><body><trans-unit id=\"0:0\"><source>a</source><alt-trans>"
                   "<target>X</target></alt-trans></trans-unit><trans-unit id=\"0:1\">"
                   "<source>b</source><target>B</target><alt-trans><target>Y</target>"
                   "</alt-trans></trans-unit></body></file></xliff>"
            << "1 1 0 0 0 0 0 1" << Rows{{"a", "B"}, {"c", "d"}};
        // As translate-toolkit's po2xliff writes it: XLIFF 1.1, the PO header as a unit, ids of
        // its own, ours as locations.
        const QByteArray location =
            "<context-group name=\"po-reference\" purpose=\"location\"><context "
            "context-type=\"sourcefile\">%1</context><context context-type=\"linenumber\">%2"
            "</context></context-group>";
        QTest::newRow("xliff 1.1, locations")
            << "a.xlf"
            << "<xliff version=\"1.1\" xmlns=\"urn:oasis:names:tc:xliff:document:1.1\"><file>"
               "<body><trans-unit id=\"1\" restype=\"x-gettext-domain-header\"><source>h"
               "</source><target>h</target></trans-unit><trans-unit id=\"2\"><source>c</source>"
               "<target>C</target>" +
                   QByteArray(location).replace("%1", "1").replace("%2", "0") +
                   "</trans-unit><trans-unit id=\"3\"><source>d</source><target>D</target>" +
                   QByteArray(location).replace("%1", "t.edt").replace("%2", "2") +
                   "</trans-unit></body></file></xliff>"
            << "1 0 0 0 1 0 0 1" << Rows{{"a", "b"}, {"C", "d"}};
        QTest::newRow("reference as the name, without a context")
            << "a.po"
            << header +
                   "#: 1:1\nmsgid \"d\"\nmsgstr \"D\"\n\n#: t.edt:1\nmsgid \"a\"\nmsgstr \"A\"\n"
            << "1 0 0 0 1 0 0 0" << Rows{{"a", "b"}, {"c", "D"}};
        QTest::newRow("unterminated string")
            << "m.po" << a.chopped(3) + "\n" + a << "line 4" << unchanged;
        QTest::newRow("bad escape") << "m.po" << a + "msgctxt \"0:1\"\nmsgid \"\\q\"\nmsgstr \"\"\n"
                                    << "line 6" << unchanged;
        QTest::newRow("same entry twice") << "m.po" << a + a << "line 6" << unchanged;
        QTest::newRow("not UTF-8")
            << "m.po" << header + "msgctxt \"0:1\"\nmsgid \"b\"\nmsgstr \"\xC3(\"\n"
            << "entry 0:1" << unchanged;
        QTest::newRow("other charset")
            << "m.po"
            << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-2\\n\"\n" + a
            << "ISO-8859-2" << unchanged;
        QTest::newRow("truncated XML") << "m.xlf" << kXliff + "\n<trans-unit id=\"0:0\"><target>A"
                                       << "line 2, column" << unchanged;
        QTest::newRow("document type")
            << "m.xlf"
            << "<!DOCTYPE x [<!ENTITY e \"A\">]>\n" + kXliff + "</xliff>"
            << "line 1, column 30: its document type declaration (<!DOCTYPE>) holds "
               "declarations"
            << unchanged;
        QTest::newRow("other namespace")
            << "m.xlf" << QByteArray("<xliff xmlns=\"urn:x\" version=\"2.0\"/>")
            << "in the namespace urn:x," << unchanged;
        QTest::newRow("no namespace")
            << "m.xlf" << QByteArray("<xliff version=\"1.2\"/>") << "has no namespace" << unchanged;
        QTest::newRow("nested too deep")
            << "m.xlf"
            << kXliff + "\n<trans-unit id=\"0:0\"><target>" + QByteArray("<g>").repeated(300)
            << "line 2, column 791: elements are nested more than 256" << unchanged;
        QTest::newRow("wrong root") << "m.xlf" << QByteArray("<?xml version=\"1.0\"?>\n\n<tmx/>")
                                    << "line 3, column" << unchanged;
    }
    void import()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, counts);
        QFETCH(Rows, texts);
        QVERIFY(WriteAll(P(file), content));
        const auto document = MakeDocument(Layout(), {{"a", "b"}, {"c", "d"}});
        const QString result = Import(*document, P(file));
        QVERIFY2(result.contains(counts), qPrintable(result));
        QCOMPARE(TextsOf(*document), texts);
    }

    // A new export gets the permissions any new file gets (not a temporary file's owner-only
    // ones); a replaced one keeps the old file's; one through a link keeps the link.
    void exportPermissions()
    {
        QFile plain(P("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        const auto document = MakeDocument(Layout(), {{"a", "b"}});
        for (const QString name : {"p.po", "p.xlf"}) {
            QVERIFY(Export(*document, nullptr, name));
            QCOMPARE(QFile::permissions(P(name)), plain.permissions());
            QVERIFY(QFile::setPermissions(P(name), QFile::ReadOwner | QFile::WriteOwner));
            const QFile::Permissions ownerOnly = QFile::permissions(P(name));
            QVERIFY(Export(*document, nullptr, name));
            QCOMPARE(QFile::permissions(P(name)), ownerOnly);
            // Through a symbolic link: the file it points to is written, the link kept.
            QVERIFY(QFile::link(P("real-" + name), P("l" + name)));
            QVERIFY(Export(*document, nullptr, "l" + name));
            QVERIFY(QFileInfo(P("l" + name)).isSymLink() &&
                    QFileInfo(P("real-" + name)).size() > 0);
        }
    }

    // gettext's byte-by-byte switches, set at start, change no byte of an export and no text
    // read back, also where long lines of two-byte letters are wrapped.
    void poSwitchesChangeNothing()
    {
        static const EdtFormat wide = MakeFormat(400, {TextField("Text", 0, 200)});
        const QString words = QStringLiteral("Съешь же ещё этих мягких «булок» \"да\" выпей\\ ");
        const QStringList longTexts{words.repeated(4), u"Zażółć\tgęślą\njaźń "_qs.repeated(8),
                                    QString::fromUtf16(u"\U0001F600 ").repeated(40)};
        const auto document = MakeDocument(wide, {{longTexts[0]}, {longTexts[1]}, {longTexts[2]}});
        const auto reference = MakeDocument(wide, {{"a"}, {"b"}, {"c"}});
        std::vector<QList<QByteArray>> files;
        QStringList texts;
        for (const QString name : {"fast.po", "slow.po"}) {
            if (name == "slow.po")
                qunsetenv("OLD_PO_FILE_OUTPUT"), qunsetenv("OLD_PO_FILE_INPUT");
            const Result written = Export(*document, reference.get(), name);
            std::vector<TranslationEntry> entries;
            const Result read = ReadTranslations(P(name), TranslationFormatForPath(name), &entries);
            qputenv("OLD_PO_FILE_OUTPUT", "1"), qputenv("OLD_PO_FILE_INPUT", "1");
            QVERIFY(written && read);
            files.push_back(Entries(P(name)));
            for (const TranslationEntry& entry : entries)
                texts << entry.text;
        }
        QVERIFY(files[0].size() > 20);  // the long lines were wrapped
        QCOMPARE(files[0], files[1]);
        QCOMPARE(texts, longTexts + longTexts);
    }

    // What no read would end, or would hold up until some writer comes, is refused at once.
    void refusesWhatIsNoFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("format");
        QTest::newRow("FIFO as PO") << "fifo"
                                    << "po";
        QTest::newRow("FIFO as XLIFF") << "fifo"
                                       << "xliff";
        QTest::newRow("/dev/zero as PO") << "/dev/zero"
                                         << "po";
        QTest::newRow("a folder as XLIFF") << "."
                                           << "xliff";
    }
    void refusesWhatIsNoFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, format);
        const QString fifo = P("fifo");
        QVERIFY(QFileInfo::exists(fifo) ||
                ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const QString full = path.startsWith(u'/') ? path : P(path);
        std::vector<TranslationEntry> entries;
        const Result read = ReadTranslations(full, *TranslationFormatNamed(format), &entries);
        QVERIFY(!read);
        QCOMPARE(read.Error(),
                 full + " is not a regular file (a folder, device or pipe) and cannot be read.");
    }

    // Files made to exhaust the reader: refused within a second, and (where no sanitizer
    // reserves address space of its own) in a child whose address space grows by 100 MB at most.
    void hostileXliffRefusedQuickly_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray unit = kXliff + "<file><body><trans-unit id=\"0:0\"><target>";
        QTest::newRow("60,000 nested elements") << unit + QByteArray("<g>").repeated(60000);
        QTest::newRow("an entity used 100,000 times")
            << "<!DOCTYPE xliff [<!ENTITY e \"" + QByteArray(4000, 'x') + "\">]>" + unit +
                   QByteArray("&e;").repeated(100000) +
                   "</target></trans-unit></body></file></xliff>";
    }
    void hostileXliffRefusedQuickly()
    {
        QFETCH(QByteArray, content);
        const QString path = P("hostile.xlf");
        QVERIFY(WriteAll(path, content));
        std::vector<TranslationEntry> entries;
        const test::WorkTimer timer;
        QVERIFY(!ReadTranslations(path, *TranslationFormatNamed(u"xliff"), &entries));
        QVERIFY2(timer.Within(1000), qPrintable(QString::number(timer.Elapsed())));
#if !defined(__SANITIZE_ADDRESS__)
        QVERIFY(RunInChild([&] {
            const rlimit limit{AddressSpace() + (rlim_t{100} << 20), RLIM_INFINITY};
            std::vector<TranslationEntry> read;
            return setrlimit(RLIMIT_AS, &limit) == 0 &&
                   !ReadTranslations(path, *TranslationFormatNamed(u"xliff"), &read);
        }));
#endif
    }

    // An export that cannot be written whole fails with the system's reason, leaves the old
    // file byte for byte and no other file: under a file-size limit, and on a full file system
    // where this process may mount one of its own.
    void failedExportKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fullDisk");
        for (const char* name : {"keep.po", "keep.xlf"}) {
            QTest::addRow("%s, size limit", name) << name << false;
            QTest::addRow("%s, full disk", name) << name << true;
        }
    }
    void failedExportKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, fullDisk);
        test::Rows rows(20000, QStringList{"name", "a line of text"});
        const auto document = MakeDocument(Layout(), rows);
        const QString folder = P(name + (fullDisk ? ".disk" : ".limit"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/" + name;
        const QByteArray old = "msgid \"\"\nmsgstr \"\"\n";
        if (fullDisk && !RunInChild([&] { return MountSmallDisk(folder); }))
            QSKIP("no private mount namespace here");
        // In a child: the limit and the mount are its own.
        QVERIFY(RunInChild(
            [&] {
                if ((fullDisk && !MountSmallDisk(folder)) || !WriteAll(path, old))
                    return false;
                const Result done =
                    ExportTranslations(*document, nullptr, path, TranslationFormatForPath(path));
                return !done && done.Error().contains(qt_error_string(fullDisk ? ENOSPC : EFBIG)) &&
                       ReadAll(path) == old &&
                       QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == 1;
            },
            LONG_MAX, fullDisk ? RLIM_INFINITY : 64 << 10));
    }

    // A text a format cannot carry fails the export, leaving no file behind, and says where:
    // half a surrogate pair alike in both formats.
    void unwritableTextRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString lone =
            "In record # 1, the field \"Line\" holds half of a character (a lone "
            "surrogate, U+D83D), which no translation file can carry; correct "
            "the text and export again.";
        QTest::newRow("control character, XLIFF")
            << "c.xlf"
            << "b\x01"
            << "In record # 1, the field \"Line\" holds a character XLIFF cannot carry (U+0001); "
               "export the texts as PO instead.";
        for (const char* file : {"c.po", "c.xlf"})
            QTest::addRow("lone surrogate, %s", file)
                << file << QString(QChar(0xD83D)) + "x" << lone;
    }
    void unwritableTextRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(QString, error);
        const auto document = MakeDocument(Layout(), {{"a", "b"}, {"a", text}});
        const Result done = Export(*document, nullptr, file);
        QCOMPARE(done.Error(), error);
        QVERIFY(QDir(dir_.path()).entryList({file + "*"}).isEmpty());
    }

    // The XLIFF names the languages (never "und", which tells a tool nothing) and gives each
    // field's limit in a unit that is exact for the encoding: characters where each is one unit,
    // bytes of UTF-16 in Unicode, where an emoji takes two units.
    void xliffLanguagesAndLimits_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("limit");
        const QString emoji = QString::fromUtf16(u"\U0001F600");
        QTest::newRow("English") << int(kEncodingEnglish) << "Hello"
                                 << "en"
                                 << "12\" size-unit=\"char";
        QTest::newRow("Unicode, Cyrillic") << int(kEncodingUnicode) << u"Жук и Hi"_qs << "ru"
                                           << "24\" size-unit=\"byte";
        QTest::newRow("Unicode, Polish") << int(kEncodingUnicode) << u"Zażółć"_qs << "pl"
                                         << "24\" size-unit=\"byte";
        QTest::newRow("Unicode, emoji") << int(kEncodingUnicode) << emoji.repeated(6) << "en"
                                        << "24\" size-unit=\"byte";
    }
    void xliffLanguagesAndLimits()
    {
        QFETCH(int, encoding);
        QFETCH(QString, text);
        QFETCH(QString, language);
        QFETCH(QString, limit);
        const auto document = MakeDocument(Layout(), {{"a", text}});
        document->SetEncoding(encoding);
        QVERIFY(Export(*document, document.get(), "l.xlf"));
        const QString xml = QString::fromUtf8(ReadAll(P("l.xlf")));
        QVERIFY2(xml.contains("source-language=\"" + language + "\" target-language=\"" + language),
                 qPrintable(xml));
        QVERIFY2(xml.contains("<trans-unit id=\"0:1\" maxwidth=\"" + limit), qPrintable(xml));
        // Six emoji fill the 12 units (24 bytes) of the field; a seventh is too long.
        const QString emoji = QString::fromUtf16(u"\U0001F600");
        if (text.startsWith(emoji)) {
            const QByteArray source = "<source>" + text.toUtf8() + "</source>";
            QVERIFY(WriteAll(
                P("e.xlf"),
                xml.toUtf8().replace(
                    source, source + "<target>" + emoji.repeated(7).toUtf8() + "</target>")));
            QCOMPARE(Import(*document, P("e.xlf")), "0 1 0 1 0 0 0 0");
        }
    }

    // What lconvert and translate-toolkit make of our XLIFF imports every translation (none held
    // back as a draft to review). A step is the program and its arguments, %1 for the file
    // before and %2 for the one it writes, then that file's name. (msgfmt --check: GoldenTest.)
    void otherTools_data()
    {
        QTest::addColumn<QList<QStringList>>("steps");
        const QStringList lconvert{QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lconvert",
                                   "-i", "%1", "-o", "%2"};
        QTest::newRow("lconvert") << QList<QStringList>{lconvert + QStringList{"l.xlf"}};
        const QStringList xliff2po{"xliff2po", "--progress=none", "%1", "%2", "x.po"};
        QTest::newRow("xliff2po") << QList<QStringList>{xliff2po};
        QTest::newRow("xliff2po, po2xliff")
            << QList<QStringList>{xliff2po, {"po2xliff", "--progress=none", "%1", "%2", "x.xlf"}};
    }
    void otherTools()
    {
        QFETCH(QList<QStringList>, steps);
        const QString emoji = QString::fromUtf16(u"\U0001F600");
        const Rows sources{{"Lamp", "Hello"}, {"Ann", "Tab\tend\n"}, {"Cup", emoji + " ok"}};
        const Rows translations{
            {"Lamp", "Hallo"}, {"Anna", "Tab\tEnde\n"}, {"Cup", emoji + " gut"}};
        const auto reference = MakeDocument(Layout(), sources);
        const auto translated = MakeDocument(Layout(), translations);
        QVERIFY(Export(*translated, reference.get(), "t.xlf"));
        QString path = P("t.xlf");
        for (QStringList step : steps) {
            if (QStandardPaths::findExecutable(step[0]).isEmpty())
                QSKIP(qPrintable(step[0] + " is not installed"));
            const QString out = P(step.takeLast());
            step.replaceInStrings("%1", path).replaceInStrings("%2", out);
            const ToolRun run = RunTool(step.takeFirst(), step);
            QVERIFY2(run.code == 0, qPrintable(run.err));
            path = out;
        }
        const auto target = MakeDocument(Layout(), sources);
        target->SetEncoding(kEncodingUnicode);
        QCOMPARE(Import(*target, path).section(u' ', 0, 0), "4");
        QCOMPARE(TextsOf(*target), translations);
    }
    // States and comments go out and come back as each format can carry them (PO has no
    // approval), and the files still pass msgfmt --check and the strict schema.
    void statesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("approvals");
        QTest::addColumn<QStringList>("check");  // the program and its arguments before the file
        QTest::newRow("po") << "s.po" << false
                            << QStringList{"msgfmt", "--check", "-o", "/dev/null"};
        QTest::newRow("xliff") << "s.xlf" << true
                               << QStringList{"xmllint", "--noout", "--schema",
                                              SCRIVLET_XLIFF_STRICT_XSD};
    }
    void statesRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(bool, approvals);
        QFETCH(QStringList, check);
        const auto reference = MakeDocument(Layout(), {{"Lamp", "Hello"}, {"Ann", "Bye"}});
        const auto translation =
            MakeDocument(Layout(), {{"Lampe", "Hallo"}, {"Anna", u"Tschüss"_qs}});
        FieldStates states(*translation);
        states.Set(0, 0,
                   states.Stamped(0, 0, StoredState::NeedsWork, u"Lampe or Leuchte?\nAsk"_qs));
        states.Set(0, 1, states.Stamped(0, 1, StoredState::Approved, {}));
        states.Set(1, 0, states.Stamped(1, 0, StoredState::None, u"a name"_qs));
        const TranslationFileFormat& format = TranslationFormatForPath(name);
        QVERIFY(ExportTranslations(*translation, reference.get(), P(name), format, nullptr, {},
                                   &states));
        std::vector<TranslationEntry> entries;
        QVERIFY(ReadTranslations(P(name), format, &entries));
        ImportPlan plan;
        QVERIFY(PlanImport(*translation, entries, false, &plan));
        QCOMPARE(plan.report.count[ImportReport::NeedsWork], 1);
        FieldStates back(*translation);
        back.Restore(MergeNotes({}, plan.notes));
        for (int record = 0; record < 2; ++record) {
            for (int field = 0; field < 2; ++field) {
                const StoredState was = states.StateAt(record, field);
                QCOMPARE(back.StateAt(record, field),
                         was == StoredState::Approved && !approvals ? StoredState::None : was);
                const FieldNote* note = back.At(record, field);
                QCOMPARE(note ? note->comment : QString(),
                         states.At(record, field) ? states.At(record, field)->comment : QString());
            }
        }
        if (QStandardPaths::findExecutable(check[0]).isEmpty() ||
            (check[0] == "xmllint" && !QFileInfo::exists(check.last())))
            QSKIP("the checking program or the schema is missing");
        const ToolRun run = RunTool(check.takeFirst(), check << P(name));
        QVERIFY2(run.code == 0, qPrintable(run.err));
    }

    // The exports of the golden document with its original, of the memory made from the pair
    // and of a glossary, byte for byte; read back, each gives what was written.
    void golden_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"dialog.po", "dialog.xlf", "memory.tmx", "glossary.csv"})
            QTest::newRow(name) << name;
    }
    void golden()
    {
        QFETCH(QString, name);
        auto original = MakeDocument(GoldenLayout(), kOriginal);
        const auto translation = MakeDocument(GoldenLayout(), kTranslation);
        translation->SetPath("dialog.edt");
        translation->SetEncoding(kEncodingUnicode);
        const QString path = P(name);
        if (name.startsWith("dialog")) {
            QVERIFY(Export(*translation, original.get(), name));
            CompareGolden(ReadAll(path), name);
            original->SetEncoding(kEncodingUnicode);  // it must store every character read
            Import(*original, Golden(name), true);
            QCOMPARE(TextsOf(*original), kTranslation);
        } else if (name == "memory.tmx") {
            std::unique_ptr<TranslationMemory> memory;
            MemoryCounts counts;
            qint64 written = 0, leftOut = 0;
            QVERIFY(OpenMemory(P("tm.db"), &memory));
            QVERIFY(ImportDocumentPair(*memory, {"en", "de"}, *original, *translation, "dialog.edt",
                                       &counts));
            QVERIFY(ExportMemory(*memory, path, &written, &leftOut));
            CompareGolden(ReadAll(path), name);
        } else {
            // Quoted where a field holds a comma, a quote or a line break; a line per target.
            CompareGolden(GlossaryCsv({{"Lamp", {"Lampe", "Leuchte"}, "a light, not a lantern"},
                                       {"Say \"hi\"", {"Sag \"hi\"\nzweizeilig"}, ""},
                                       {u"Жук"_qs, {u"Käfer"_qs}, u"насекомое\r\nи всё"_qs}}),
                          name);
            ProjectFile project;
            GlossaryImport counts;
            qint64 exported = 0;
            QVERIFY(project.Create(P("g.scrivlet"), {"en", "de", 0, 0}));
            QVERIFY(ImportProjectGlossary(project, Golden(name), &counts));
            QVERIFY(ExportProjectGlossary(project, path, &exported));
            QCOMPARE(ReadAll(path), ReadAll(Golden(name)));
        }
    }

    // The golden files as gettext and the OASIS schemas (beside the repository) take them.
    void goldenForOtherTools_data()
    {
        QTest::addColumn<QStringList>("command");  // the program, its arguments, the file
        QTest::newRow("msgfmt --check")
            << QStringList{"msgfmt", "--check", "-o", "/dev/null", Golden("dialog.po")};
        for (const char* schema : {SCRIVLET_XLIFF_STRICT_XSD, SCRIVLET_XLIFF_TRANSITIONAL_XSD})
            QTest::addRow("%s", qPrintable(QFileInfo(schema).fileName()))
                << QStringList{"xmllint", "--noout", "--schema", schema, Golden("dialog.xlf")};
    }
    void goldenForOtherTools()
    {
        QFETCH(QStringList, command);
        if (QStandardPaths::findExecutable(command[0]).isEmpty() ||
            !QFileInfo::exists(command[command.size() - 2]))
            QSKIP(qPrintable(command.join(u' ') + ": the program or a file is missing"));
        const ToolRun run = RunTool(command.takeFirst(), command);
        QVERIFY2(run.code == 0, qPrintable(run.err));
    }
};

SCRIVLET_TEST(ExchangeTest);
#include "test_exchange.moc"
