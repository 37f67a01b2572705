#include "TestDocument.h"
#include "TestRegistry.h"
#include "base/UiText.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

constexpr int kNameSize = 40;

// Record 0 and 1 have labels of their own, the others the language's numbered ones.
EdtFormat ViewLayout()
{
    return MakeFormat(60, {LabelField("Id", {"a", "b"}), TextField("Name", 0, kNameSize, 260),
                           TextField("Note", kNameSize, 20, -1)});
}

// Records "name r" / "note r" (or every name the same) shown in a main window with a status
// bar; the add-row is row `records`.
struct Fixture {
    std::unique_ptr<EdtDocument> document;
    QMainWindow window;
    GridView* view = nullptr;

    explicit Fixture(int records, const QString& name = QString())
    {
        Rows rows;
        for (int r = 0; r < records; ++r)
            rows << QStringList{name.isNull() ? QStringLiteral("name %1").arg(r) : name,
                                QStringLiteral("note %1").arg(r)};
        document = MakeDocument(ViewLayout(), rows);
        view = new GridView(document.get(), &window);
        window.setCentralWidget(view);
        GridView::SetStatusBar(window.statusBar());
        window.resize(520, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        view->setFocus();
    }
    ~Fixture() { GridView::SetStatusBar(nullptr); }

    QRect Rect(int row, int column) const
    {
        return view->visualRect(view->model()->index(row, column));
    }
    void Click(int row, int column)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Rect(row, column).center());
    }
    QString Text(int row, int column) const { return document->Text(row, column); }
    InplaceEdit* Editor() const { return view->Editor(); }
    // Editors still alive among the viewport's children (closed ones are deleted later).
    int LiveEditors() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return static_cast<int>(view->viewport()->findChildren<InplaceEdit*>().size());
    }
};

}  // namespace

class TestGrid : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUiLanguage(UiLanguage::English); }

    // A script typed into the editor a click opens on record 1's Name (a field of 40): key
    // names ("End", "Ctrl+V"), text to type, "Paste" for the Edit command and "LinePaste" for
    // the line edit's own paste (menu, drop, middle click).
    void edits_data()
    {
        QTest::addColumn<QString>("name");  // every record's Name; null: "name r"
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("stored");  // null: the editor stays open
        const QString none;
        const QString w45(45, u'w');
        const QString w40k(40000, u'w');
        QTest::newRow("return untouched") << none << "" << QStringList{"Return"} << "name 1";
        QTest::newRow("type, delete back, return")
            << none << "" << QStringList{"End", "x", "Backspace", "Return"} << "name 1";
        QTest::newRow("escape after typing")
            << none << "" << QStringList{"End", "xyz", "Esc"} << "name 1";
        QTest::newRow("typed, return") << none << "" << QStringList{"abc", "Return"} << "abc";
        QTest::newRow("typed, tab") << none << "" << QStringList{"abc", "Tab"} << "abc";
        QTest::newRow("right at the end")
            << none << "" << QStringList{"End", "!", "Right"} << "name 1!";
        QTest::newRow("left inside the text") << none << "" << QStringList{"End", "Left"} << none;
        QTest::newRow("ctrl+v") << none << "pasted" << QStringList{"Ctrl+V", "Return"} << "pasted";
        QTest::newRow("edit command, first line only")
            << none << "one\ntwo" << QStringList{"Paste", "Return"} << "one";
        QTest::newRow("paste cut to the field")
            << none << QString(50, u'p') << QStringList{"Ctrl+V", "Return"} << QString(40, u'p');
        QTest::newRow("line edit's paste, line break")
            << none << "one\r\ntwo" << QStringList{"LinePaste", "Return"} << "name 1";
        // A loaded text over the limit opens whole; it cannot grow, only shrink.
        QTest::newRow("over-long, grows no more")
            << w45 << "" << QStringList{"End", "a", "Return"} << w45;
        QTest::newRow("over-long, shrunk, filled to the limit")
            << w45 << ""
            << QStringList{"End"} + QStringList(6, QStringLiteral("Backspace")) +
                   QStringList{"ab", "Return"}
            << QString(39, u'w') + "a";
        QTest::newRow("beyond a line edit's default limit")
            << w40k << "" << QStringList{"End", "a", "Return"} << w40k;
    }
    void edits()
    {
        QFETCH(QString, name);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, script);
        QFETCH(QString, stored);
        Fixture f(3, name);
        const QString opening = f.Text(1, 1);
        QApplication::clipboard()->setText(clipboard);
        f.Click(1, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        // Open at once over the cell less the grid lines, all selected, counted in the status bar.
        QCOMPARE(editor->geometry(), f.Rect(1, 1).adjusted(0, 0, -1, -1));
        QCOMPARE(editor->selectedText(), opening);
        QCoreApplication::processEvents();
        QCOMPARE(f.window.statusBar()->currentMessage(),
                 QStringLiteral("Symbols used: %1/%2").arg(opening.size()).arg(kNameSize));
        for (const QString& step : script) {
            if (step == QLatin1String("Paste"))
                f.view->EditCommand(GridView::EditAction::Paste);
            else if (step == QLatin1String("LinePaste"))
                editor->QLineEdit::paste();
            else if (step.size() > 1 && step[0].isUpper())
                QTest::keySequence(editor, QKeySequence(step));
            else
                QTest::keyClicks(editor, step);
        }
        QCOMPARE(f.LiveEditors(), stored.isNull() ? 1 : 0);
        QCOMPARE(f.Text(1, 1), stored.isNull() ? opening : stored);
        QCOMPARE(f.document->IsModified(), f.Text(1, 1) != opening);
        QCOMPARE(f.view->hasFocus(), !stored.isNull());
        if (!stored.isNull())
            QCOMPARE(f.window.statusBar()->currentMessage(), QString());
    }

    // Input on a selected cell of 3 records (the add-row is row 3): key names, a character,
    // or "click". The add-row appends an empty record, which then holds the selected cell
    // while the list's selection moves on with the add-row.
    void input_data()
    {
        QTest::addColumn<QPoint>("cell");  // (column, row) selected first
        QTest::addColumn<QString>("input");
        QTest::addColumn<QPoint>("selected");  // afterwards
        QTest::addColumn<int>("listRow");
        QTest::addColumn<QString>("editorText");  // null: no editor
        const QString none;
        QTest::newRow("right") << QPoint(1, 1) << "Right" << QPoint(2, 1) << 1 << none;
        QTest::newRow("right, last column") << QPoint(2, 1) << "Right" << QPoint(2, 1) << 1 << none;
        QTest::newRow("up") << QPoint(2, 1) << "Up" << QPoint(2, 0) << 0 << none;
        QTest::newRow("down onto the add-row")
            << QPoint(1, 2) << "Down" << QPoint(0, 3) << 3 << none;
        QTest::newRow("right on the add-row")
            << QPoint(0, 3) << "Right" << QPoint(0, 3) << 3 << none;
        QTest::newRow("f2, text") << QPoint(1, 1) << "F2" << QPoint(1, 1) << 1 << "name 1";
        QTest::newRow("delete, text") << QPoint(1, 1) << "Del" << QPoint(1, 1) << 1 << "";
        QTest::newRow("letter, text") << QPoint(2, 1) << "Ж" << QPoint(2, 1) << 1 << "Ж";
        QTest::newRow("letter, label") << QPoint(0, 1) << "q" << QPoint(0, 1) << 1 << none;
        QTest::newRow("click, text") << QPoint(0, 0) << "click" << QPoint(2, 1) << 1 << "note 1";
        QTest::newRow("click, label") << QPoint(2, 0) << "click" << QPoint(0, 1) << 1 << none;
        QTest::newRow("add-row, click") << QPoint(0, 0) << "click" << QPoint(0, 3) << 4 << none;
        QTest::newRow("add-row, return") << QPoint(0, 3) << "Return" << QPoint(0, 3) << 4 << none;
    }
    void input()
    {
        QFETCH(QPoint, cell);
        QFETCH(QString, input);
        QFETCH(QPoint, selected);
        QFETCH(int, listRow);
        QFETCH(QString, editorText);
        Fixture f(3);
        QVERIFY(f.view->SelectCell(cell.y(), cell.x()));
        if (input == QLatin1String("click"))
            f.Click(selected.y(), selected.x());
        else if (input.size() > 1)
            QTest::keySequence(f.view, QKeySequence(input));
        else
            QTest::sendKeyEvent(QTest::Click, f.view, Qt::Key_unknown, input, Qt::NoModifier);
        QCOMPARE(QPoint(f.view->SelectedColumn(), f.view->SelectedRow()), selected);
        QCOMPARE(f.view->currentIndex().row(), listRow);
        QCOMPARE(f.Editor() ? f.Editor()->text() : QString(), editorText);
        const int records = listRow == 4 ? 4 : 3;
        QCOMPARE(f.document->RecordCount(), records);
        QCOMPARE(f.view->model()->rowCount(), records + 1);
        QCOMPARE(f.view->columnSpan(records, 0), 3);
        QVERIFY(!f.document->IsModified());
        const QAbstractItemModel* model = f.view->model();
        QCOMPARE(model->data(model->index(1, 0)).toString(), QStringLiteral("b"));
        QCOMPARE(model->data(model->index(records - 1, 0)).toString(),
                 QStringLiteral("# %1").arg(records - 1));
        QCOMPARE(model->data(model->index(records, 0)).toString(),
                 QStringLiteral("<<Click to add new line>>"));
    }

    // Records come and go, or the cells move, under an open editor: its text still reaches its
    // own record (scrolling and resizing end the edit first).
    void underTheEditor_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("names");  // records 0..3 after "edited" went into 1
        QTest::newRow("insert above")
            << "insert 0" << QStringList{"", "name 0", "edited", "name 2"};
        QTest::newRow("insert below")
            << "insert 2" << QStringList{"name 0", "edited", "", "name 2"};
        QTest::newRow("remove above")
            << "remove 0" << QStringList{"edited", "name 2", "name 3", "name 4"};
        QTest::newRow("remove the edited record")
            << "remove 1" << QStringList{"name 0", "name 2", "name 3", "name 4"};
        QTest::newRow("scroll") << "scroll" << QStringList{"name 0", "edited", "name 2", "name 3"};
        QTest::newRow("column resize")
            << "resize" << QStringList{"name 0", "edited", "name 2", "name 3"};
    }
    void underTheEditor()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, names);
        Fixture f(300);
        f.Click(1, 1);
        QTest::keyClicks(f.Editor(), QStringLiteral("edited"));
        const int at = change.back().digitValue();
        if (change.startsWith(QLatin1String("insert")))
            QVERIFY(f.document->InsertRecords(at, 1));
        else if (change.startsWith(QLatin1String("remove")))
            QVERIFY(f.document->RemoveRecords(at, 1));
        else if (change == QLatin1String("scroll"))
            f.view->verticalScrollBar()->setValue(10);
        else
            f.view->horizontalHeader()->resizeSection(0, 90);
        f.view->EndEdit();
        QCOMPARE(f.LiveEditors(), 0);
        QStringList stored;
        for (int r = 0; r < names.size(); ++r)
            stored << f.Text(r, 1);
        QCOMPARE(stored, names);
        const int records = f.document->RecordCount();
        QCOMPARE(f.view->model()->rowCount(), records + 1);
        QCOMPARE(f.view->columnSpan(records, 0), 3);
    }

    void oneEditorAtMost()
    {
        Fixture f(5);
        f.Click(1, 1);
        QTest::keyClicks(f.Editor(), QStringLiteral("first"));
        QPointer<InplaceEdit> first = f.Editor();
        f.Click(2, 2);
        QCOMPARE(f.Text(1, 1), QStringLiteral("first"));
        // The closed editor's late requests write nowhere.
        QVERIFY(first && first != f.Editor());
        first->setText(QStringLiteral("late"));
        emit first->EditEnded(true);
        emit first->EditEnded(false);
        QCOMPARE(f.Text(1, 1), QStringLiteral("first"));
        QCOMPARE(f.Text(2, 2), QStringLiteral("note 2"));
        QCOMPARE(f.LiveEditors(), 1);
        // A selection from code while the editor has the focus: the focus loss commits and
        // closes it in a nested run; nothing stays open.
        QTest::keyClicks(f.Editor(), QStringLiteral("second"));
        QVERIFY(f.view->SelectCell(4, 1));
        QVERIFY(!f.Editor());
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.Text(2, 2), QStringLiteral("second"));
        f.view->EditCommand(GridView::EditAction::Paste);
        // A view destroyed while an editor is open and another one's close is still queued.
        QVERIFY(f.view->BeginEdit());
        f.view->EndEdit();
        QVERIFY(f.view->BeginEdit());
        QTest::keyClicks(f.Editor(), QStringLiteral("gone"));
        delete f.view;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.Text(4, 1), QStringLiteral("name 4"));
        // A document that goes first, under an open editor.
        Fixture g(2);
        g.Click(0, 1);
        QTest::keyClicks(g.Editor(), QStringLiteral("x"));
        g.document.reset();
        QVERIFY(!g.Editor());
        QCOMPARE(g.LiveEditors(), 0);
        QCOMPARE(g.view->model()->rowCount(), 0);
        g.view->viewport()->grab();
    }

    void findRequest_data()
    {
        QTest::addColumn<int>("selected");  // row selected before; -1 none, 3 the add-row
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<QPoint>("hit");  // (column, row); (-1, -1): nothing changes
        QTest::addColumn<QString>("selection");
        const QPoint none(-1, -1);
        QTest::newRow("no selection") << -1 << "name" << 0u << QPoint(1, 0) << "name";
        QTest::newRow("add-row counts as none") << 3 << "name" << 0u << QPoint(1, 0) << "name";
        QTest::newRow("inside a text") << 1 << "ote" << 0u << QPoint(2, 2) << "ote";
        QTest::newRow("nothing found") << 1 << "zzz" << 0u << none << "";
        QTest::newRow("invalid pattern") << 1 << "(" << quint32(kSearchRegex) << none << "";
    }
    void findRequest()
    {
        QFETCH(int, selected);
        QFETCH(QString, text);
        QFETCH(quint32, flags);
        QFETCH(QPoint, hit);
        QFETCH(QString, selection);
        Fixture f(3);
        f.view->SelectCell(selected, 1);
        f.view->FindRequest(SearchQuery{text, flags});
        if (hit.y() < 0) {
            QCOMPARE(f.view->SelectedRow(), selected);
            QVERIFY(!f.Editor());
            return;
        }
        QCOMPARE(QPoint(f.view->SelectedColumn(), f.view->SelectedRow()), hit);
        QVERIFY(f.Editor());
        QCOMPARE(f.Editor()->selectedText(), selection);
    }

    // Edit sequences on 3 records: "t<r>=<text>" types a Name, "u" / "r" are the Undo and
    // Redo commands, "s" a save, "a" the add-row, "R<find>=<with>" Replace All, "e" Undo inside
    // an editor opened on record 0. The Names, the modified flag and the selected cell after.
    void history_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("selected");  // "row:column"
        const QStringList plain{"name 0", "name 1", "name 2"};
        auto row = [](const char* name, const char* steps, const QStringList& names, bool modified,
                      const char* selected) {
            QTest::newRow(name) << steps << names << modified << selected;
        };
        row("type, undo", "t1=abc u", plain, false, "1:1");
        row("type, undo, redo", "t1=abc t2=x u u r", {"name 0", "abc", "name 2"}, true, "1:1");
        row("undo past the save", "t1=abc s t2=x u u", plain, true, "1:1");
        row("redo back to the save", "t1=abc s u r", {"name 0", "abc", "name 2"}, false, "1:1");
        row("an edit drops the redo", "t1=abc u t2=q r", {"name 0", "name 1", "q"}, true, "2:1");
        row("nothing to undo", "u r", plain, false, "-1:-1");
        row("appended, unmodified", "a", plain + QStringList{""}, false, "3:0");
        row("append undone", "a u", plain, false, "3:0");
        row("typed into the new record", "a t3=new u", plain + QStringList{""}, false, "3:1");
        row("append after an edit", "t1=x a", {"name 0", "x", "name 2", ""}, true, "3:0");
        row("saved after append, undone", "a s u", plain, false, "3:0");
        row("replace all is one step", "Rname=N", {"N 0", "N 1", "N 2"}, true, "-1:-1");
        row("replace all undone", "t2=x Rname=N u", {"name 0", "name 1", "x"}, true, "0:1");
        row("undo inside an editor", "t1=abc e", {"name 0", "abc", "name 2"}, true, "0:1");
    }
    void history()
    {
        QFETCH(QString, steps);
        Fixture f(3);
        for (const QString& step : steps.split(u' ')) {
            const QString arg = step.mid(1);
            const QString text = arg.section(u'=', 1);
            switch (step[0].unicode()) {
                case u't':
                    QVERIFY(f.view->SelectCell(arg.section(u'=', 0, 0).toInt(), 1));
                    QVERIFY(f.view->BeginEdit());
                    QTest::keyClicks(f.Editor(), text);
                    QTest::keyClick(f.Editor(), Qt::Key_Return);
                    break;
                case u'u':
                case u'r':
                    f.view->EditCommand(step == u"u" ? GridView::EditAction::Undo
                                                     : GridView::EditAction::Redo);
                    break;
                case u's':
                    f.document->SetModified(false);
                    break;
                case u'a':
                    f.view->SelectCell(f.document->RecordCount(), 0);
                    QTest::keyClick(f.view, Qt::Key_Return);
                    break;
                case u'R':
                    QVERIFY(
                        f.view->ReplaceAllRequest(SearchQuery{arg.section(u'=', 0, 0), 0}, text));
                    break;
                case u'e':
                    QVERIFY(f.view->SelectCell(0, 1) && f.view->BeginEdit());
                    QTest::keyClicks(f.Editor(), QStringLiteral("zz"));
                    f.view->EditCommand(GridView::EditAction::Undo);
                    QCOMPARE(f.Editor()->text(), QStringLiteral("name 0"));
                    f.view->EndEdit();
                    break;
            }
        }
        QStringList names;
        for (int r = 0; r < f.document->RecordCount(); ++r)
            names << f.Text(r, 1);
        QTEST(names, "names");
        QTEST(f.document->IsModified(), "modified");
        QTEST(QStringLiteral("%1:%2").arg(f.view->SelectedRow()).arg(f.view->SelectedColumn()),
              "selected");
    }

    void dividerDoubleClickKeepsTheWidth()
    {
        Fixture f(3);
        QHeaderView* header = f.view->horizontalHeader();
        const int width = header->sectionSize(1);
        const QPoint divider(header->sectionViewportPosition(1) + width - 1, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, divider);
        QCOMPARE(header->sectionSize(1), width);
        QCOMPARE(header->sectionSize(2), 100);  // -1 in the layout: the default width
    }

    // A text longer than its field shows pink, also on the highlighted row; the field beside
    // it does not.
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
        const QImage image = f.view->viewport()->grab().toImage();
        const QRect rect = f.Rect(row, column);
        const QColor colour = image.pixelColor(rect.right() - 4, rect.top() + 3);
        QCOMPARE(colour == QColor(kTextTooLongColour), pink);
        QVERIFY(pink || colour == palette.color(row == 0 ? QPalette::Button : QPalette::Base));
    }
};

SCRIVLET_TEST(TestGrid);
#include "test_grid.moc"
