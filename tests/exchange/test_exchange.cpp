#include "TestDocument.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "documents/Encodings.h"
#include "exchange/Exchange.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

// Translation files written and read back, and files as other tools leave them.

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

// The address space this process uses now, from /proc/self/statm (pages).
rlim_t AddressSpace()
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
    // unknown not-storable duplicate), or why the file was refused.
    QString Import(EdtDocument& document, const QString& path, bool includeFuzzy = false)
    {
        std::vector<TranslationEntry> entries;
        ImportPlan plan;
        const Result read = ReadTranslations(path, TranslationFormatForPath(path), &entries);
        if (!read || !PlanImport(document, entries, includeFuzzy, &plan))
            return read.Error();
        document.ExchangeTexts(plan.changes);
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
        QTest::newRow("po") << "a/t.po" << "po";
        QTest::newRow("xlf") << "t.xlf" << "xliff";
        QTest::newRow("xliff upper case") << "t.XLIFF" << "xliff";
        QTest::newRow("other") << "t.xlf.txt" << "po";
    }
    void formatForPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, format);
        QCOMPARE(TranslationFormatForPath(path).Name(), format);
        QCOMPARE(TranslationFormatNamed(format), &TranslationFormatForPath(path));
    }

    // The reference holds the sources, the document the translations: an export of both, read
    // into a copy of the reference with the fuzzy entries (a PO export marks some), gives the
    // document's texts back; a template export changes nothing.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("translations");
        const QString surrogates = QString::fromUtf16(u"\U0001F600x");
        for (const QString file : {"t.po", "t.xlf"}) {
            auto row = [&](const char* name) {
                return std::ref(QTest::addRow("%s %s", qPrintable(file), name) << file);
            };
            row("quotes, backslashes")
                << QStringList{"a\"b", "c\\d\\n\\"} << QStringList{"\"\"", "\\\\\"x\""};
            row("tabs, line breaks")
                << QStringList{"\t", "a\nb\r\nc\n"} << QStringList{"x\ty\r", "\n\n lead \r\n"};
            row("Cyrillic, Polish")
                << QStringList{"Ёж", "Zażółć gęślą"} << QStringList{"Жёлт", "Съешь же ещё"};
            row("surrogate pairs") << QStringList{surrogates, surrogates + surrogates}
                                   << QStringList{"a" + surrogates, "\U0001F9E1"};
            row("empty source, empty translation")
                << QStringList{"", "same"} << QStringList{"new", "same"};
        }
        // A lone surrogate ending a source, which UTF-8 cannot carry, reaches no other text.
        QTest::newRow("t.po lone surrogate")
            << QString("t.po") << QStringList{QString(QChar(0xD83D)), "b"} << QStringList{"x", "cd"};
    }
    void roundTrip()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, translations);
        const auto reference = MakeDocument(Layout(), {sources, {}});
        const auto translated = MakeDocument(Layout(), {translations, {}});
        const QString path = P(file);
        QVERIFY(Export(*translated, reference.get(), file));
        const auto target = MakeDocument(Layout(), {sources, {}});
        Import(*target, path, true);
        // A field with an empty source has no entry and keeps its text.
        QStringList expected = translations;
        for (int k = 0; k < sources.size(); ++k) {
            if (sources[k].isEmpty())
                expected[k] = sources[k];
        }
        QCOMPARE(TextsOf(*target), (Rows{expected, {"", ""}}));

        QVERIFY(Export(*translated, nullptr, file));
        QVERIFY(Import(*translated, path).startsWith(u'0'));
        QCOMPARE(TextsOf(*translated), (Rows{translations, {"", ""}}));
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
            << "2 0 0 0 0 0 0" << Rows{{"A", "b"}, {"c", "D2"}};
        QTest::newRow("fuzzy skipped, obsolete ignored")
            << "a.po"
            << header + "#, fuzzy\n" + a + "#~ msgctxt \"1:0\"\n#~ msgid \"c\"\n#~ msgstr \"C\"\n"
            << "0 0 1 0 0 0 0" << unchanged;
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
            << "1 0 0 0 9 0 1" << Rows{{"A", "b"}, {"c", "d"}};
        QTest::newRow("too long, empty, equal, not storable")
            << "a.po"
            << header +
                   "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"12345\"\n\nmsgctxt \"0:1\"\nmsgid "
                   "\"b\"\nmsgstr \"\"\n\nmsgctxt \"1:0\"\nmsgid \"c\"\nmsgstr \"c\"\n\n"
                   "msgctxt \"1:1\"\nmsgid \"d\"\nmsgstr \"Жж\"\n"
            << "1 2 0 1 0 1 0" << Rows{{"a", "b"}, {"c", "Жж"}};
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
            << "2 1 1 0 1 0 0" << Rows{{"A", "B<\r"}, {"c", "d"}};
        QTest::newRow("unterminated string")
            << "m.po" << a.chopped(3) + "\n" + a << "line 4" << unchanged;
        QTest::newRow("bad escape") << "m.po" << a + "msgctxt \"0:1\"\nmsgid \"\\q\"\nmsgstr \"\"\n"
                                    << "line 6" << unchanged;
        QTest::newRow("same entry twice") << "m.po" << a + a << "line 6" << unchanged;
        QTest::newRow("not UTF-8") << "m.po" << header + "msgctxt \"0:1\"\nmsgid \"b\"\nmsgstr \"\xC3(\"\n"
                                   << "entry 0:1" << unchanged;
        QTest::newRow("other charset")
            << "m.po"
            << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-2\\n\"\n" + a
            << "ISO-8859-2" << unchanged;
        QTest::newRow("truncated XML")
            << "m.xlf"
            << kXliff + "\n<trans-unit id=\"0:0\"><target>A" << "line 2, column" << unchanged;
        QTest::newRow("document type")
            << "m.xlf" << "<!DOCTYPE x [<!ENTITY e \"A\">]>\n" + kXliff + "</xliff>"
            << "line 1, column 30: it holds a document type declaration" << unchanged;
        QTest::newRow("other namespace")
            << "m.xlf" << QByteArray("<xliff xmlns=\"urn:x\" version=\"2.0\"/>")
            << "in the namespace urn:x," << unchanged;
        QTest::newRow("no namespace") << "m.xlf" << QByteArray("<xliff version=\"1.2\"/>")
                                      << "has no namespace" << unchanged;
        QTest::newRow("nested too deep")
            << "m.xlf" << kXliff + "\n<trans-unit id=\"0:0\"><target>" + QByteArray("<g>").repeated(300)
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
            QVERIFY(QFileInfo(P("l" + name)).isSymLink() && QFileInfo(P("real-" + name)).size() > 0);
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
        QTest::newRow("FIFO as PO") << "fifo" << "po";
        QTest::newRow("FIFO as XLIFF") << "fifo" << "xliff";
        QTest::newRow("/dev/zero as PO") << "/dev/zero" << "po";
        QTest::newRow("a folder as XLIFF") << "." << "xliff";
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
        QCOMPARE(read.Error(), full + " is not a regular file (a folder, device or pipe) and cannot be read.");
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
                   QByteArray("&e;").repeated(100000) + "</target></trans-unit></body></file></xliff>";
    }
    void hostileXliffRefusedQuickly()
    {
        QFETCH(QByteArray, content);
        const QString path = P("hostile.xlf");
        QVERIFY(WriteAll(path, content));
        std::vector<TranslationEntry> entries;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!ReadTranslations(path, *TranslationFormatNamed(u"xliff"), &entries));
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
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

    // A control character XML cannot hold fails the export, leaving no file behind.
    void xliffRefusesControlCharacters()
    {
        const auto document = MakeDocument(Layout(), {{"a", "b"}, {"a", QStringLiteral("b\x01")}});
        QCOMPARE(Export(*document, nullptr, "c.xlf").Error(),
                 "Record # 1, field Line holds a character XLIFF cannot carry (U+0001); export the "
                 "texts as PO instead.");
        QVERIFY(QDir(dir_.path()).entryList({"c.xlf*"}).isEmpty());
    }
};

SCRIVLET_TEST(ExchangeTest);
#include "test_exchange.moc"
