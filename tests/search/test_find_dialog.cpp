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

#include <tuple>

using namespace scrivlet;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

constexpr int kTextSize = 20;

// A main frame with one document (label, Text of size 20, Note of size 40) and its find
// dialog open, as after Ctrl+F.
struct Frame {
    MainFrame frame;
    GridView* view = nullptr;
    RecordGrid* grid = nullptr;
    FindDialog* dialog = nullptr;

    explicit Frame(QList<QPair<QString, QString>> extraRows = {})
    {
        static const int format = [] {
            EdtFormat f;
            f.name = QStringLiteral("find dialog");
            const std::tuple<const char*, int, int> fields[] = {
                {"No", kLabelField, 0}, {"Text", kTextField, kTextSize}, {"Note", kTextField, 40}};
            for (std::size_t k = 0; k < std::size(fields); ++k) {
                f.fields[k].caption = QString::fromLatin1(std::get<0>(fields[k]));
                f.fields[k].type = std::get<1>(fields[k]);
                f.fields[k].size = std::get<2>(fields[k]);
            }
            GlobalCatalogue().Append(f);
            return GlobalCatalogue().Count() - 1;
        }();
        QList<QPair<QString, QString>> rows = {{"Fire sword", "sword of fire"},
                                               {"aXb", "a.b"},
                                               {"Ice sword", "cold as ЖУК"},
                                               {"Swordfish", "{2} braces"},
                                               {"\U0001F600 sword", ""}};
        rows += extraRows;
        grid = new RecordGrid;
        grid->SetFormatIndex(format);
        for (int k = 0; k < 3; ++k)
            grid->InsertColumn(k, QStringLiteral("c%1").arg(k), k ? 160 : 60);
        for (int r = 0; r < rows.size(); ++r) {
            grid->InsertRecordRow(-1, CreateLabelCell(QStringLiteral("# %1").arg(r)));
            grid->SetCell(r, 1, CreateTextCell(rows[r].first));
            grid->SetCell(r, 2, CreateTextCell(rows[r].second));
        }
        grid->AppendAddRow();
        grid->SetModeFlags(kDocumentGridModes);
        view = new GridView(grid);
        frame.AddDocumentTab(view, QStringLiteral("doc.edt"));
        frame.resize(700, 400);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.UpdateUi();
        QTest::keyClick(&frame, Qt::Key_F, Qt::ControlModifier);
        const auto dialogs = frame.findChildren<FindDialog*>();
        QCOMPARE(dialogs.size(), 1);
        dialog = dialogs.first();
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        QTRY_VERIFY(dialog->SearchText()->hasFocus());
    }

    // Ticks the boxes and types the text (keyClicks takes ASCII only).
    void Enter(const QList<int>& boxes, const QString& text)
    {
        for (int id : boxes)
            dialog->OptionBox(id)->click();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, dialog->SearchText(), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
    }
};

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
        // The tests' formats are in the global catalogue already.
        MainFrame::SetCatalogueLoader([](FormatCatalogue&, UiLanguage, QString*) { return true; });
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
        QTest::addColumn<QStringList>("texts");  // caption, Find, Close, label, match case
        QTest::newRow("en") << UiLanguage::English
                            << QStringList{"Найти", "Find", "Close", "Find what:", "match case"};
        QTest::newRow("de") << UiLanguage::German
                            << QStringList{"Suche", "Suche", "SchlieЯen",
                                           "Suchen nach:", "ьbereinstimmender Ausdruck"};
        QTest::newRow("pl") << UiLanguage::Polish
                            << QStringList{"Znajdџ", "Znajdџ", "Zamkn№ж",
                                           "Szukaж:", "z obliczeniem rejestru"};
        QTest::newRow("ru") << UiLanguage::Russian
                            << QStringList{"Найти", "Найти", "Закрыть",
                                           "Искать:", "с учётом регистра"};
    }

    void texts()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, texts);
        SetUiLanguage(language);
        FindDialog dialog(nullptr);
        QCOMPARE((QStringList{dialog.windowTitle(), dialog.FindButton()->text(),
                              dialog.CloseButton()->text(), dialog.findChild<QLabel*>()->text(),
                              dialog.OptionBox(kMatchCaseId)->text()}),
                 texts);
        for (int id : {kWholeWordId, kBackwardsId, kRegexId})
            QVERIFY(!dialog.OptionBox(id)->text().isEmpty());
    }

    // Every control inside the dialog, none covering another, in the template's order.
    void layout()
    {
        SetUiLanguage(UiLanguage::Russian);  // the longest texts
        FindDialog dialog(nullptr);
        const QList<QWidget*> controls = dialog.findChildren<QWidget*>();
        QCOMPARE(controls.size(), 8);
        for (QWidget* a : controls) {
            QVERIFY2(dialog.rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (QWidget* b : controls)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " / " + b->objectName()));
        }
        QVERIFY(dialog.FindButton()->isDefault());
        QVERIFY(dialog.SearchText()->geometry().right() < dialog.FindButton()->x());
        int y = dialog.SearchText()->geometry().bottom();
        for (int id : {kMatchCaseId, kWholeWordId, kBackwardsId, kRegexId}) {
            QCheckBox* box = dialog.OptionBox(id);
            QVERIFY(box->y() > y);
            y = box->y();
        }
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    }

    // The boxes set and clear SearchFlags; Enter (also on a check box) posts the built
    // pattern with the flags to the owner, who hears of it from the event loop.
    void findPosts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("clicked");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("pattern");
        using L = QList<int>;
        QTest::newRow("plain") << "a.b" << L{} << 0u << R"(a\.b)";
        QTest::newRow("match case") << "a" << L{kMatchCaseId} << 1u << "a";
        QTest::newRow("whole word") << "cat" << L{kWholeWordId} << 2u << R"((^|\W)(cat)(\W|$))";
        QTest::newRow("backwards") << "a" << L{kBackwardsId} << 4u << "a";
        QTest::newRow("regex") << "a.{2}" << L{kRegexId} << 8u << R"(a.\{2\})";
        QTest::newRow("all") << "a" << L{kMatchCaseId, kWholeWordId, kBackwardsId, kRegexId} << 15u
                             << "a";
        QTest::newRow("clicked twice is clear")
            << "a" << L{kRegexId, kBackwardsId, kRegexId} << 4u << "a";
        QTest::newRow("cut to 255") << QString(300, u'x') << L{} << 0u << QString(255, u'x');
    }

    void findPosts()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, clicked);
        QFETCH(uint, flags);
        QFETCH(QString, pattern);
        FindDialog dialog(nullptr);
        QStringList patterns;
        QList<quint32> posted;
        dialog.SetFindRequestHandler([&](const QString& p, quint32 f) {
            patterns << p;
            posted << f;
        });
        dialog.ShowAndFocus();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (int id : clicked) {
            QCheckBox* box = dialog.OptionBox(id);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
        }
        QCOMPARE(dialog.SearchFlags(), quint32(flags));
        QTest::keyClicks(dialog.SearchText(), typed);
        QTest::keyClick(dialog.SearchText(), Qt::Key_Return);
        QVERIFY(patterns.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(patterns, QStringList{pattern});
        QCOMPARE(posted.first(), quint32(flags));
        QVERIFY(dialog.isVisible());
        dialog.OptionBox(kBackwardsId)->setFocus();
        QTest::keyClick(dialog.OptionBox(kBackwardsId), Qt::Key_Enter);
        QCoreApplication::processEvents();
        QCOMPARE(patterns.size(), 2);
    }

    // Escape and Close only hide; Show brings back the same text and options, the whole
    // text selected and focused.
    void closeHides()
    {
        QWidget owner;
        owner.show();
        QPointer<FindDialog> dialog = new FindDialog(&owner);
        dialog->ShowAndFocus();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClicks(dialog->SearchText(), "dragon");
        dialog->OptionBox(kMatchCaseId)->click();
        for (bool escape : {true, false}) {
            if (escape)
                QTest::keyClick(dialog->SearchText(), Qt::Key_Escape);
            else
                dialog->CloseButton()->click();
            QCoreApplication::processEvents();
            QVERIFY(dialog && !dialog->isVisible());
            dialog->ShowAndFocus();
            QTRY_VERIFY(dialog->SearchText()->hasFocus());
            QCOMPARE(dialog->SearchText()->selectedText(), "dragon");
            QCOMPARE(dialog->SearchFlags(), quint32(kSearchMatchCase));
        }
    }

    // --- through the main frame to the active grid ---------------------------------------

    // Enter in the dialog opens the editor on the hit with the match selected, limited to
    // the field's size; Enter again moves on.
    void findInFrame_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("selected");      // row selected before, -1 none
        QTest::addColumn<QStringList>("hits");  // row:column:selected text, Find after Find
        using L = QList<int>;
        QTest::newRow("plain, wraps")
            << "sword" << L{} << 2
            << QStringList{"3:1:Sword", "4:1:sword", "0:1:sword", "2:1:sword"};
        QTest::newRow("backwards")
            << "sword" << L{kBackwardsId} << -1
            << QStringList{"4:1:sword", "3:1:Sword", "2:1:sword", "0:1:sword"};
        QTest::newRow("match case, once")
            << "Sword" << L{kMatchCaseId} << -1 << QStringList{"3:1:Sword", "3:1:Sword"};
        QTest::newRow("whole word") << "sword" << L{kWholeWordId} << 0
                                    << QStringList{"2:1:sword", "4:1:sword", "0:1:sword"};
        QTest::newRow("cyrillic folded") << "жук" << L{} << -1 << QStringList{"2:2:ЖУК"};
    }

    void findInFrame()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, ticked);
        QFETCH(int, selected);
        QFETCH(QStringList, hits);
        Frame f;
        QVERIFY(f.dialog);
        if (selected >= 0)
            QVERIFY(f.grid->SelectCell(selected, 1));
        f.Enter(ticked, typed);
        for (const QString& hit : hits) {
            QTest::keyClick(f.dialog, Qt::Key_Return);
            QCoreApplication::processEvents();
            InplaceEdit* editor = f.view->Editor();
            QVERIFY2(editor, qPrintable(hit));
            QCOMPARE(QStringLiteral("%1:%2:%3")
                         .arg(f.grid->EditRow())
                         .arg(f.grid->EditColumn())
                         .arg(editor->selectedText()),
                     hit);
            QCOMPARE(f.grid->SelectedRow(), f.grid->EditRow());
            // The hit takes the keyboard from the dialog.
            QTRY_VERIFY(editor->hasFocus());
        }
        InplaceEdit* editor = f.view->Editor();
        if (f.grid->EditColumn() == 1) {
            editor->end(false);
            QTest::keyClicks(editor, QString(30, u'z'));
            QCOMPARE(editor->text().size(), kTextSize);
        }
        // The next Find shows the same dialog with its text selected.
        f.frame.RunCommand(cmd::Find);
        QCOMPARE(f.frame.findChildren<FindDialog*>().size(), 1);
        QCOMPARE(f.dialog->SearchText()->selectedText(), typed);
    }

    // Nothing found, or no usable expression: selection, editor and dialog stay as they were.
    void nothingChanges_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("ticked");
        QTest::newRow("not found") << "dragon" << QList<int>{};
        QTest::newRow("unclosed group") << "(sword" << QList<int>{kRegexId};
        QTest::newRow("too costly") << "(a|aa)*y" << QList<int>{kRegexId};
    }

    void nothingChanges()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, ticked);
        // A cell on which the costly expression backtracks for ages.
        Frame f({{"a", QString(40, u'a') + u'b'}});
        QVERIFY(f.dialog);
        QVERIFY(f.grid->SelectCell(0, 2));
        f.Enter(ticked, typed);
        f.dialog->SearchText()->setFocus();
        QTest::keyClick(f.dialog->SearchText(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(!f.view->Editor());
        QCOMPARE(f.grid->SelectedRow(), 0);
        QCOMPARE(f.grid->SelectedColumn(), 2);
        QVERIFY(f.dialog->isVisible());
        QVERIFY(f.dialog->SearchText()->hasFocus());
        QCOMPARE(f.dialog->SearchText()->text(), typed);
    }
};

SCRIVLET_TEST(FindDialogTest);
#include "test_find_dialog.moc"
