#include "FormatCatalogue.h"
#include "GridView.h"
#include "InplaceEdit.h"
#include "RecordGrid.h"
#include "TestRegistry.h"
#include "UiText.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <memory>

using namespace scrivlet;

namespace {

constexpr int kNameSize = 40;

int ViewFormat()
{
    static int index = -1;
    if (index >= 0)
        return index;
    EdtFormat format;
    format.name = QStringLiteral("view test");
    format.recordLength = 100;
    auto field = [](const char* caption, int type, int width, int size) {
        FieldDef f;
        f.caption = QString::fromLatin1(caption);
        f.type = type;
        f.width = width;
        f.size = size;
        return f;
    };
    format.fields[0] = field("Id", kLabelField, 60, 0);
    format.fields[1] = field("Name", kTextField, 260, kNameSize);
    format.fields[2] = field("Note", kTextField, -1, 20);
    GlobalCatalogue().Append(format);
    index = GlobalCatalogue().Count() - 1;
    return index;
}

// A document grid as the codec fills it, shown in a main window with a status bar.
struct Fixture {
    QMainWindow window;
    GridView* view = nullptr;
    RecordGrid* grid = nullptr;

    explicit Fixture(int records, const QString& name = QString())
    {
        grid = new RecordGrid;
        grid->SetFormatIndex(ViewFormat());
        grid->SetCellFontFamily(DocumentFontFamily());
        grid->InsertColumn(0, QStringLiteral("Id"), 60);
        grid->InsertColumn(1, QStringLiteral("Name"), 260);
        grid->InsertColumn(2, QStringLiteral("Note"), -1);
        for (int r = 0; r < records; ++r) {
            grid->InsertRecordRow(-1, CreateLabelCell(QStringLiteral("# %1").arg(r)));
            grid->SetCell(r, 1,
                          CreateTextCell(name.isNull() ? QStringLiteral("name %1").arg(r) : name));
            grid->SetCell(r, 2, CreateTextCell(QStringLiteral("note %1").arg(r)));
        }
        grid->AppendAddRow();
        grid->SetModeFlags(kDocumentGridModes);
        grid->SetModified(false);
        grid->RefreshAppearance();
        view = new GridView(grid, &window);
        window.setCentralWidget(view);
        window.setStatusBar(new QStatusBar);
        GridView::SetStatusBar(window.statusBar());
        window.resize(520, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        view->setFocus();
    }
    ~Fixture() { GridView::SetStatusBar(nullptr); }

    QPoint Centre(int row, int column) const { return view->GetCellRect(row, column).center(); }
    void Click(int row, int column)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, Centre(row, column));
    }
    QString Text(int row, int column) const
    {
        QVariant value;
        GridCell* cell = grid->CellAt(row, column);
        return cell && cell->GetValue(&value) ? value.toString() : QStringLiteral("<none>");
    }
    InplaceEdit* Editor() const { return view->Editor(); }
    // Editors still alive among the viewport's children (closed ones are deleted later).
    int LiveEditors() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return static_cast<int>(view->viewport()->findChildren<InplaceEdit*>().size());
    }
};

}  // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUiLanguage(UiLanguage::English); }

    void clickOpensTheEditorAtOnce()
    {
        Fixture f(3);
        f.Click(1, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->hasFocus());
        QCOMPARE(editor->text(), QStringLiteral("name 1"));
        QCOMPARE(editor->selectedText(), QStringLiteral("name 1"));
        QCOMPARE(f.grid->EditRow(), 1);
        QCOMPARE(f.grid->EditColumn(), 1);
        // Over the cell, one pixel short at the right and bottom for the grid lines.
        QCOMPARE(editor->geometry(), f.view->GetCellRect(1, 1).adjusted(0, 0, -1, -1));
        QCOMPARE(editor->TextLimit(), kNameSize);
    }

    void overlongTextIsPink_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("pink");
        QTest::newRow("40 of 40") << kNameSize << false;
        QTest::newRow("41 of 40") << kNameSize + 1 << true;
    }
    void overlongTextIsPink()
    {
        QFETCH(int, length);
        QFETCH(bool, pink);
        Fixture f(3, QString(length, u'i'));
        f.view->SelectCell(0, 2);
        QCoreApplication::processEvents();
        const QImage image = f.view->viewport()->grab().toImage();
        if (qEnvironmentVariableIsSet("SCRIVLET_GRAB_DIR"))
            image.save(qEnvironmentVariable("SCRIVLET_GRAB_DIR") +
                       QStringLiteral("/grid-%1.png").arg(length));
        const QColor pinkColour = QColor::fromRgba(kTextTooLongColour);
        QCOMPARE(pinkColour, QColor(255, 235, 235));
        // A background pixel right of the text, inside the cell, on a row that is not
        // selected (row 2) and on the selected row (row 0, row highlight).
        for (int row : {0, 2}) {
            const QRect rect = f.view->GetCellRect(row, 1);
            const QPoint probe(rect.right() - 3, rect.top() + 2);
            const QColor seen = image.pixelColor(probe * image.devicePixelRatio());
            QCOMPARE(seen == pinkColour, pink);
        }
        // The note column next to it never is.
        const QRect note = f.view->GetCellRect(2, 2);
        QVERIFY(image.pixelColor(QPoint(note.right() - 3, note.top() + 2)) != pinkColour);
    }
};

SCRIVLET_TEST(TestView);
#include "test_view.moc"
