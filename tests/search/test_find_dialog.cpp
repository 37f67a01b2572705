#include "Commands.h"
#include "FindDialog.h"
#include "FormatCatalogue.h"
#include "GridView.h"
#include "InplaceEdit.h"
#include "MainFrame.h"
#include "MessageBoxes.h"
#include "RecordGrid.h"
#include "RegistrySetting.h"
#include "SearchWalk.h"
#include "TestRegistry.h"
#include "UiText.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace scrivlet;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

constexpr int kTextSize = 20;
constexpr int kNoteSize = 40;

int DialogFormat()
{
    static const int index = [] {
        EdtFormat format;
        format.name = QStringLiteral("find dialog");
        format.recordLength = 64;
        auto field = [](const char* caption, int type, int size) {
            FieldDef f;
            f.caption = QString::fromLatin1(caption);
            f.type = type;
            f.width = 160;
            f.size = size;
            return f;
        };
        format.fields[0] = field("No", kLabelField, 0);
        format.fields[1] = field("Text", kTextField, kTextSize);
        format.fields[2] = field("Note", kTextField, kNoteSize);
        GlobalCatalogue().Append(format);
        return GlobalCatalogue().Count() - 1;
    }();
    return index;
}

// A document view; rows hold (text, note).
GridView* NewDocumentView(const QList<QPair<QString, QString>>& rows)
{
    auto* grid = new RecordGrid;
    grid->SetFormatIndex(DialogFormat());
    grid->SetCellFontFamily(DocumentFontFamily());
    grid->InsertColumn(0, QStringLiteral("No"), 60);
    grid->InsertColumn(1, QStringLiteral("Text"), 160);
    grid->InsertColumn(2, QStringLiteral("Note"), 160);
    for (int r = 0; r < rows.size(); ++r) {
        grid->InsertRecordRow(-1, CreateLabelCell(QStringLiteral("# %1").arg(r)));
        grid->SetCell(r, 1, CreateTextCell(rows[r].first));
        grid->SetCell(r, 2, CreateTextCell(rows[r].second));
    }
    grid->AppendAddRow();
    grid->SetModeFlags(kDocumentGridModes);
    grid->SetModified(false);
    grid->RefreshAppearance();
    return new GridView(grid);
}

const QList<QPair<QString, QString>>& Rows()
{
    static const QList<QPair<QString, QString>> rows = {
        {"Fire sword", "sword of fire"}, {"aXb", "a.b"},           {"Ice sword", "cold as ЖУК"},
        {"Swordfish", "{2} braces"},     {"\U0001F600 sword", ""},
    };
    return rows;
}

// Types any text: keyClicks takes ASCII only.
void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

FindDialog* DialogOf(const MainFrame& frame)
{
    const auto dialogs = frame.findChildren<FindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    return dialogs.size() == 1 ? dialogs.first() : nullptr;
}

}  // namespace

class FindDialogTest : public QObject {
    Q_OBJECT

    MemorySettingStore store_;

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        UseSettingStore(&store_);
        SetMessageBoxHandler([](const MessageBoxRequest&) { return QMessageBox::Ok; });
        MainFrame::SetCatalogueLoader([](FormatCatalogue&, UiLanguage, QString*) {
            // The tests' formats are in the global catalogue already.
            return true;
        });
    }

    void cleanup() { SetUiLanguage(UiLanguage::English); }

    void cleanupTestCase()
    {
        MainFrame::SetCatalogueLoader({});
        SetMessageBoxHandler({});
    }

    // --- the dialog by itself ----------------------------------------------------------

    void texts_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("matchCase");
        QTest::addColumn<QString>("regex");
        QTest::newRow("en") << UiLanguage::English << "Найти"
                            << "Find"
                            << "Close"
                            << "Find what:"
                            << "match case"
                            << "use regular expressions";
        QTest::newRow("de") << UiLanguage::German << "Suche"
                            << "Suche"
                            << "SchlieЯen"
                            << "Suchen nach:"
                            << "ьbereinstimmender Ausdruck"
                            << "Verwende regulдre Ausdrьcke";
        QTest::newRow("pl") << UiLanguage::Polish << "Znajdџ"
                            << "Znajdџ"
                            << "Zamkn№ж"
                            << "Szukaж:"
                            << "z obliczeniem rejestru"
                            << "wykorzystaж regularne wyraїenia";
        QTest::newRow("ru") << UiLanguage::Russian << "Найти"
                            << "Найти"
                            << "Закрыть"
                            << "Искать:"
                            << "с учётом регистра"
                            << "использовать регулярные выражения";
    }

    void texts()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, caption);
        QFETCH(QString, find);
        QFETCH(QString, close);
        QFETCH(QString, label);
        QFETCH(QString, matchCase);
        QFETCH(QString, regex);
        SetUiLanguage(language);
        FindDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), caption);
        QCOMPARE(dialog.FindButton()->text(), find);
        QCOMPARE(dialog.CloseButton()->text(), close);
        QCOMPARE(dialog.findChild<QLabel*>()->text(), label);
        QCOMPARE(dialog.OptionBox(kMatchCaseId)->text(), matchCase);
        QCOMPARE(dialog.OptionBox(kRegexId)->text(), regex);
        for (int id : {kWholeWordId, kBackwardsId})
            QVERIFY(!dialog.OptionBox(id)->text().isEmpty());
    }

    // Every control inside the dialog, none covering another, in the template's order.
    void layout()
    {
        FindDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QList<QWidget*> controls = dialog.findChildren<QWidget*>();
        QCOMPARE(controls.size(), 8);
        for (QWidget* a : controls) {
            QVERIFY2(dialog.rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (QWidget* b : controls) {
                if (a != b)
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " / " + b->objectName()));
            }
        }
        QVERIFY(dialog.FindButton()->isDefault());
        QVERIFY(dialog.SearchText()->geometry().right() < dialog.FindButton()->x());
        int y = dialog.SearchText()->geometry().bottom();
        for (int id : {kMatchCaseId, kWholeWordId, kBackwardsId, kRegexId}) {
            QVERIFY(dialog.OptionBox(id)->y() > y);
            y = dialog.OptionBox(id)->y();
        }
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    }

    void optionFlags_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<uint>("flags");
        QTest::newRow("none") << QList<int>{} << 0u;
        QTest::newRow("match case") << QList<int>{kMatchCaseId} << uint(kSearchMatchCase);
        QTest::newRow("whole word") << QList<int>{kWholeWordId} << uint(kSearchWholeWord);
        QTest::newRow("backwards") << QList<int>{kBackwardsId} << uint(kSearchBackwards);
        QTest::newRow("regex") << QList<int>{kRegexId} << uint(kSearchRegex);
        QTest::newRow("all") << QList<int>{kMatchCaseId, kWholeWordId, kBackwardsId, kRegexId}
                             << 15u;
        QTest::newRow("ticked twice is clear")
            << QList<int>{kRegexId, kBackwardsId, kRegexId} << uint(kSearchBackwards);
    }

    void optionFlags()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(uint, flags);
        FindDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int id : ticked) {
            QCheckBox* box = dialog.OptionBox(id);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
        }
        QCOMPARE(dialog.SearchFlags(), quint32(flags));
    }

    // Find posts: the owner hears of it from the event loop, with the built pattern.
    void findPosts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("plain") << "a.b" << QList<int>{} << R"(a\.b)";
        QTest::newRow("whole word") << "cat" << QList<int>{kWholeWordId} << R"((^|\W)(cat)(\W|$))";
        QTest::newRow("regex") << "a.{2}" << QList<int>{kRegexId} << R"(a.\{2\})";
    }

    void findPosts()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, ticked);
        QFETCH(QString, pattern);
        FindDialog dialog(nullptr);
        QStringList patterns;
        QList<quint32> flags;
        dialog.SetFindRequestHandler([&](const QString& p, quint32 f) {
            patterns << p;
            flags << f;
        });
        dialog.ShowAndFocus();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (int id : ticked)
            dialog.OptionBox(id)->click();
        QTest::keyClicks(dialog.SearchText(), typed);
        QTest::keyClick(dialog.SearchText(), Qt::Key_Return);
        QVERIFY(patterns.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(patterns, QStringList{pattern});
        QCOMPARE(flags.first(), dialog.SearchFlags());
        QVERIFY(dialog.isVisible());
        // Enter on a check box is Find too.
        dialog.OptionBox(kBackwardsId)->setFocus();
        QTest::keyClick(dialog.OptionBox(kBackwardsId), Qt::Key_Enter);
        QCoreApplication::processEvents();
        QCOMPARE(patterns.size(), 2);
    }

    // Escape and Close hide; Show brings back the same text, all of it selected and focused.
    void closeHides_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("escape") << true;
        QTest::newRow("close button") << false;
    }

    void closeHides()
    {
        QFETCH(bool, escape);
        QWidget owner;
        owner.show();
        QPointer<FindDialog> dialog = new FindDialog(&owner);
        dialog->ShowAndFocus();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTRY_VERIFY(dialog->SearchText()->hasFocus());
        QTest::keyClicks(dialog->SearchText(), "dragon");
        dialog->OptionBox(kMatchCaseId)->click();
        if (escape)
            QTest::keyClick(dialog->SearchText(), Qt::Key_Escape);
        else
            dialog->CloseButton()->click();
        QCoreApplication::processEvents();
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        dialog->ShowAndFocus();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTRY_VERIFY(dialog->SearchText()->hasFocus());
        QCOMPARE(dialog->SearchText()->selectedText(), "dragon");
        QCOMPARE(dialog->SearchFlags(), quint32(kSearchMatchCase));
        QVERIFY(dialog->OptionBox(kMatchCaseId)->isChecked());
    }

    // --- through the main frame to the active grid ---------------------------------------

    // Ctrl+F, typing and Enter in the dialog open the editor on the hit with the match
    // selected; pressing Enter again moves on.
    void findInFrame_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("selected");     // row selected before, -1 none
        QTest::addColumn<QList<int>>("rows");  // rows of the hits of consecutive Finds
        QTest::addColumn<QList<int>>("columns");
        QTest::addColumn<QStringList>("selections");

        using L = QList<int>;
        QTest::newRow("plain, wraps") << "sword" << L{} << 2 << L{3, 4, 0, 2} << L{1, 1, 1, 1}
                                      << QStringList{"Sword", "sword", "sword", "sword"};
        QTest::newRow("backwards")
            << "sword" << L{kBackwardsId} << -1 << L{4, 3, 2, 0} << L{1, 1, 1, 1}
            << QStringList{"sword", "Sword", "sword", "sword"};
        QTest::newRow("match case") << "Sword" << L{kMatchCaseId} << -1 << L{3, 3} << L{1, 1}
                                    << QStringList{"Sword", "Sword"};
        QTest::newRow("whole word") << "sword" << L{kWholeWordId} << 0 << L{2, 4, 0} << L{1, 1, 1}
                                    << QStringList{"sword", "sword", "sword"};
        QTest::newRow("dot plain")
            << "a.b" << L{} << -1 << L{1, 1} << L{2, 2} << QStringList{"a.b", "a.b"};
        QTest::newRow("dot regex")
            << "a.b" << L{kRegexId} << -1 << L{1} << L{1} << QStringList{"aXb"};
        QTest::newRow("braces regex")
            << "{2}" << L{kRegexId} << -1 << L{3} << L{2} << QStringList{"{2}"};
        QTest::newRow("cyrillic folded")
            << "жук" << L{} << -1 << L{2} << L{2} << QStringList{"ЖУК"};
    }

    void findInFrame()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, ticked);
        QFETCH(int, selected);
        QFETCH(QList<int>, rows);
        QFETCH(QList<int>, columns);
        QFETCH(QStringList, selections);

        MainFrame frame;
        GridView* view = NewDocumentView(Rows());
        frame.AddDocumentTab(view, QStringLiteral("doc.edt"));
        frame.resize(700, 400);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.UpdateUi();
        RecordGrid* grid = view->Grid();
        if (selected >= 0)
            QVERIFY(grid->SelectCell(selected, 1));

        QTest::keyClick(&frame, Qt::Key_F, Qt::ControlModifier);
        FindDialog* dialog = DialogOf(frame);
        QVERIFY(dialog);
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        QTRY_VERIFY(dialog->SearchText()->hasFocus());
        for (int id : ticked)
            dialog->OptionBox(id)->click();
        Type(dialog->SearchText(), typed);

        for (int i = 0; i < rows.size(); ++i) {
            QTest::keyClick(dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            InplaceEdit* editor = view->Editor();
            QVERIFY2(editor, qPrintable(QString::number(i)));
            QCOMPARE(grid->SelectedRow(), rows[i]);
            QCOMPARE(grid->EditRow(), rows[i]);
            QCOMPARE(grid->EditColumn(), columns[i]);
            QCOMPARE(editor->selectedText(), selections[i]);
        }
        // The same dialog serves the next Find.
        frame.RunCommand(cmd::Find);
        QCOMPARE(frame.findChildren<FindDialog*>().size(), 1);
        QCOMPARE(dialog->SearchText()->selectedText(), typed);
    }

    // Nothing found, or no valid expression: selection, editor and dialog stay as they were.
    void nothingChanges_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("ticked");
        QTest::newRow("not found") << "dragon" << QList<int>{};
        QTest::newRow("only in the selected row") << "Fire" << QList<int>{};
        QTest::newRow("unclosed group") << "(sword" << QList<int>{kRegexId};
        QTest::newRow("lone backslash") << R"(sword\)" << QList<int>{kRegexId};
        QTest::newRow("too costly") << "(a|aa)*y" << QList<int>{kRegexId};
    }

    void nothingChanges()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, ticked);
        QList<QPair<QString, QString>> rows = Rows();
        // A cell on which the last pattern backtracks for ages.
        rows.append({QString(kTextSize, u'a'), QString(kNoteSize, u'a') + u'b'});
        MainFrame frame;
        GridView* view = NewDocumentView(rows);
        frame.AddDocumentTab(view, QStringLiteral("doc.edt"));
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        RecordGrid* grid = view->Grid();
        QVERIFY(grid->SelectCell(0, 2));
        frame.RunCommand(cmd::Find);
        FindDialog* dialog = DialogOf(frame);
        QVERIFY(dialog);
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        for (int id : ticked)
            dialog->OptionBox(id)->click();
        Type(dialog->SearchText(), typed);
        dialog->SearchText()->setFocus();
        QTest::keyClick(dialog->SearchText(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(!view->Editor());
        QCOMPARE(grid->SelectedRow(), 0);
        QCOMPARE(grid->SelectedColumn(), 2);
        QVERIFY(dialog->isVisible());
        QTRY_VERIFY(dialog->SearchText()->hasFocus());
        QCOMPARE(dialog->SearchText()->text(), typed);
    }

    // The editor opened on a hit takes no more than the field's size.
    void editorLimited()
    {
        MainFrame frame;
        GridView* view = NewDocumentView(Rows());
        frame.AddDocumentTab(view, QStringLiteral("doc.edt"));
        frame.resize(700, 400);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.RunCommand(cmd::Find);
        FindDialog* dialog = DialogOf(frame);
        QVERIFY(dialog);
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        QTest::keyClicks(dialog->SearchText(), "Ice");
        QTest::keyClick(dialog->SearchText(), Qt::Key_Return);
        QCoreApplication::processEvents();
        InplaceEdit* editor = view->Editor();
        QVERIFY(editor);
        QCOMPARE(editor->TextLimit(), kTextSize);
        editor->end(false);
        QTest::keyClicks(editor, QString(30, u'z'));
        QCOMPARE(editor->text().size(), kTextSize);
        QVERIFY(editor->text().startsWith("Ice sword"));
    }

    // A posted request for a frame whose last tab has gone is dropped.
    void noTab()
    {
        MainFrame frame;
        frame.AddDocumentTab(NewDocumentView(Rows()), QStringLiteral("doc.edt"));
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.RunCommand(cmd::Find);
        FindDialog* dialog = DialogOf(frame);
        QVERIFY(dialog);
        QTest::keyClicks(dialog->SearchText(), "sword");
        dialog->Find();
        frame.CloseTab(0);
        QCOMPARE(frame.TabCount(), 0);
        QCoreApplication::processEvents();
        QVERIFY(dialog->isVisible());
    }
};

SCRIVLET_TEST(FindDialogTest);
#include "test_find_dialog.moc"
