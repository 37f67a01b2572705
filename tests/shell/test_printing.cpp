#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "grid/GridModel.h"
#include "shell/DocumentCommands.h"
#include "shell/Printing.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// Records "rec00000", ... with the note "note"; the reference has "ref00000", ...; a record
// given as a long text holds it in its name instead.
struct PrintFixture {
    std::unique_ptr<EdtDocument> document;
    std::unique_ptr<EdtDocument> reference;
    std::unique_ptr<GridModel> model;

    PrintFixture(int records, bool withReference, const QString& longText = QString())
    {
        const EdtFormat format =
            MakeFormat(60, {LabelField("Id", {"lab-a"}), TextField("Name", 0, 40, 260),
                            TextField("Note", 40, 20, -1)});
        Rows rows, referenceRows;
        for (int r = 0; r < records; ++r) {
            rows << QStringList{QStringLiteral("rec%1").arg(r, 5, 10, QChar(u'0')),
                                QStringLiteral("note")};
            referenceRows << QStringList{QStringLiteral("ref%1").arg(r, 5, 10, QChar(u'0'))};
        }
        if (!longText.isEmpty())
            rows[0][0] = longText;
        document = MakeDocument(format, rows);
        reference = MakeDocument(format, referenceRows);
        model = std::make_unique<GridModel>(document.get());
        if (withReference)
            model->SetReference(reference.get());
    }
    PrintSource Source() const { return {model.get(), {}, QStringLiteral("doc.edt")}; }
};

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString PdfText(const QString& path)
{
    return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

// A field of pdfinfo's report ("Pages", "Title").
QString PdfInfo(const QString& path, const QString& field)
{
    const QRegularExpression line(u"^"_qs + field + u":\\s*(.*)$"_qs,
                                  QRegularExpression::MultilineOption);
    return line.match(Run(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}

}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        SetUiLanguage(UiLanguage::English);
        QVERIFY(dir_.isValid());
    }

    // The grid as the view shows it, long texts wrapped whole into their cells.
    void showsTheGrid_data()
    {
        QTest::addColumn<bool>("withReference");
        QTest::addColumn<QString>("longText");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("reference")
            << true << QString()
            << QStringList{"doc.edt",  "Page 1 of 1", "Name (reference)", "lab-a", "rec00001",
                           "ref00002", "note"}
            << QStringList{};
        QTest::newRow("no reference")
            << false << QString() << QStringList{"Id", "Name", "rec00002", "Page 1 of 1"}
            << QStringList{"(reference)", "ref0000"};
        QTest::newRow("words wrap") << true << QStringList(40, u"word"_qs).join(u' ') + u" last"_qs
                                    << QStringList{"last", "rec00001"} << QStringList{};
    }
    void showsTheGrid()
    {
        QFETCH(bool, withReference);
        QFETCH(QString, longText);
        const PrintFixture fixture(3, withReference, longText);
        const QString path = dir_.filePath(QStringLiteral("grid.pdf"));
        QVERIFY(ExportPdf(fixture.Source(), path,
                          QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, {})));
        const QString text = PdfText(path);
        QFETCH(QStringList, present);
        for (const QString& part : present)
            QVERIFY2(text.contains(part), qPrintable(part + u"\n"_qs + text));
        QFETCH(QStringList, absent);
        for (const QString& part : absent)
            QVERIFY2(!text.contains(part), qPrintable(part));
        if (!longText.isEmpty())
            QCOMPARE(text.count(u"word"_qs), 40);
    }

    // A word longer than its cell breaks inside, losing no letter; a layout that is no layout
    // leaves the writer's paper.
    void longWordBreaks()
    {
        const PrintFixture fixture(1, false, QString(300, u'Z'));
        const QString path = dir_.filePath(QStringLiteral("word.pdf"));
        QVERIFY(ExportPdf(fixture.Source(), path, QPageLayout()));
        const QString text = PdfText(path);
        QVERIFY2(text.count(u'Z') == 300, qPrintable(text));
        QVERIFY(text.count(u'\n') > 3);
    }

    // Every record on exactly one page, in order, with the page count in each header; a
    // printer's page range prints only those pages, numbered as in the whole.
    void pages_data()
    {
        QTest::addColumn<int>("fromPage");
        QTest::addColumn<int>("toPage");
        QTest::newRow("all") << 0 << 0;
        QTest::newRow("range") << 2 << 3;
    }
    void pages()
    {
        QFETCH(int, fromPage);
        QFETCH(int, toPage);
        constexpr int kRecords = 2000;
        const PrintFixture fixture(kRecords, true);
        const QString path = dir_.filePath(QStringLiteral("pages.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const int count = PrintGrid(fixture.Source(), printer, fromPage, toPage);
        // 9-point rows on A4: between 20 and 120 a page.
        QVERIFY2(count >= kRecords / 120 && count <= kRecords / 20,
                 qPrintable(QString::number(count)));
        const int first = fromPage > 0 ? fromPage : 1;
        const int last = toPage > 0 ? toPage : count;
        QCOMPARE(PdfInfo(path, u"Pages"_qs).toInt(), last - first + 1);

        const QString text = PdfText(path);
        QList<int> records;
        for (const QRegularExpressionMatch& match :
             QRegularExpression(u"rec(\\d{5})"_qs).globalMatch(text))
            records << match.captured(1).toInt();
        QVERIFY(!records.isEmpty());
        for (int k = 1; k < records.size(); ++k)
            QCOMPARE(records[k], records[k - 1] + 1);
        QCOMPARE(records.first() == 0, first == 1);
        QCOMPARE(records.last() == kRecords - 1, last == count);
        for (int page = 1; page <= count; ++page) {
            const QString header = QStringLiteral("Page %1 of %2").arg(page).arg(count);
            QCOMPARE(text.contains(header), page >= first && page <= last);
        }
    }

    // The file dialog starts beside the document with its name; the PDF's title is the
    // document's; a file that cannot be written is reported with its path.
    void exportCommand_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("written");
        QTest::newRow("written") << "out.pdf" << true;
        QTest::newRow("missing folder") << "missing/out.pdf" << false;
    }
    void exportCommand()
    {
        QFETCH(QString, target);
        QFETCH(bool, written);
        const PrintFixture fixture(2, false);
        ScriptedHost host;
        const QString path = dir_.filePath(target);
        host.QueueFiles({path});
        PrintCommands commands(nullptr);
        commands.ExportPdf(host, fixture.Source(), dir_.filePath(QStringLiteral("doc.edt")));
        QVERIFY(host.Drained());
        QCOMPARE(QFileInfo(host.fileRequests.first().start).fileName(), u"doc.pdf"_qs);
        QCOMPARE(QFile::exists(path), written);
        if (written) {
            QCOMPARE(PdfInfo(path, u"Title"_qs), u"doc.edt"_qs);
            QVERIFY(host.questions.isEmpty());
        } else {
            QCOMPARE(host.questions.size(), 1);
            QVERIFY2(host.questions.first().contains(QDir::toNativeSeparators(path)),
                     qPrintable(host.questions.first()));
        }
    }

    // From the File menu: a document never saved is named by its tab.
    void exportFromTheFrame()
    {
        ShellEnvironment environment;
        environment.Reset();
        MainFrame frame;
        ScriptedHost host;
        frame.Commands().SetDialogHost(&host);
        AddDocument(frame, {{"alpha"}, {"beta"}}, 8, u"Untitled 1"_qs);
        frame.UpdateUi();
        const QString path = environment.Path(u"out.pdf"_qs);
        host.QueueFiles({path});
        frame.Action(Command::ExportPdf)->trigger();
        QVERIFY(host.Drained());
        QCOMPARE(PdfInfo(path, u"Title"_qs), u"Untitled 1"_qs);
        QVERIFY(PdfText(path).contains(u"beta"_qs));
    }
};

SCRIVLET_TEST(TestPrinting);
#include "test_printing.moc"
