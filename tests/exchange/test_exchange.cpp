#include "TestDocument.h"
#include "TestRegistry.h"
#include "documents/Encodings.h"
#include "exchange/Exchange.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Translation files written and read back, and files as other tools leave them.

using namespace scrivlet;
using namespace scrivlet::test;

Q_DECLARE_METATYPE(scrivlet::ExchangeFormat)

namespace {

// Two text fields: Name of 4 units, Line of 12.
const EdtFormat& Layout()
{
    static const EdtFormat format =
        MakeFormat(16, {LabelField("No."), TextField("Name", 0, 4), TextField("Line", 4, 12)});
    return format;
}

QByteArray Counts(const ImportReport& report)
{
    QByteArray out;
    for (int count : report.count)
        out += QByteArray::number(count) + ' ';
    return out.trimmed();
}

}  // namespace

class ExchangeTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString P(const QString& name) const { return dir_.filePath(name); }

    bool Write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(P(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    // Reads path into entries, plans the import into document and carries it out.
    ImportReport Import(EdtDocument& document, const QString& path, bool includeFuzzy = false)
    {
        std::vector<TranslationEntry> entries;
        const Result read = ReadTranslations(path, ExchangeFormatFromPath(path), &entries);
        ImportPlan plan;
        if (!read || !PlanImport(document, entries, includeFuzzy, &plan)) {
            qWarning() << read.Error();
            plan.report.count[ImportReport::Unknown] = -1;
        }
        document.ExchangeTexts(plan.changes);
        return plan.report;
    }

private slots:
    // The reference holds the sources, the document the translations: an export of both, read
    // into a copy of the reference, gives the document's texts back; a template export changes
    // nothing.
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
    }
    void roundTrip()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, translations);
        const auto reference = MakeDocument(Layout(), {sources, {}});
        const auto translated = MakeDocument(Layout(), {translations, {}});
        const QString path = P(file);
        QVERIFY(
            ExportTranslations(*translated, reference.get(), path, ExchangeFormatFromPath(path)));
        const auto target = MakeDocument(Layout(), {sources, {}});
        Import(*target, path);
        // A field with an empty source has no entry and keeps its text.
        QStringList expected = translations;
        for (int k = 0; k < sources.size(); ++k) {
            if (sources[k].isEmpty())
                expected[k] = sources[k];
        }
        QCOMPARE(TextsOf(*target), (Rows{expected, {"", ""}}));

        QVERIFY(ExportTranslations(*translated, nullptr, path, ExchangeFormatFromPath(path)));
        const ImportReport report = Import(*translated, path);
        QCOMPARE(report.count[ImportReport::Imported], 0);
        QCOMPARE(TextsOf(*translated), (Rows{translations, {"", ""}}));
    }

    // Hand-written PO and XLIFF files as other tools leave them, read into a document of two
    // records ("a" "b" / "c" "d"), English.
    void import_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("includeFuzzy");
        // imported unchanged fuzzy too-long unknown not-storable
        QTest::addColumn<QByteArray>("counts");
        QTest::addColumn<Rows>("texts");
        const QByteArray header =
            "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
        QTest::newRow("reordered, wrapped, commented")
            << "a.po"
            << header +
                   "# translator's note\nmsgctxt \"1:1\"\nmsgid \"d\"\nmsgstr "
                   "\"\"\n\"D\"\n\"2\"\n\n"
                   "#: elsewhere:9\nmsgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"A1\"\n"
            << false << QByteArray("2 0 0 0 0 0") << Rows{{"A1", "b"}, {"c", "D2"}};
        QTest::newRow("fuzzy skipped, obsolete ignored")
            << "a.po"
            << header +
                   "#, fuzzy\nmsgctxt \"0:1\"\nmsgid \"b\"\nmsgstr \"B\"\n\n"
                   "#~ msgctxt \"1:0\"\n#~ msgid \"c\"\n#~ msgstr \"C\"\n"
            << false << QByteArray("0 0 1 0 0 0") << Rows{{"a", "b"}, {"c", "d"}};
        QTest::newRow("fuzzy included")
            << "a.po" << header + "#, fuzzy\nmsgctxt \"0:1\"\nmsgid \"b\"\nmsgstr \"B\"\n"
            << true << QByteArray("1 0 0 0 0 0") << Rows{{"a", "B"}, {"c", "d"}};
        QTest::newRow("unknown, repeated and malformed names")
            << "a.po"
            << header +
                   "msgctxt \"2:0\"\nmsgid \"x\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"0:2\"\nmsgid \"x\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"+0:0\"\nmsgid \"x\"\nmsgstr \"X\"\n\n"
                   "msgid \"a\"\nmsgstr \"X\"\n\n"
                   "msgctxt \"1:0\"\nmsgid \"c\"\nmsgstr \"C\"\n\n"
                   "msgctxt \"1:0\"\nmsgid \"c2\"\nmsgstr \"Z\"\n"
            << false << QByteArray("1 0 0 0 5 0") << Rows{{"a", "b"}, {"C", "d"}};
        QTest::newRow("too long, empty, equal, not storable")
            << "a.po"
            << header +
                   "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"12345\"\n\n"
                   "msgctxt \"0:1\"\nmsgid \"b\"\nmsgstr \"\"\n\n"
                   "msgctxt \"1:0\"\nmsgid \"c\"\nmsgstr \"c\"\n\n"
                   "msgctxt \"1:1\"\nmsgid \"d\"\nmsgstr \"Жж\"\n"
            << false << QByteArray("1 2 0 1 0 1") << Rows{{"a", "b"}, {"c", "Жж"}};
        QTest::newRow("xliff: inline markup, no target, unknown id")
            << "a.xlf"
            << QByteArray(
                   "<?xml version=\"1.0\"?>\n<xliff version=\"1.2\" "
                   "xmlns=\"urn:oasis:names:tc:xliff:document:1.2\"><file><body>"
                   "<trans-unit id=\"0:1\"><source>b</source><target>B<g id=\"1\">&lt;"
                   "</g>&#13;</target></trans-unit>"
                   "<trans-unit id=\"1:0\"><source>c</source></trans-unit>"
                   "<trans-unit id=\"7:0\"><target>Q</target></trans-unit>"
                   "</body></file></xliff>")
            << false << QByteArray("1 1 0 0 1 0") << Rows{{"a", "B<\r"}, {"c", "d"}};
    }
    void import()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, includeFuzzy);
        QFETCH(QByteArray, counts);
        QFETCH(Rows, texts);
        QVERIFY(Write(file, content));
        const auto document = MakeDocument(Layout(), {{"a", "b"}, {"c", "d"}});
        QCOMPARE(Counts(Import(*document, P(file), includeFuzzy)), counts);
        QCOMPARE(TextsOf(*document), texts);
    }

    // A malformed file is refused as a whole, naming where it goes wrong.
    void malformed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("where");
        QTest::newRow("unterminated string")
            << "m.po" << QByteArray("msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"A\n") << "line 4";
        QTest::newRow("bad escape") << "m.po"
                                    << QByteArray(
                                           "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"A\"\n\nmsgctxt "
                                           "\"0:1\"\nmsgid \"\\q\"\nmsgstr \"B\"\n")
                                    << "line 6";
        QTest::newRow("same entry twice")
            << "m.po"
            << QByteArray(
                   "msgctxt \"0:0\"\nmsgid \"a\"\nmsgstr \"A\"\n\nmsgctxt \"0:0\"\nmsgid "
                   "\"a\"\nmsgstr \"B\"\n")
            << "line 6";
        QTest::newRow("other charset")
            << "m.po"
            << QByteArray(
                   "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-2\\n\"\n")
            << "ISO-8859-2";
        QTest::newRow("missing file") << "none.po" << QByteArray() << "PO";
        QTest::newRow("truncated XML")
            << "m.xlf"
            << QByteArray("<xliff version=\"1.2\"><file><body>\n<trans-unit id=\"0:0\"><target>A")
            << "line 2, column";
        QTest::newRow("wrong root")
            << "m.xlf" << QByteArray("<?xml version=\"1.0\"?>\n\n<tmx/>") << "line 3, column";
    }
    void malformed()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, where);
        if (!content.isEmpty())
            QVERIFY(Write(file, content));
        std::vector<TranslationEntry> entries;
        const Result read = ReadTranslations(P(file), ExchangeFormatFromPath(file), &entries);
        QVERIFY(!read);
        QVERIFY2(read.Error().contains(where), qPrintable(read.Error()));
    }
};

SCRIVLET_TEST(ExchangeTest);
#include "test_exchange.moc"
