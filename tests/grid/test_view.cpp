#include "FormatCatalogue.h"
#include "GridView.h"
#include "InplaceEdit.h"
#include "RecordGrid.h"
#include "SearchWalk.h"
#include "TestRegistry.h"
#include "UiText.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
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

    void clickOpensTheEditor_data()
    {
        QTest::addColumn<quint32>("modes");
        QTest::addColumn<int>("veto");    // CellClicked's reply
        QTest::addColumn<int>("clicks");  // on the same cell
        QTest::addColumn<bool>("opened");
        const quint32 doc = kDocumentGridModes;
        const quint32 noClickEdits = doc & ~quint32(kModeClickEdits);
        QTest::newRow("click edits at once") << doc << 0 << 1 << true;
        QTest::newRow("first click only selects") << noClickEdits << 0 << 1 << false;
        QTest::newRow("second click edits") << noClickEdits << 0 << 2 << true;
        QTest::newRow("click vetoed") << doc << 1 << 1 << false;
    }
    void clickOpensTheEditor()
    {
        QFETCH(quint32, modes);
        QFETCH(int, veto);
        QFETCH(int, clicks);
        QFETCH(bool, opened);
        Fixture f(3);
        f.grid->SetModeFlags(modes);
        f.grid->SetCellClickedHandler([veto](GridCell*) { return veto; });
        for (int i = 0; i < clicks; ++i)
            f.Click(1, 1);
        InplaceEdit* editor = f.Editor();
        QCOMPARE(editor != nullptr, opened);
        if (!opened) {
            QCOMPARE(f.grid->EditRow(), -1);
            return;
        }
        QVERIFY(editor->isVisible());
        QVERIFY(editor->hasFocus());
        QCOMPARE(editor->selectedText(), QStringLiteral("name 1"));
        QCOMPARE(f.grid->EditRow(), 1);
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
        QTest::newRow("typed, tab") << 0 << "abc" << 0 << int(Qt::Key_Tab) << true << "abc" << true;
        QTest::newRow("typed, down")
            << 0 << "abc" << 0 << int(Qt::Key_Down) << true << "abc" << true;
        QTest::newRow("typed, up") << 0 << "abc" << 0 << int(Qt::Key_Up) << true << "abc" << true;
        QTest::newRow("left at the start")
            << int(Qt::Key_Home) << "" << 0 << int(Qt::Key_Left) << true << old << false;
        QTest::newRow("left inside the text")
            << int(Qt::Key_End) << "" << 0 << int(Qt::Key_Left) << false << old << false;
        QTest::newRow("right at the end")
            << int(Qt::Key_End) << "" << 0 << int(Qt::Key_Right) << true << old << false;
        QTest::newRow("right with a selection")
            << 0 << "" << 0 << int(Qt::Key_Right) << false << old << false;
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
        QCOMPARE(f.Editor() == nullptr, closes);
        QCOMPARE(f.Text(1, 1), stored);
        QCOMPARE(f.grid->IsModified(), modified);
        // The replies are 0, so no key moves the selected cell.
        QCOMPARE(f.grid->SelectedRow(), 1);
        QCOMPARE(f.grid->SelectedColumn(), 1);
        if (closes) {
            QCOMPARE(f.grid->EditRow(), -1);
            QVERIFY(f.view->hasFocus());
        }
    }

    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("how");  // 0 Ctrl+V, 1 the Paste command, 2 QLineEdit::paste
        QTest::addColumn<QString>("stored");
        QTest::newRow("ctrl+v") << "pasted" << 0 << "pasted";
        QTest::newRow("paste command") << "pasted" << 1 << "pasted";
        QTest::newRow("first line only") << "one\ntwo" << 0 << "one";
        QTest::newRow("cut to the field") << QString(50, u'p') << 1 << QString(kNameSize, u'p');
        // Menu, drop and middle-click pastes go through QLineEdit: a line break is refused.
        QTest::newRow("line edit's paste") << "pasted" << 2 << "pasted";
        QTest::newRow("line edit's paste, line break") << "one\r\ntwo" << 2 << "name 1";
    }
    void paste()
    {
        QFETCH(QString, clipboard);
        QFETCH(int, how);
        QFETCH(QString, stored);
        Fixture f(3);
        QApplication::clipboard()->setText(clipboard);
        f.Click(1, 1);
        QVERIFY(f.Editor());
        if (how == 0)
            QTest::keyClick(f.Editor(), Qt::Key_V, Qt::ControlModifier);
        else if (how == 1)
            f.view->EditCommand(kCommandPaste);
        else
            f.Editor()->QLineEdit::paste();
        QTest::keyClick(f.Editor(), Qt::Key_Return);
        QCOMPARE(f.Text(1, 1), stored);
        QCOMPARE(f.grid->IsModified(), stored != QLatin1String("name 1"));
    }

    void editCommandsNeedAnEditor()
    {
        Fixture f(3);
        f.view->SelectCell(1, 1);
        QApplication::clipboard()->setText(QStringLiteral("keep"));
        for (int command : {kCommandCut, kCommandCopy, kCommandPaste, kCommandUndo})
            f.view->EditCommand(command);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("keep"));
        QCOMPARE(f.Text(1, 1), QStringLiteral("name 1"));
        QVERIFY(!f.Editor());
        QVERIFY(!f.grid->IsModified());
        // With an editor, Cut takes its selection (all of the text after the click).
        f.Click(1, 1);
        f.view->EditCommand(kCommandCut);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("name 1"));
        f.view->EditCommand(kCommandUndo);
        QCOMPARE(f.Editor()->text(), QStringLiteral("name 1"));
    }

    void deleteKey_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("modified");
        QTest::newRow("text cell") << 1 << "" << true;
        QTest::newRow("label cell") << 0 << "# 1" << false;
    }
    void deleteKey()
    {
        QFETCH(int, column);
        QFETCH(QString, stored);
        QFETCH(bool, modified);
        Fixture f(3);
        f.view->SelectCell(1, column);
        QTest::keyClick(f.view, Qt::Key_Delete);
        if (column == 1) {
            QVERIFY(f.Editor());
            QCOMPARE(f.Editor()->text(), QString());
            QTest::keyClick(f.Editor(), Qt::Key_Return);
        } else {
            QVERIFY(!f.Editor());
        }
        QCOMPARE(f.Text(1, column), stored);
        QCOMPARE(f.grid->IsModified(), modified);
    }

    void characterOpensTheEditor_data()
    {
        QTest::addColumn<QString>("character");
        QTest::newRow("ascii") << "q";
        QTest::newRow("umlaut") << QString::fromUtf8("ö");
        QTest::newRow("cyrillic") << QString::fromUtf8("Ж");
    }
    void characterOpensTheEditor()
    {
        QFETCH(QString, character);
        Fixture f(3);
        f.view->SelectCell(2, 1);
        QVERIFY(!f.Editor());
        QTest::sendKeyEvent(QTest::Click, f.view, Qt::Key_unknown, character, Qt::NoModifier);
        QVERIFY(f.Editor());
        QCOMPARE(f.Editor()->text(), character);
        QTest::keyClick(f.Editor(), Qt::Key_Return);
        QCOMPARE(f.Text(2, 1), character);
        QVERIFY(f.grid->IsModified());
        // On a label cell a character opens nothing.
        f.view->SelectCell(2, 0);
        QTest::sendKeyEvent(QTest::Click, f.view, Qt::Key_unknown, character, Qt::NoModifier);
        QVERIFY(!f.Editor());
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
        QCOMPARE(editor->text().size(), 45);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_A);
        QCOMPARE(editor->text().size(), 44);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, QStringLiteral("ab"));
        QCOMPARE(editor->text(), QString(39, u'w') + QStringLiteral("a"));
        QCoreApplication::processEvents();
        QCOMPARE(f.window.statusBar()->currentMessage(), QStringLiteral("Symbols used: 40/40"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.Text(0, 1), QString(39, u'w') + QStringLiteral("a"));
        // The count goes with the editor.
        QVERIFY(f.window.statusBar()->currentMessage().isEmpty());
    }

    void addRowClickAppends()
    {
        Fixture f(3);
        f.Click(3, 2);  // anywhere on the add-row
        QCOMPARE(f.grid->RecordCount(), 4);
        QVERIFY(f.grid->IsAddRow(4));
        QCOMPARE(f.Text(3, 0), QStringLiteral("# 3"));
        QCOMPARE(f.Text(3, 1), QString());
        QVERIFY(!f.grid->IsModified());
        QCOMPARE(f.grid->SelectedRow(), 3);
        QCOMPARE(f.grid->SelectedColumn(), 0);
        QCOMPARE(f.grid->ListSelectedRow(), 4);
        QCOMPARE(f.view->currentIndex().row(), 4);
        QVERIFY(!f.Editor());
        // Keys that open an editor do nothing until a record row is selected.
        QTest::keyClick(f.view, Qt::Key_Return);
        QVERIFY(!f.Editor());
        QCOMPARE(f.grid->RecordCount(), 4);
        QTest::keyClick(f.view, Qt::Key_Up);
        QCOMPARE(f.grid->ListSelectedRow(), 3);
        QCOMPARE(f.grid->SelectedRow(), 3);
        QTest::keyClick(f.view, Qt::Key_Right);
        QTest::keyClick(f.view, Qt::Key_F2);
        QVERIFY(f.Editor());
        QCOMPARE(f.grid->EditRow(), 3);
        QCOMPARE(f.grid->EditColumn(), 1);
    }

    void enterOnTheAddRowAppends()
    {
        Fixture f(2);
        f.view->SelectCell(2, 1);
        QCOMPARE(f.grid->SelectedColumn(), 0);
        QTest::keyClick(f.view, Qt::Key_Return);
        QCOMPARE(f.grid->RecordCount(), 3);
        QVERIFY(!f.Editor());
    }

    void scrollingEndsTheEdit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("scroll bar") << "scroll";
        QTest::newRow("wheel") << "wheel";
        QTest::newRow("resize") << "resize";
        QTest::newRow("column resize") << "column";
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
        } else if (how == QLatin1String("resize")) {
            f.window.resize(600, 360);
            QCoreApplication::processEvents();
        } else {
            f.view->horizontalHeader()->resizeSection(0, 90);
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
        QCOMPARE(f.grid->EditColumn(), -1);
        QCOMPARE(f.Text(2, 2), QStringLiteral("second"));
        // Opening twice in a row leaves one.
        QVERIFY(f.view->BeginEditLimited(4, 1));
        QVERIFY(f.view->BeginEditLimited(4, 1));
        QCOMPARE(f.LiveEditors(), 1);
        f.view->EndEdit();
        f.view->EndEdit();
        QCOMPARE(f.LiveEditors(), 0);
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

    void listKeysKeepTheColumn_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("down") << int(Qt::Key_Down) << 2 << 1;
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << 1;
        QTest::newRow("home") << int(Qt::Key_Home) << 0 << 1;
        QTest::newRow("end, the add-row") << int(Qt::Key_End) << 3 << 0;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 3 << 0;
        QTest::newRow("right") << int(Qt::Key_Right) << 1 << 2;
    }
    void listKeysKeepTheColumn()
    {
        QFETCH(int, key);
        QFETCH(int, row);
        QFETCH(int, column);
        Fixture f(3);
        f.view->SelectCell(1, 1);
        QTest::keyClick(f.view, Qt::Key(key));
        QCOMPARE(f.grid->SelectedRow(), row);
        QCOMPARE(f.grid->SelectedColumn(), column);
        QVERIFY(!f.Editor());
    }

    void clickOutsideClearsTheSelection()
    {
        Fixture f(2);
        f.Click(1, 1);
        QTest::keyClicks(f.Editor(), QStringLiteral("kept"));
        QTest::mouseClick(f.view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(10, f.view->viewport()->height() - 5));
        QVERIFY(!f.Editor());
        QCOMPARE(f.Text(1, 1), QStringLiteral("kept"));
        QCOMPARE(f.grid->SelectedRow(), -1);
        QCOMPARE(f.grid->SelectedColumn(), -1);
        QCOMPARE(f.grid->ListSelectedRow(), -1);
    }

    void findOpensTheEditorOnTheHit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("row");  // -1: nothing found
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("selected");
        QTest::newRow("whole text") << "note 2" << 0 << 2 << 2 << "note 2";
        QTest::newRow("middle of a text") << "ME 1" << 0 << 1 << 1 << "me 1";
        QTest::newRow("whole word") << "1" << int(kSearchWholeWord) << 1 << 1 << "1";
        QTest::newRow("regular expression") << "o[t]e 1" << int(kSearchRegex) << 1 << 2 << "ote 1";
        QTest::newRow("not found") << "zzz" << 0 << -1 << -1 << "";
        QTest::newRow("invalid pattern") << "(" << int(kSearchRegex) << -1 << -1 << "";
    }
    void findOpensTheEditorOnTheHit()
    {
        QFETCH(QString, text);
        QFETCH(int, flags);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, selected);
        Fixture f(3);
        f.view->SelectCell(0, 1);
        f.view->FindRequest(BuildSearchPattern(text, quint32(flags)), quint32(flags));
        if (row < 0) {
            QVERIFY(!f.Editor());
            QCOMPARE(f.grid->SelectedRow(), 0);
            QCOMPARE(f.grid->SelectedColumn(), 1);
            QVERIFY(f.view->hasFocus());
            return;
        }
        QVERIFY(f.Editor());
        QVERIFY(f.Editor()->hasFocus());
        QCOMPARE(f.grid->SelectedRow(), row);
        QCOMPARE(f.grid->SelectedColumn(), column);
        QCOMPARE(f.grid->EditRow(), row);
        QCOMPARE(f.grid->EditColumn(), column);
        QCOMPARE(f.Editor()->selectedText(), selected);
        QCOMPARE(f.Editor()->TextLimit(), column == 1 ? kNameSize : 20);
        // Finding again moves on; the open editor is closed first.
        f.view->FindRequest(BuildSearchPattern(text, quint32(flags)), quint32(flags));
        QCOMPARE(f.LiveEditors(), 1);
    }

    void cellColours_data()
    {
        QTest::addColumn<quint32>("modes");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("where");  // background, bottom line, right line, frame
        QTest::addColumn<int>("role");       // QPalette role expected there, -1: pink
        QTest::addColumn<int>("length");     // of the Name texts (field size 40)
        const quint32 doc = kDocumentGridModes;
        QTest::newRow("plain cell") << doc << 2 << 1 << "background" << int(QPalette::Base) << 6;
        QTest::newRow("selected row")
            << doc << 0 << 1 << "background" << int(QPalette::Button) << 6;
        QTest::newRow("selected cell without 0x20")
            << doc << 0 << 2 << "background" << int(QPalette::Button) << 6;
        QTest::newRow("selected cell with 0x20") << (doc | kModeSelectionColours) << 0 << 2
                                                 << "background" << int(QPalette::Highlight) << 6;
        QTest::newRow("no row highlight") << quint32(kModeClickEdits | kModeAddRow) << 0 << 1
                                          << "background" << int(QPalette::Base) << 6;
        QTest::newRow("grid line, bottom")
            << doc << 2 << 1 << "bottom" << int(QPalette::Button) << 6;
        QTest::newRow("grid line, right") << doc << 2 << 1 << "right" << int(QPalette::Button) << 6;
        QTest::newRow("no grid lines")
            << (doc | kModeNoGridLines) << 2 << 1 << "bottom" << int(QPalette::Base) << 6;
        QTest::newRow("focus frame") << doc << 0 << 2 << "frame" << int(QPalette::Highlight) << 6;
        QTest::newRow("no frame on other cells")
            << doc << 0 << 1 << "frame" << int(QPalette::Button) << 6;
        // Longer than its field: pink, also on the highlighted row; the Note column next to
        // it is not.
        QTest::newRow("40 of 40") << doc << 2 << 1 << "background" << int(QPalette::Base)
                                  << kNameSize;
        QTest::newRow("41 of 40") << doc << 2 << 1 << "background" << -1 << kNameSize + 1;
        QTest::newRow("41 of 40, selected row")
            << doc << 0 << 1 << "background" << -1 << kNameSize + 1;
        QTest::newRow("41 of 40, other field")
            << doc << 2 << 2 << "background" << int(QPalette::Base) << kNameSize + 1;
    }
    void cellColours()
    {
        QFETCH(quint32, modes);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, where);
        QFETCH(int, role);
        QFETCH(int, length);
        Fixture f(3, QString(length, u'i'));
        // Distinct colours, so that every rule shows in the pixels.
        QPalette palette = f.view->palette();
        palette.setColor(QPalette::Base, QColor(250, 250, 250));
        palette.setColor(QPalette::Button, QColor(200, 210, 220));
        palette.setColor(QPalette::Highlight, QColor(20, 60, 200));
        f.view->setPalette(palette);
        f.grid->SetModeFlags(modes);
        f.view->SelectCell(0, 2);
        QCoreApplication::processEvents();
        const QImage image = f.view->viewport()->grab().toImage();
        if (qEnvironmentVariableIsSet("SCRIVLET_GRAB_DIR"))
            image.save(qEnvironmentVariable("SCRIVLET_GRAB_DIR") +
                       QStringLiteral("/%1.png").arg(QTest::currentDataTag()));
        const QRect rect = f.view->GetCellRect(row, column);
        QPoint probe;
        if (where == QLatin1String("background"))
            probe = QPoint(rect.right() - 4, rect.top() + 3);
        else if (where == QLatin1String("bottom"))
            probe = QPoint(rect.right() - 4, rect.bottom());
        else if (where == QLatin1String("right"))
            probe = QPoint(rect.right(), rect.top() + 3);
        else
            probe = QPoint(rect.left(), rect.center().y());
        const QColor expected = role < 0
                                    ? QColor(255, 235, 235)
                                    : palette.color(QPalette::Active, QPalette::ColorRole(role));
        QCOMPARE(image.pixelColor(probe), expected);
    }

    void tabKey_data()
    {
        QTest::addColumn<bool>("navigates");
        QTest::newRow("next control") << false;
        QTest::newRow("next column (mode 0x04)") << true;
    }
    void tabKey()
    {
        QFETCH(bool, navigates);
        Fixture f(3);
        auto* other = new QLineEdit(&f.window);
        f.window.setMenuWidget(other);
        if (navigates)
            f.grid->SetModeFlags(f.grid->ModeFlags() | kModeTabNavigates);
        f.view->SelectCell(1, 1);
        f.view->setFocus();
        QTest::keyClick(f.view, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(f.grid->SelectedColumn(), navigates ? 2 : 1);
        QCOMPARE(other->hasFocus(), !navigates);
    }
};

SCRIVLET_TEST(TestView);
#include "test_view.moc"
