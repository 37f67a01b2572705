#include "catalogue/FormatCatalogue.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "grid/RecordGrid.h"
#include "TestRegistry.h"
#include "base/UiText.h"

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
        f.caption = QString::fromLatin1(caption), f.type = type, f.width = width, f.size = size;
        return f;
    };
    format.fields[0] = field("Id", kLabelField, 60, 0);
    format.fields[1] = field("Name", kTextField, 260, kNameSize);
    format.fields[2] = field("Note", kTextField, -1, 20);
    GlobalCatalogue().Append(format);
    return index = GlobalCatalogue().Count() - 1;
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
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Centre(row, column));
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
        QVERIFY(editor->hasFocus());
        QCOMPARE(editor->selectedText(), QStringLiteral("name 1"));
        QCOMPARE(f.grid->EditColumn(), 1);
        // Over the cell, one pixel short at the right and bottom for the grid lines.
        QCOMPARE(editor->geometry(), f.view->GetCellRect(1, 1).adjusted(0, 0, -1, -1));
        QCOMPARE(editor->TextLimit(), kNameSize);
    }

    void editEndings_data()
    {
        QTest::addColumn<int>("preKey");  // pressed before typing; 0 for none
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<int>("endKey");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("modified");
        const QString old = QStringLiteral("name 1");
        QTest::newRow("enter untouched")
            << 0 << "" << 0 << int(Qt::Key_Return) << true << old << false;
        QTest::newRow("type, delete back, enter")
            << int(Qt::Key_End) << "x" << 1 << int(Qt::Key_Return) << true << old << false;
        QTest::newRow("escape after typing")
            << int(Qt::Key_End) << "xyz" << 0 << int(Qt::Key_Escape) << true << old << false;
        QTest::newRow("typed, enter")
            << 0 << "abc" << 0 << int(Qt::Key_Return) << true << "abc" << true;
        QTest::newRow("left inside the text")
            << int(Qt::Key_End) << "" << 0 << int(Qt::Key_Left) << false << old << false;
    }
    void editEndings()
    {
        QFETCH(int, preKey);
        QFETCH(QString, typed);
        QFETCH(int, backspaces);
        QFETCH(int, endKey);
        QFETCH(bool, closes);
        QFETCH(QString, stored);
        QFETCH(bool, modified);
        Fixture f(3);
        f.Click(1, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        if (preKey)
            QTest::keyClick(editor, Qt::Key(preKey));
        QTest::keyClicks(editor, typed);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key(endKey));
        QCOMPARE(f.LiveEditors(), closes ? 0 : 1);
        QCOMPARE(f.Text(1, 1), stored);
        QCOMPARE(f.grid->IsModified(), modified);
        QCOMPARE(f.view->hasFocus(), closes);
    }

    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("lineEdit");  // QLineEdit::paste rather than Ctrl+V
        QTest::addColumn<QString>("stored");
        QTest::newRow("ctrl+v") << "pasted" << false << "pasted";
        QTest::newRow("first line only") << "one\ntwo" << false << "one";
        QTest::newRow("cut to the field") << QString(50, u'p') << false << QString(kNameSize, u'p');
        // Menu, drop and middle-click pastes go through QLineEdit: a line break is refused.
        QTest::newRow("line edit's paste, line break") << "one\r\ntwo" << true << "name 1";
    }
    void paste()
    {
        QFETCH(QString, clipboard);
        QFETCH(bool, lineEdit);
        QFETCH(QString, stored);
        Fixture f(3);
        QApplication::clipboard()->setText(clipboard);
        f.Click(1, 1);
        QVERIFY(f.Editor());
        if (lineEdit)
            f.Editor()->QLineEdit::paste();
        else
            QTest::keyClick(f.Editor(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(f.Editor(), Qt::Key_Return);
        QCOMPARE(f.Text(1, 1), stored);
        QCOMPARE(f.grid->IsModified(), stored != QLatin1String("name 1"));
    }

    // Delete opens an empty editor, a character an editor holding only that character;
    // neither opens one on a label.
    void keyOpensTheEditor_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("character");  // empty: the Delete key
        QTest::addColumn<bool>("opens");
        QTest::newRow("delete, text cell") << 1 << "" << true;
        QTest::newRow("delete, label cell") << 0 << "" << false;
        QTest::newRow("letter, text cell") << 1 << QString::fromUtf8("Ж") << true;
        QTest::newRow("letter, label cell") << 0 << "q" << false;
    }
    void keyOpensTheEditor()
    {
        QFETCH(int, column);
        QFETCH(QString, character);
        QFETCH(bool, opens);
        Fixture f(3);
        f.view->SelectCell(1, column);
        if (character.isEmpty())
            QTest::keyClick(f.view, Qt::Key_Delete);
        else
            QTest::sendKeyEvent(QTest::Click, f.view, Qt::Key_unknown, character, Qt::NoModifier);
        QCOMPARE(f.Editor() != nullptr, opens);
        if (opens) {
            QCOMPARE(f.Editor()->text(), character);
            QTest::keyClick(f.Editor(), Qt::Key_Return);
        }
        QCOMPARE(f.Text(1, column), opens ? character : QStringLiteral("# 1"));
        QCOMPARE(f.grid->IsModified(), opens);
    }

    void overlongTextOpensWhole()
    {
        const QString text(kNameSize + 5, u'w');
        Fixture f(3, text);
        f.Click(0, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), text);
        QCoreApplication::processEvents();
        QCOMPARE(f.window.statusBar()->currentMessage(), QStringLiteral("Symbols used: 45/40"));
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_A);
        QCOMPARE(editor->text(), text);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, QStringLiteral("ab"));
        QCOMPARE(editor->text(), QString(39, u'w') + QStringLiteral("a"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.Text(0, 1), QString(39, u'w') + QStringLiteral("a"));
    }

    void addRowClickAppends()
    {
        Fixture f(3);
        f.Click(3, 2);  // anywhere on the add-row
        QCOMPARE(f.grid->RecordCount(), 4);
        QVERIFY(f.grid->IsAddRow(4));
        QCOMPARE(f.Text(3, 0), QStringLiteral("# 3"));
        QVERIFY(!f.grid->IsModified());
        QCOMPARE(f.grid->SelectedRow(), 3);
        QCOMPARE(f.grid->ListSelectedRow(), 4);
        QCOMPARE(f.view->currentIndex().row(), 4);
        QVERIFY(!f.Editor());
    }

    void scrollingEndsTheEdit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("scroll bar") << "scroll";
        QTest::newRow("wheel") << "wheel";
    }
    void scrollingEndsTheEdit()
    {
        QFETCH(QString, how);
        Fixture f(300);
        f.Click(1, 1);
        QVERIFY(f.Editor());
        QTest::keyClicks(f.Editor(), QStringLiteral("abc"));
        if (how == QLatin1String("scroll")) {
            f.view->verticalScrollBar()->setValue(f.view->verticalScrollBar()->value() + 10);
        } else if (how == QLatin1String("wheel")) {
            const QPoint at = f.Centre(5, 2);
            QWheelEvent wheel(at, f.view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(f.view->viewport(), &wheel);
        }
        QVERIFY(!f.Editor());
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.Text(1, 1), QStringLiteral("abc"));
        QVERIFY(f.grid->IsModified());
    }

    void oneEditorAtMost()
    {
        Fixture f(5);
        f.Click(1, 1);
        QTest::keyClicks(f.Editor(), QStringLiteral("first"));
        f.Click(2, 2);
        QCOMPARE(f.LiveEditors(), 1);
        QCOMPARE(f.grid->EditRow(), 2);
        QCOMPARE(f.Text(1, 1), QStringLiteral("first"));
        // A selection from code while the editor has the focus: the focus loss commits and
        // closes it in a nested run; nothing stays open.
        QTest::keyClicks(f.Editor(), QStringLiteral("second"));
        QVERIFY(f.view->SelectCell(4, 1));
        QVERIFY(!f.Editor());
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.grid->EditRow(), -1);
        QCOMPARE(f.Text(2, 2), QStringLiteral("second"));
        // A view destroyed while an editor is open and another one's close is still queued.
        QVERIFY(f.view->BeginEditLimited(4, 1));
        f.view->EndEdit();
        QVERIFY(f.view->BeginEditLimited(4, 1));
        QTest::keyClicks(f.Editor(), QStringLiteral("gone"));
        delete f.view;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void dividerDoubleClickKeepsTheWidth()
    {
        Fixture f(3);
        QHeaderView* header = f.view->horizontalHeader();
        const int width = header->sectionSize(1);
        const QPoint divider(header->sectionViewportPosition(1) + width - 1, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, divider);
        QCOMPARE(header->sectionSize(1), width);
        QCOMPARE(header->sectionSize(2), 100);  // -1 in the format: the default width
    }

    // A text longer than its field shows pink, also on the highlighted row; the field
    // beside it does not.
    void overlongCellIsPink_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("length");  // of the Name texts (field size 40)
        QTest::addColumn<bool>("pink");
        QTest::newRow("40 of 40") << 2 << 1 << kNameSize << false;
        QTest::newRow("41 of 40") << 2 << 1 << kNameSize + 1 << true;
        QTest::newRow("41 of 40, selected row") << 0 << 1 << kNameSize + 1 << true;
        QTest::newRow("41 of 40, other field") << 2 << 2 << kNameSize + 1 << false;
    }
    void overlongCellIsPink()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, length);
        QFETCH(bool, pink);
        Fixture f(3, QString(length, u'i'));
        QPalette palette = f.view->palette();
        palette.setColor(QPalette::Base, QColor(250, 250, 250));
        palette.setColor(QPalette::Button, QColor(200, 210, 220));
        f.view->setPalette(palette);
        f.view->SelectCell(0, 2);
        QCoreApplication::processEvents();
        const QImage image = f.view->viewport()->grab().toImage();
        const QRect rect = f.view->GetCellRect(row, column);
        const QColor colour = image.pixelColor(rect.right() - 4, rect.top() + 3);
        QCOMPARE(colour == QColor(255, 235, 235), pink);
        QVERIFY(pink || colour == palette.color(QPalette::Active,
                                                row == 0 ? QPalette::Button : QPalette::Base));
    }
};

SCRIVLET_TEST(TestView);
#include "test_view.moc"
