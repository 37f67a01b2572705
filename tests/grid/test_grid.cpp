#include "TestDocument.h"
#include "TestRegistry.h"
#include "base/UiText.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "search/Search.h"
#include "session/DocumentSession.h"
#include "translation/TranslationStatus.h"

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

// Records "name r" / "note r" (or every name the same) in a main window with a status bar;
// records 0 and 1 have labels of their own, the others the language's numbered ones.
struct Fixture {
    std::unique_ptr<DocumentSession> session;
    EdtDocument* document = nullptr;
    QMainWindow window;
    GridView* view = nullptr;
    GridCommands* commands = nullptr;

    explicit Fixture(int records, const QString& name = QString())
    {
        Rows rows;
        for (int r = 0; r < records; ++r)
            rows << QStringList{name.isNull() ? QStringLiteral("name %1").arg(r) : name,
                                QStringLiteral("note %1").arg(r)};
        session = std::make_unique<DocumentSession>(
            MakeDocument(
                MakeFormat(60, {LabelField("Id", {"a", "b"}), TextField("Name", 0, kNameSize, 260),
                                TextField("Note", kNameSize, 20, -1)}),
                rows),
            QStringLiteral("t"), nullptr);
        document = session->Document();
        view = new GridView(session.get(), &window);
        commands = new GridCommands(view);
        window.setCentralWidget(view);
        QObject::connect(view, &GridView::StatusShown, window.statusBar(),
                         [this](const QString& text) { window.statusBar()->showMessage(text); });
        window.resize(520, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        view->setFocus();
    }

    QRect Rect(int row, int column) const
    {
        return view->visualRect(view->model()->index(row, column));
    }
    void Click(int row, int column)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Rect(row, column).center());
    }
    QString Text(int row, int column) const { return document->Text(row, column); }
    QStringList Names() const { return {Text(0, 1), Text(1, 1), Text(2, 1)}; }
    InplaceEdit* Editor() const { return view->Editor(); }
    // The editor's text with its selection in brackets; null without an editor.
    QString Shown() const
    {
        QString text = Editor() ? Editor()->text() : QString();
        if (Editor() && Editor()->hasSelectedText())
            text.insert(Editor()->selectionEnd(), u']').insert(Editor()->selectionStart(), u'[');
        return text;
    }
    int LiveEditors() const  // alive among the viewport's children; closed ones go later
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

    // A script on the editor a click opens on record 1's Name: keys, text, "Paste" (the Edit
    // command), "LinePaste" (menu, drop, middle click), records and cells changing under it.
    void edits_data()
    {
        QTest::addColumn<QString>("name");  // every record's Name; null: "name r"
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("names");  // of records 0..2; empty: the editor stays open
        auto row = [](const char* tag, const QStringList& script, const QString& stored,
                      const QString& clipboard = "", const QString& name = {}) {
            QTest::newRow(tag) << name << clipboard << script
                               << QStringList{name.isNull() ? u"name 0"_qs : name, stored,
                                              name.isNull() ? u"name 2"_qs : name};
        };
        row("type, delete back, return", {"End", "x", "Backspace", "Return"}, "name 1");
        row("escape after typing", {"End", "xyz", "Esc"}, "name 1");
        row("typed, return", {"abc", "Return"}, "abc");
        row("typed, tab", {"abc", "Tab"}, "abc");
        row("right at the end", {"End", "!", "Right"}, "name 1!");
        QTest::newRow("left inside the text")
            << QString() << "" << QStringList{"End", "Left"} << QStringList();
        row("edit command, first line only", {"Paste", "Return"}, "one", "one\ntwo");
        row("paste cut to the field", {"Ctrl+V", "Return"}, QString(40, u'p'), QString(50, u'p'));
        row("line edit's paste, line break", {"LinePaste", "Return"}, "name 1", "one\r\ntwo");
        // A loaded text over the limit opens whole; it cannot grow, only shrink.
        row("over-long, shrunk, filled to the limit",
            QStringList{"End"} + QStringList(6, "Backspace") + QStringList{"ab", "Return"},
            QString(39, u'w') + "a", "", QString(45, u'w'));
        const QString w40k(40000, u'w');
        row("beyond a line edit's default limit", {"End", "a", "Return"}, w40k, "", w40k);
        // The edit still reaches its own record (scrolling and resizing end it first).
        auto under = [](const char* tag, const QString& change, const QStringList& names) {
            QTest::newRow(tag) << QString() << "" << QStringList{"edited", change, "EndEdit"}
                               << names;
        };
        under("insert above", "insert 0", {"", "name 0", "edited"});
        under("insert below", "insert 2", {"name 0", "edited", ""});
        under("remove above", "remove 0", {"edited", "name 2", "name 3"});
        under("remove the edited record", "remove 1", {"name 0", "name 2", "name 3"});
        under("scroll", "scroll", {"name 0", "edited", "name 2"});
        under("column resize", "resize", {"name 0", "edited", "name 2"});
    }
    void edits()
    {
        QFETCH(QString, name);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, script);
        QFETCH(QStringList, names);
        Fixture f(name.isNull() ? 300 : 3, name);
        const QString opening = f.Text(1, 1);
        const QStringList before = f.Names();
        QApplication::clipboard()->setText(clipboard);
        f.Click(1, 1);
        InplaceEdit* editor = f.Editor();
        QVERIFY(editor);
        // Open at once, all selected, counted in the status bar.
        QCOMPARE(f.Shown(), '[' + opening + ']');
        QCoreApplication::processEvents();
        QCOMPARE(f.window.statusBar()->currentMessage(),
                 QStringLiteral("Characters used: %1/%2").arg(opening.size()).arg(kNameSize));
        for (const QString& step : script) {
            const int at = step.back().digitValue();
            if (step == QLatin1String("Paste"))
                f.commands->EditCommand(GridCommands::EditAction::Paste);
            else if (step == QLatin1String("LinePaste"))
                editor->QLineEdit::paste();
            else if (step == QLatin1String("EndEdit"))
                f.view->EndEdit();
            else if (step.startsWith(QLatin1String("insert")))
                QVERIFY(f.document->InsertRecords(at, 1));
            else if (step.startsWith(QLatin1String("remove")))
                QVERIFY(f.document->RemoveRecords(at, 1));
            else if (step == QLatin1String("scroll"))
                f.view->verticalScrollBar()->setValue(10);
            else if (step == QLatin1String("resize"))
                f.view->horizontalHeader()->resizeSection(0, 90);
            else if (step.size() > 1 && step[0].isUpper())
                QTest::keySequence(editor, QKeySequence(step));
            else
                QTest::keyClicks(editor, step);
        }
        const bool open = names.isEmpty();
        QCOMPARE(f.LiveEditors(), open ? 1 : 0);
        QCOMPARE(f.Names(), open ? before : names);
        // Modified by a committed edit only: records coming and going outside the history are
        // no edit of the user's.
        const bool moved = script.first() == u"edited";
        QCOMPARE(f.session->IsModified(),
                 moved ? names.contains(u"edited"_qs) : f.Text(1, 1) != opening);
        QCOMPARE(f.view->hasFocus(), !open);
    }

    // Keys, a character, "click" or a find ("find text", "regex pattern") on a selected cell. The
    // add-row (row 3) appends an empty record, which holds the selected cell as the list moves on.
    void input_data()
    {
        QTest::addColumn<QPoint>("cell");  // (column, row) selected first; row -1: none
        QTest::addColumn<QString>("input");
        QTest::addColumn<QPoint>("selected");  // afterwards
        QTest::addColumn<int>("listRow");
        QTest::addColumn<QString>("editor");  // see Shown()
        auto row = [](const char* tag, QPoint cell, const char* input, QPoint selected, int listRow,
                      const QString& editor = {}) {
            QTest::newRow(tag) << cell << QString::fromUtf8(input) << selected << listRow << editor;
        };
        row("right", {1, 1}, "Right", {2, 1}, 1);
        row("right, last column", {2, 1}, "Right", {2, 1}, 1);
        row("up", {2, 1}, "Up", {2, 0}, 0);
        row("down onto the add-row", {1, 2}, "Down", {0, 3}, 3);
        row("right on the add-row", {0, 3}, "Right", {0, 3}, 3);
        row("f2, text", {1, 1}, "F2", {1, 1}, 1, "[name 1]");
        row("delete, text", {1, 1}, "Del", {1, 1}, 1, "");
        row("letter, text", {2, 1}, "Ж", {2, 1}, 1, "Ж");
        row("letter, label", {0, 1}, "q", {0, 1}, 1);
        row("click, text", {0, 0}, "click", {2, 1}, 1, "[note 1]");
        row("click, label", {2, 0}, "click", {0, 1}, 1);
        row("add-row, click", {0, 0}, "click", {0, 3}, 4);
        row("add-row, return", {0, 3}, "Return", {0, 3}, 4);
        row("find, nothing selected", {1, -1}, "find name", {1, 0}, 0, "[name] 0");
        row("find from the add-row", {1, 3}, "find name", {1, 0}, 0, "[name] 0");
        row("find inside a text", {1, 1}, "find ote", {2, 2}, 2, "n[ote] 2");
        row("find nothing", {1, 1}, "find zzz", {1, 1}, 1);
        row("invalid pattern", {1, 1}, "regex (", {1, 1}, 1);
    }
    void input()
    {
        QFETCH(QPoint, cell);
        QFETCH(QString, input);
        QFETCH(QPoint, selected);
        QFETCH(int, listRow);
        QFETCH(QString, editor);
        Fixture f(3);
        QCOMPARE(f.view->SelectCell(cell.y(), cell.x()), cell.y() >= 0);
        const qsizetype space = input.indexOf(u' ');
        if (input == QLatin1String("click"))
            f.Click(selected.y(), selected.x());
        else if (space > 0)
            f.commands->FindRequest(
                SearchQuery{input.mid(space + 1), input[0] == u'r' ? quint32(kSearchRegex) : 0u});
        else if (input.size() > 1)
            QTest::keySequence(f.view, QKeySequence(input));
        else
            QTest::sendKeyEvent(QTest::Click, f.view, Qt::Key_unknown, input, Qt::NoModifier);
        QCOMPARE(QPoint(f.view->SelectedColumn(), f.view->SelectedRow()), selected);
        QCOMPARE(f.view->currentIndex().row(), listRow);
        QCOMPARE(f.Shown(), editor);
        QCOMPARE(bool(f.Editor()), !editor.isNull());  // an empty text is no missing editor
        const int records = listRow == 4 ? 4 : 3;
        QCOMPARE(f.document->RecordCount(), records);
        QCOMPARE(f.view->model()->rowCount(), records + 1);
        QVERIFY(!f.session->IsModified());
        QStringList labels;
        for (int row : {1, records - 1, records})
            labels << f.view->model()->index(row, 0).data().toString();
        QCOMPARE(labels,
                 QStringList({"b", u"# %1"_qs.arg(records - 1), "<<Click to add new line>>"}));
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
        // A selection from code: the editor's focus loss commits and closes it in a nested run.
        QTest::keyClicks(f.Editor(), QStringLiteral("second"));
        QVERIFY(f.view->SelectCell(4, 1));
        QVERIFY(!f.Editor());
        QCOMPARE(f.LiveEditors(), 0);
        QCOMPARE(f.Text(2, 2), QStringLiteral("second"));
        f.commands->EditCommand(GridCommands::EditAction::Paste);
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
        g.session.reset();
        QVERIFY(!g.Editor());
        QCOMPARE(g.LiveEditors(), 0);
        QCOMPARE(g.view->model()->rowCount(), 0);
        g.view->viewport()->grab();
    }

    // A text over its field's size shows pink, also on the highlighted row, the field beside it
    // not; a double click on a divider keeps the width.
    void overlongCellsAndWidths()
    {
        for (int length : {kNameSize, kNameSize + 1}) {
            Fixture f(3, QString(length, u'i'));
            QPalette palette = f.view->palette();
            palette.setColor(QPalette::Base, QColor(250, 250, 250));
            palette.setColor(QPalette::Button, QColor(200, 210, 220));
            f.view->setPalette(palette);
            f.view->SelectCell(0, 2);
            const QImage image = f.view->viewport()->grab().toImage();
            auto colour = [&](int row, int column) {
                const QRect rect = f.Rect(row, column);
                return image.pixelColor(rect.right() - 4, rect.top() + 3);
            };
            const bool over = length > kNameSize;
            const QColor pink(kTextTooLongColour);
            QCOMPARE(colour(2, 1), over ? pink : palette.color(QPalette::Base));
            QCOMPARE(colour(0, 1), over ? pink : palette.color(QPalette::Button));
            QCOMPARE(colour(2, 2), palette.color(QPalette::Base));
            QHeaderView* header = f.view->horizontalHeader();
            const int width = header->sectionSize(1);
            QTest::mouseDClick(
                header->viewport(), Qt::LeftButton, {},
                {header->sectionViewportPosition(1) + width - 1, header->height() / 2});
            QCOMPARE(header->sectionSize(1), width);
        }
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
                    f.commands->EditCommand(step == u"u" ? GridCommands::EditAction::Undo
                                                         : GridCommands::EditAction::Redo);
                    break;
                case u's':
                    f.session->MarkSaved();
                    break;
                case u'a':
                    f.view->SelectCell(f.document->RecordCount(), 0);
                    QTest::keyClick(f.view, Qt::Key_Return);
                    break;
                case u'R':
                    QVERIFY(f.commands->ReplaceAllRequest(SearchQuery{arg.section(u'=', 0, 0), 0},
                                                          text));
                    break;
                case u'e':
                    QVERIFY(f.view->SelectCell(0, 1) && f.view->BeginEdit());
                    QTest::keyClicks(f.Editor(), QStringLiteral("zz"));
                    f.commands->EditCommand(GridCommands::EditAction::Undo);
                    QCOMPARE(f.Editor()->text(), QStringLiteral("name 0"));
                    f.view->EndEdit();
                    break;
            }
        }
        QStringList names;
        for (int r = 0; r < f.document->RecordCount(); ++r)
            names << f.Text(r, 1);
        QTEST(names, "names");
        QTEST(f.session->IsModified(), "modified");
        QTEST(QStringLiteral("%1:%2").arg(f.view->SelectedRow()).arg(f.view->SelectedColumn()),
              "selected");
    }

    // A 2-record reference beside the 3 records: a script on record 1, then the view column
    // the editor sits in (-1: none) and record 1's Name and Note.
    void reference_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<int>("editorColumn");
        QTest::addColumn<QStringList>("texts");
        const QStringList plain{"name 1", "note 1"};
        QTest::newRow("reference cell") << QStringList{"click 2", "F2", "q"} << -1 << plain;
        QTest::newRow("typed") << QStringList{"click 3", "x", "Return"} << -1
                               << QStringList{"name 1", "x"};
        QTest::newRow("found") << QStringList{"find ote 1"} << 3 << plain;
        QTest::newRow("copied") << QStringList{"click 2", "copy"} << -1
                                << QStringList{"ref 1", "note 1"};
    }
    void reference()
    {
        QFETCH(QStringList, script);
        Fixture f(3);
        f.window.resize(900, 300);
        auto reference = MakeDocument(f.document->Format(), {{"ref 0", "rn 0"}, {"ref 1", "rn 1"}});
        TranslationStatus status(*f.document);
        f.view->SetTranslationStatus(&status);
        status.SetReference(reference.get());
        QHeaderView* header = f.view->horizontalHeader();
        QImage image = f.view->viewport()->grab().toImage();
        auto cell = [&](int column) {
            return image.pixelColor(f.Rect(2, column).topRight() + QPoint(-4, 3)).name() + ' ' +
                   f.view->model()->index(column == 2 ? 2 : 1, column).data().toString() + ' ' +
                   header->model()->headerData(column, Qt::Horizontal).toString() + ' ' +
                   QString::number(header->sectionSize(column));
        };
        // Grey, the reference's text (record 2 has none), captioned, as wide as its column;
        // the last column takes the rest of the width.
        QCOMPARE(cell(1), "#ffffff name 1 Name 260");
        QCOMPARE(cell(2), "#e0e0e0  Name (reference) 260");
        QCOMPARE(cell(3).section(u' ', -1), "100");
        QCOMPARE(cell(4), "#e0e0e0 rn 1 Note (reference) " +
                              QString::number(f.view->viewport()->width() -
                                              header->sectionViewportPosition(4)));
        QVERIFY(header->sectionSize(4) > 100);
        for (const QString& step : script) {
            if (step.startsWith(QLatin1String("click")))
                f.Click(1, step.back().digitValue());
            else if (step.startsWith(QLatin1String("find")))
                f.commands->FindRequest(SearchQuery{step.mid(5), 0});
            else if (step == QLatin1String("copy"))
                QVERIFY(f.commands->CopyReference());
            else
                QTest::keySequence(f.Editor() ? static_cast<QWidget*>(f.Editor()) : f.view, step);
        }
        QTEST(f.Editor() ? f.view->columnAt(f.Editor()->geometry().center().x()) : -1,
              "editorColumn");
        QTEST(QStringList({f.Text(1, 1), f.Text(1, 2)}), "texts");
        status.SetReference(nullptr);
        image = f.view->viewport()->grab().toImage();
        QCOMPARE(cell(2).section(u' ', 0, -2), "#ffffff note 2 Note");  // the last again
    }
};

SCRIVLET_TEST(TestGrid);
#include "test_grid.moc"
