#include "TestDocument.h"
#include "TestRegistry.h"
#include "base/UiText.h"
#include "grid/GridModel.h"
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

#include <utility>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

constexpr int kNameSize = 40;

EdtFormat ViewLayout(const QStringList& labels = {})
{
    return Layout({Field("Id", kLabelField, 0, 60, labels),
                   Field("Name", kTextField, kNameSize, 260), Field("Note", kTextField, 20)});
}

// Records "name r" / "note r" (or every name the same) shown in a main window with a status
// bar; the add-row is row `records`.
struct Fixture {
    std::unique_ptr<EdtDocument> document;
    QMainWindow window;
    GridView* view = nullptr;

    explicit Fixture(int records, const QString& name = QString())
    {
        QList<QStringList> rows;
        for (int r = 0; r < records; ++r)
            rows << QStringList{name.isNull() ? QStringLiteral("name %1").arg(r) : name,
                                QStringLiteral("note %1").arg(r)};
        document = MakeDocument(ViewLayout(), rows);
        view = new GridView(document.get(), &window);
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

    // Label columns are computed from the field's labels, then the language's pattern.
    void cellTexts_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        const int en = int(UiLanguage::English);
        const QStringList four{"a", "b", "c", "d"};
        QTest::newRow("label from the list") << en << four << 3 << 0 << "d";
        QTest::newRow("label past the list") << en << QStringList{"a"} << 3 << 0 << "# 3";
        QTest::newRow("russian pattern")
            << int(UiLanguage::Russian) << QStringList{} << 3 << 0 << QString::fromUtf8("№ 3");
        QTest::newRow("text field") << en << four << 1 << 2 << "note 1";
        QTest::newRow("add-row") << en << four << 4 << 0 << "<<Click to add new line>>";
        QTest::newRow("add-row, covered column") << en << four << 4 << 1 << "";
        QTest::newRow("below the add-row") << en << four << 5 << 0 << "";
    }
    void cellTexts()
    {
        QFETCH(int, language);
        QFETCH(QStringList, labels);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        auto document = MakeDocument(ViewLayout(labels), {{"name 0", "note 0"},
                                                          {"name 1", "note 1"},
                                                          {"name 2", "note 2"},
                                                          {"name 3", "note 3"}});
        SetUiLanguage(static_cast<UiLanguage>(language));
        GridModel model(document.get());
        SetUiLanguage(UiLanguage::English);
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.data(model.index(row, column)).toString(), text);
    }

    void editEndings_data()
    {
        QTest::addColumn<int>("preKey");  // pressed before typing; 0 for none
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<int>("endKey");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("stored");
        const QString old = QStringLiteral("name 1");
        QTest::newRow("enter untouched") << 0 << "" << 0 << int(Qt::Key_Return) << true << old;
        QTest::newRow("type, delete back, enter")
            << int(Qt::Key_End) << "x" << 1 << int(Qt::Key_Return) << true << old;
        QTest::newRow("escape after typing")
            << int(Qt::Key_End) << "xyz" << 0 << int(Qt::Key_Escape) << true << old;
        QTest::newRow("typed, enter") << 0 << "abc" << 0 << int(Qt::Key_Return) << true << "abc";
        QTest::newRow("typed, up") << 0 << "abc" << 0 << int(Qt::Key_Up) << true << "abc";
        QTest::newRow("typed, tab") << 0 << "abc" << 0 << int(Qt::Key_Tab) << true << "abc";
        QTest::newRow("right at the end")
            << int(Qt::Key_End) << "!" << 0 << int(Qt::Key_Right) << true << "name 1!";
        QTest::newRow("left inside the text")
            << int(Qt::Key_End) << "" << 0 << int(Qt::Key_Left) << false << old;
    }
    void editEndings()
    {
        QFETCH(int, preKey);
        QFETCH(QString, typed);
        QFETCH(int, backspaces);
        QFETCH(int, endKey);
        QFETCH(bool, closes);
        QFETCH(QString, stored);
        Fixture f(3);
        f.Click(1, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        // A click opens the editor at once, over the cell less the grid lines, all selected.
        QCOMPARE(editor->geometry(), f.Rect(1, 1).adjusted(0, 0, -1, -1));
        QCOMPARE(editor->selectedText(), QStringLiteral("name 1"));
        QCOMPARE(editor->TextLimit(), kNameSize);
        if (preKey)
            QTest::keyClick(editor, Qt::Key(preKey));
        QTest::keyClicks(editor, typed);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key(endKey));
        QCOMPARE(f.LiveEditors(), closes ? 0 : 1);
        QCOMPARE(f.Text(1, 1), stored);
        QCOMPARE(f.document->IsModified(), stored != QStringLiteral("name 1"));
        QCOMPARE(f.view->hasFocus(), closes);
    }

    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("via");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ctrl+v") << "pasted"
                                << "key"
                                << "pasted";
        QTest::newRow("edit command, first line only") << "one\ntwo"
                                                       << "command"
                                                       << "one";
        QTest::newRow("cut to the field") << QString(50, u'p') << "key" << QString(kNameSize, u'p');
        // Menu, drop and middle-click pastes go through QLineEdit: a line break is refused.
        QTest::newRow("line edit's paste, line break") << "one\r\ntwo"
                                                       << "line edit"
                                                       << "name 1";
    }
    void paste()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, via);
        QFETCH(QString, stored);
        Fixture f(3);
        QApplication::clipboard()->setText(clipboard);
        f.Click(1, 1);
        QVERIFY(f.Editor());
        if (via == QLatin1String("key"))
            QTest::keyClick(f.Editor(), Qt::Key_V, Qt::ControlModifier);
        else if (via == QLatin1String("command"))
            f.view->EditCommand(GridView::EditAction::Paste);
        else
            f.Editor()->QLineEdit::paste();
        QTest::keyClick(f.Editor(), Qt::Key_Return);
        QCOMPARE(f.Text(1, 1), stored);
    }

    // Keys on a selected cell; the grid has 3 records, the add-row is row 3.
    void keys_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("character");   // sent instead of key when not empty
        QTest::addColumn<QPoint>("selected");     // (column, row) afterwards
        QTest::addColumn<QString>("editorText");  // null: no editor
        QTest::newRow("right") << 1 << 1 << int(Qt::Key_Right) << "" << QPoint(2, 1) << QString();
        QTest::newRow("right, last column")
            << 1 << 2 << int(Qt::Key_Right) << "" << QPoint(2, 1) << QString();
        QTest::newRow("left, first column")
            << 1 << 0 << int(Qt::Key_Left) << "" << QPoint(0, 1) << QString();
        QTest::newRow("up") << 1 << 2 << int(Qt::Key_Up) << "" << QPoint(2, 0) << QString();
        QTest::newRow("down") << 1 << 1 << int(Qt::Key_Down) << "" << QPoint(1, 2) << QString();
        QTest::newRow("down onto the add-row")
            << 2 << 1 << int(Qt::Key_Down) << "" << QPoint(0, 3) << QString();
        QTest::newRow("right on the add-row")
            << 3 << 0 << int(Qt::Key_Right) << "" << QPoint(0, 3) << QString();
        QTest::newRow("f2, text") << 1 << 1 << int(Qt::Key_F2) << "" << QPoint(1, 1) << "name 1";
        QTest::newRow("space, text")
            << 1 << 2 << int(Qt::Key_Space) << "" << QPoint(2, 1) << "note 1";
        QTest::newRow("f2, label") << 1 << 0 << int(Qt::Key_F2) << "" << QPoint(0, 1) << QString();
        QTest::newRow("delete, text") << 1 << 1 << int(Qt::Key_Delete) << "" << QPoint(1, 1) << "";
        QTest::newRow("delete, label")
            << 1 << 0 << int(Qt::Key_Delete) << "" << QPoint(0, 1) << QString();
        QTest::newRow("letter, text")
            << 1 << 1 << 0 << QString::fromUtf8("Ж") << QPoint(1, 1) << QString::fromUtf8("Ж");
        QTest::newRow("letter, label") << 1 << 0 << 0 << "q" << QPoint(0, 1) << QString();
    }
    void keys()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(QString, character);
        QFETCH(QPoint, selected);
        QFETCH(QString, editorText);
        Fixture f(3);
        QVERIFY(f.view->SelectCell(row, column));
        if (character.isEmpty())
            QTest::keyClick(f.view, Qt::Key(key));
        else
            QTest::sendKeyEvent(QTest::Click, f.view, Qt::Key_unknown, character, Qt::NoModifier);
        QCOMPARE(QPoint(f.view->SelectedColumn(), f.view->SelectedRow()), selected);
        QCOMPARE(f.view->currentIndex().row(), selected.y());
        QCOMPARE(f.Editor() != nullptr, !editorText.isNull());
        if (f.Editor()) {
            QCOMPARE(f.Editor()->text(), editorText);
            QTest::keyClick(f.Editor(), Qt::Key_Return);
            QCOMPARE(f.Text(selected.y(), selected.x()), editorText);
        }
        QCOMPARE(f.document->RecordCount(), 3);
    }

    // The add-row appends an empty record; the new record holds the selected cell while the
    // list's selection moves on with the add-row.
    void addRowAppends_data()
    {
        QTest::addColumn<bool>("click");
        QTest::newRow("click") << true;
        QTest::newRow("return") << false;
    }
    void addRowAppends()
    {
        QFETCH(bool, click);
        Fixture f(3);
        if (click) {
            f.Click(3, 2);
        } else {
            QVERIFY(f.view->SelectCell(3, 1));
            QTest::keyClick(f.view, Qt::Key_Return);
        }
        QCOMPARE(f.document->RecordCount(), 4);
        QCOMPARE(f.view->model()->rowCount(), 5);
        QCOMPARE(f.view->model()->data(f.view->model()->index(3, 0)).toString(),
                 QStringLiteral("# 3"));
        QCOMPARE(f.Text(3, 1), QString());
        QVERIFY(!f.document->IsModified());
        QCOMPARE(f.view->SelectedRow(), 3);
        QCOMPARE(f.view->SelectedColumn(), 0);
        QCOMPARE(f.view->currentIndex().row(), 4);
        QVERIFY(!f.Editor());
        QCOMPARE(f.view->columnSpan(4, 0), 3);
        QCOMPARE(f.view->columnSpan(3, 0), 1);
    }

    // Records come and go under an open editor: its text still reaches its own record.
    void recordsMoveUnderTheEditor_data()
    {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<int>("at");
        QTest::addColumn<QStringList>("names");  // after "edited" was typed into record 1
        QTest::newRow("insert above") << true << 0 << QStringList{"", "name 0", "edited", "name 2"};
        QTest::newRow("append") << true << 3 << QStringList{"name 0", "edited", "name 2", ""};
        QTest::newRow("remove above") << false << 0 << QStringList{"edited", "name 2"};
        QTest::newRow("remove below") << false << 2 << QStringList{"name 0", "edited"};
        QTest::newRow("remove the edited record") << false << 1 << QStringList{"name 0", "name 2"};
    }
    void recordsMoveUnderTheEditor()
    {
        QFETCH(bool, insert);
        QFETCH(int, at);
        QFETCH(QStringList, names);
        Fixture f(3);
        f.Click(1, 1);
        QTest::keyClicks(f.Editor(), QStringLiteral("edited"));
        QVERIFY(insert ? f.document->InsertRecords(at, 1) : f.document->RemoveRecords(at, 1));
        f.view->EndEdit();
        QStringList stored;
        for (int r = 0; r < f.document->RecordCount(); ++r)
            stored << f.Text(r, 1);
        QCOMPARE(stored, names);
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.view->model()->rowCount(), names.size() + 1);
        QCOMPARE(f.view->columnSpan(int(names.size()), 0), 3);
    }

    void overlongTextOpensWhole_data()
    {
        QTest::addColumn<int>("length");  // of a text in a field of 40
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<QString>("kept");  // stored after typing "ab" and Return
        QTest::newRow("45") << 45 << 6 << QString(39, u'w') + QStringLiteral("a");
        QTest::newRow("beyond a line edit's default limit") << 40000 << 0 << QString(40000, u'w');
    }
    void overlongTextOpensWhole()
    {
        QFETCH(int, length);
        QFETCH(int, backspaces);
        QFETCH(QString, kept);
        const QString text(length, u'w');
        Fixture f(3, text);
        f.Click(0, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), text);
        QCoreApplication::processEvents();
        QCOMPARE(f.window.statusBar()->currentMessage(),
                 QStringLiteral("Symbols used: %1/40").arg(length));
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_A);
        QCOMPARE(editor->text(), text);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, QStringLiteral("ab"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(f.Text(0, 1), kept);
        QCOMPARE(f.document->IsModified(), kept != text);
        QCOMPARE(f.window.statusBar()->currentMessage(), QString());
    }

    // Whatever moves the cells under the editor ends the edit first, committing it.
    void movingCellsEndTheEdit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("scroll bar") << "scroll";
        QTest::newRow("wheel") << "wheel";
        QTest::newRow("column resize") << "resize";
    }
    void movingCellsEndTheEdit()
    {
        QFETCH(QString, how);
        Fixture f(300);
        f.Click(1, 1);
        QVERIFY(f.Editor());
        QTest::keyClicks(f.Editor(), QStringLiteral("abc"));
        if (how == QLatin1String("scroll")) {
            f.view->verticalScrollBar()->setValue(f.view->verticalScrollBar()->value() + 10);
        } else if (how == QLatin1String("wheel")) {
            const QPoint at = f.Rect(5, 2).center();
            QWheelEvent wheel(at, f.view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(f.view->viewport(), &wheel);
        } else {
            f.view->horizontalHeader()->resizeSection(0, 90);
        }
        QVERIFY(!f.Editor());
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.Text(1, 1), QStringLiteral("abc"));
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
        // A listener that opens an editor while a commit is closing the last one.
        bool reopen = true;
        connect(f.document.get(), &EdtDocument::TextChanged, f.view, [&] {
            if (std::exchange(reopen, false))
                QVERIFY(f.view->BeginEdit());
        });
        QVERIFY(f.view->BeginEdit());
        QTest::keyClicks(f.Editor(), QStringLiteral("third"));
        f.view->EndEdit();
        QVERIFY(!reopen);
        QVERIFY(!f.Editor());
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.Text(4, 1), QStringLiteral("third"));
        // A view destroyed while an editor is open and another one's close is still queued.
        QVERIFY(f.view->BeginEdit());
        f.view->EndEdit();
        QVERIFY(f.view->BeginEdit());
        QTest::keyClicks(f.Editor(), QStringLiteral("gone"));
        delete f.view;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.Text(4, 1), QStringLiteral("third"));
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
        QTest::newRow("after the selected record") << 0 << "name" << 0u << QPoint(1, 1) << "name";
        QTest::newRow("wraps") << 2 << "name" << 0u << QPoint(1, 0) << "name";
        QTest::newRow("add-row counts as none") << 3 << "name" << 0u << QPoint(1, 0) << "name";
        QTest::newRow("inside a text") << -1 << "te 2" << 0u << QPoint(2, 2) << "te 2";
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
        QCOMPARE(f.Editor()->TextLimit(), f.document->Format().fields[hit.x()].size);
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
