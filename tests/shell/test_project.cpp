// The project in the editor, driven through the frame offscreen over a real project file in a
// temporary folder: the Project panel's counts (from the cache at once, then as the files
// are), opening files from it, counts that follow edits and the disk, Find and Replace in
// Project, and New Project.

#include "ShellTestSupport.h"
#include "TestGit.h"
#include "TestRegistry.h"
#include "documents/DocumentFiles.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "session/CheckChoices.h"
#include "session/DocumentSession.h"
#include "session/MemoryQueue.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "session/Workspace.h"
#include "shell/Autosave.h"
#include "shell/BoxPreview.h"
#include "shell/CheckCommands.h"
#include "shell/CheckSettingsDialog.h"
#include "shell/ConflictView.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentTab.h"
#include "shell/EditingPane.h"
#include "shell/GlossaryPanel.h"
#include "shell/ProblemsPanel.h"
#include "shell/ProjectCommands.h"
#include "shell/ProjectDialog.h"
#include "shell/ProjectFind.h"
#include "shell/ProjectPanel.h"
#include "shell/RestoreDialog.h"
#include "shell/SessionCommands.h"
#include "shell/StartPage.h"
#include "shell/UpdateCommand.h"
#include "store/IgnoreFile.h"
#include "store/Memory.h"
#include "store/ProjectGlossary.h"
#include "store/ProjectText.h"
#include "store/Sqlite.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QUndoStack>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// Every row the tree shows, by its path of names ("a/one_dlg.edt"): its numbers as shown.
void CollectRows(const QAbstractItemModel& model, const QModelIndex& parent, const QString& prefix,
                 QMap<QString, QStringList>* rows)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex name = model.index(row, 0, parent);
        const QString path = prefix + name.data().toString().section(QStringLiteral("  ("), 0, 0);
        QStringList shown;
        for (int column = 1; column < ProjectPanel::kColumns; ++column)
            shown << model.index(row, column, parent).data().toString();
        rows->insert(path, shown);
        CollectRows(model, name, path + u'/', rows);
    }
}

QMap<QString, QStringList> ShownRows(const ProjectPanel& panel)
{
    QMap<QString, QStringList> rows;
    CollectRows(*panel.Tree()->model(), QModelIndex(), QString(), &rows);
    return rows;
}

QModelIndex RowOf(const ProjectPanel& panel, const QString& name)
{
    const QAbstractItemModel* model = panel.Tree()->model();
    const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, name, 1,
                                               Qt::MatchStartsWith | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

// Presses Cancel on a progress dialog as soon as it shows.
class CancelProgress : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* progress = qobject_cast<QProgressDialog*>(watched))
                progress->cancel();
        return false;
    }
};

}  // namespace

class TestProject : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    ScriptedHost host_;
    std::unique_ptr<MainFrame> frame_;
    QString project_;

    ProjectPanel& Panel() { return *frame_->Projects().Panel(); }
    Project& OpenProject() { return frame_->Work().CurrentProject(); }
    ProjectFindPanel& Find() { return *frame_->Projects().Find(); }
    QString Original(const QString& name) { return env_.Path(QStringLiteral("orig/") + name); }
    QString Translation(const QString& name) { return env_.Path(QStringLiteral("trans/") + name); }

    // A frame with the project open and counted.
    void OpenFrame()
    {
        frame_ = std::make_unique<MainFrame>();
        frame_->Commands().SetDialogHost(&host_);
        QSignalSpy counted(&OpenProject(), &Project::Counted);
        QVERIFY(frame_->Projects().OpenProjectFile(project_));
        QVERIFY(counted.wait(10000));
    }

    // Opens a file as a double-click or Enter in the panel does.
    DocumentTab* OpenFromPanel(const QString& name)
    {
        const QModelIndex row = RowOf(Panel(), name);
        if (!row.isValid())
            return nullptr;
        emit Panel().Tree()->activated(row);
        return frame_->TabAt(frame_->ActiveIndex());
    }

    bool WaitForCount()
    {
        QSignalSpy counted(&OpenProject(), &Project::Counted);
        return counted.wait(10000);
    }

    // The project's memory once every batch on its way is in: "source|target|origin".
    QStringList MemoryUnits()
    {
        frame_->Projects().Memory()->WaitForDone();
        std::unique_ptr<TranslationMemory> memory;
        QStringList units;
        if (!OpenMemory(project_, &memory))
            return {QStringLiteral("(unreadable)")};
        (void)memory->ForEach([&units](const MemoryLanguages&, const MemoryUnit& unit) {
            units << unit.source + u'|' + unit.target + u'|' + unit.origin;
            return Result();
        });
        return units;
    }

    void FindText(const QString& text, quint32 flags = 0)
    {
        Find().SearchText()->setText(text);
        Find().MatchCase()->setChecked(flags & kSearchMatchCase);
        Find().WholeWord()->setChecked(flags & kSearchWholeWord);
        Find().Regex()->setChecked(flags & kSearchRegex);
        QSignalSpy finished(&Find(), &ProjectFindPanel::Finished);
        Find().Find();
        QVERIFY(finished.wait(10000));
    }

private slots:
    // a: partly translated; b: no translation yet; c: finished; one translation without an
    // original. Records of one 4-unit field, in encoding 0 on both sides.
    void init()
    {
        env_.Reset();
        host_ = ScriptedHost();
        const std::pair<QString, QStringList> files[] = {
            {QStringLiteral("orig/a/one_dlg.edt"), {"Hi", "Go", "Up"}},
            {QStringLiteral("trans/a/one_dlg.edt"), {"Ha", "Go", ""}},
            {QStringLiteral("orig/b/two_dlg.edt"), {"Cat", "Dog"}},
            {QStringLiteral("orig/c/three_dlg.edt"), {"Sun"}},
            {QStringLiteral("trans/c/three_dlg.edt"), {"Sol"}},
            {QStringLiteral("trans/extra_dlg.edt"), {"X"}},
        };
        for (const auto& [name, texts] : files)
            QVERIFY(QDir().mkpath(QFileInfo(env_.Path(name)).path()) &&
                    WriteFile(env_.Path(name), EdtBytes(texts)));
        project_ = env_.Path(QStringLiteral("p.scrivlet"));
        ProjectFile file;
        QVERIFY(file.Create(
            project_, ProjectSettings{QStringLiteral("orig"), QStringLiteral("trans"), 0, 0}));
    }

    void cleanup()
    {
        if (frame_)
            frame_->Commands().SetDialogHost(nullptr);
        frame_.reset();
    }

    void panelCounts()
    {
        OpenFrame();
        const QMap<QString, QStringList> rows = ShownRows(Panel());
        const QMap<QString, QStringList> expected = {
            {"a", {"3", "3", "33\u00a0%", "0"}},
            {"a/one_dlg.edt", {"3", "3", "33\u00a0%", "0"}},
            // Counted as a copy of its original: nothing translated.
            {"b", {"2", "2", "0\u00a0%", "0"}},
            {"b/two_dlg.edt", {"2", "2", "0\u00a0%", "0"}},
            {"c", {"1", "1", "100\u00a0%", "0"}},
            {"c/three_dlg.edt", {"1", "1", "100\u00a0%", "0"}},
            {"extra_dlg.edt", {"", "", "", ""}},
        };
        QCOMPARE(rows, expected);
        QCOMPARE(Panel().Totals()->text(),
                 QStringLiteral("Files: 3 · Records: 6 · Translated: 2 of 6 fields (33\u00a0%) · "
                                "Problems: 0\nOriginals without a translation: 1\n"
                                "Translations without an original: 1"));
        Panel().UnfinishedOnly()->setChecked(true);
        QCOMPARE(ShownRows(Panel()).keys(),
                 QStringList({"a", "a/one_dlg.edt", "b", "b/two_dlg.edt"}));
        // However narrow the dock, the names stay readable.
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        QTreeView* tree = Panel().Tree();
        for (const int width : {900, 300, 900}) {
            tree->resize(width, 300);
            QTest::qWait(20);  // the header lays its sections out on a zero timer
            QVERIFY2(tree->header()->sectionSize(0) >= tree->fontMetrics().averageCharWidth() * 18,
                     qPrintable(QString::number(tree->header()->sectionSize(0))));
        }
    }

    // Reopened, the panel shows the cached counts before any event is handled.
    void reopenShowsTheCacheAtOnce()
    {
        OpenFrame();
        frame_.reset();
        frame_ = std::make_unique<MainFrame>();
        QVERIFY(frame_->Projects().OpenProjectFile(project_));
        QCOMPARE(ShownRows(Panel()).value("a/one_dlg.edt"),
                 QStringList({"3", "3", "33\u00a0%", "0"}));
        QVERIFY(WaitForCount());
        QCOMPARE(RecentProjects(), QStringList{project_});
    }

    void openFromThePanel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("withReference");
        QTest::addColumn<bool>("modified");
        QTest::newRow("translated") << "one_dlg.edt" << true << false;
        QTest::newRow("new translation") << "two_dlg.edt" << true << true;
        QTest::newRow("no original") << "extra_dlg.edt" << false << false;
    }
    void openFromThePanel()
    {
        QFETCH(QString, name);
        QFETCH(bool, withReference);
        QFETCH(bool, modified);
        OpenFrame();
        DocumentTab* tab = OpenFromPanel(name);
        QVERIFY(tab);
        QCOMPARE(tab->Reference() != nullptr, withReference);
        QCOMPARE(tab->Session()->IsModified(), modified);
        QVERIFY(tab->Document()->Path().endsWith(QStringLiteral("/") + name));
        QVERIFY(tab->Document()->Path().contains(QStringLiteral("/trans/")));
        if (withReference)
            QVERIFY(tab->Reference()->Path().contains(QStringLiteral("/orig/")));
        // Asked again: the tab it has.
        QCOMPARE(OpenFromPanel(name), tab);
        QCOMPARE(frame_->TabCount(), 1);
        if (!modified)
            return;
        // The first Save writes the copy where the project expects the translation.
        QVERIFY(frame_->Commands().Save(frame_->ActiveIndex()));
        QCOMPARE(ReadFile(Translation("b/two_dlg.edt")), ReadFile(Original("b/two_dlg.edt")));
        QVERIFY(WaitForCount());
        QVERIFY(!Panel().Totals()->text().contains(QStringLiteral("without a translation")));
    }

    void countsFollowEditsAndTheDisk()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        QVERIFY(tab->Session()->SetText(2, tab->Document()->TextColumn(0), u"Op",
                                        QStringLiteral("typing")));
        QTRY_COMPARE(ShownRows(Panel()).value("a/one_dlg.edt").value(2),
                     QStringLiteral("66\u00a0%"));
        // An approval stays done; needs work is not done yet. The bar's tip names its parts.
        const auto tip = [this] {
            return RowOf(Panel(), "one_dlg.edt")
                .siblingAtColumn(ProjectPanel::kTranslated)
                .data(Qt::ToolTipRole)
                .toString();
        };
        QVERIFY(tab->Session()->SetStates({{0, 0}}, StoredState::Approved, "approve"));
        QTRY_COMPARE(tip(), u"Of 3 fields: 1 approved, 1 translated, 0 need work"_qs);
        QCOMPARE(ShownRows(Panel()).value("a/one_dlg.edt").value(2), u"66\u00a0%"_qs);
        QVERIFY(tab->Session()->SetStates({{2, 0}}, StoredState::NeedsWork, "needs work"));
        QTRY_COMPARE(tip(), u"Of 3 fields: 1 approved, 0 translated, 1 need work"_qs);
        QCOMPARE(ShownRows(Panel()).value("a/one_dlg.edt").value(2), u"33\u00a0%"_qs);
        // Closed unsaved: the file's own counts again.
        host_.answers << QMessageBox::No;
        QVERIFY(frame_->Commands().Close(frame_->ActiveIndex()));
        QTRY_COMPARE(ShownRows(Panel()).value("a/one_dlg.edt").value(2),
                     QStringLiteral("33\u00a0%"));
        // Another program makes c's translation the same as its original.
        QVERIFY(WriteFile(Translation("c/three_dlg.edt"), EdtBytes({"Sun"})));
        QTRY_COMPARE_WITH_TIMEOUT(ShownRows(Panel()).value("c/three_dlg.edt").value(2),
                                  QStringLiteral("0\u00a0%"), 10000);
    }

    void findInProject_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<QStringList>("hits");  // file | record | field | around
        // b has no translation yet: it is searched as its original's copy.
        QTest::newRow("any case") << "o" << 0u
                                  << QStringList{"a/one_dlg.edt|# 1|Text|G«o»",
                                                 "b/two_dlg.edt|# 1|Text|D«o»g",
                                                 "c/three_dlg.edt|# 0|Text|S«o»l"};
        QTest::newRow("match case") << "c" << quint32(kSearchMatchCase) << QStringList();
        QTest::newRow("whole word")
            << "Go" << quint32(kSearchWholeWord) << QStringList{"a/one_dlg.edt|# 1|Text|«Go»"};
        QTest::newRow("regex") << "^S" << quint32(kSearchRegex)
                               << QStringList{"c/three_dlg.edt|# 0|Text|«S»ol"};
    }
    void findInProject()
    {
        QFETCH(QString, text);
        QFETCH(quint32, flags);
        QFETCH(QStringList, hits);
        OpenFrame();
        FindText(text, flags);
        QStringList shown;
        for (int k = 0; k < Find().Results()->topLevelItemCount(); ++k) {
            const QTreeWidgetItem* item = Find().Results()->topLevelItem(k);
            QStringList columns;
            for (int column = 0; column < 4; ++column)
                columns << item->text(column);
            shown << columns.join(u'|');
        }
        QCOMPARE(shown, hits);
        QCOMPARE(Find().HitCount(), hits.size());
        if (hits.isEmpty())
            return;
        // A click opens the file and selects the hit in the editor.
        emit Find().Results()->itemClicked(Find().Results()->topLevelItem(0), 0);
        DocumentTab* tab = frame_->TabAt(frame_->ActiveIndex());
        QVERIFY(tab && tab->Reference());
        QVERIFY(tab->View()->Editor());
        QCOMPARE(tab->View()->Editor()->selectedText(),
                 hits[0].section(u'«', 1).section(u'»', 0, 0));
    }

    void replaceInProject_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("onDisk");  // c's translation afterwards
        QTest::addColumn<QStringList>("made");    // b's, made from its original; none: not made
        QTest::newRow("files too")
            << QMessageBox::Yes << QStringList{"S0l"} << QStringList{"Cat", "D0g"};
        QTest::newRow("open ones only") << QMessageBox::No << QStringList{"Sol"} << QStringList();
    }
    void replaceInProject()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, onDisk);
        QFETCH(QStringList, made);
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const QByteArray before = ReadFile(Translation("a/one_dlg.edt"));
        FindText("o");
        Find().ReplaceText()->setText("0");
        QVERIFY(Find().ReplaceButton()->isEnabled());
        host_.answers << answer;
        Find().ReplaceButton()->click();
        // Asked about the files that are not open only, with their counts.
        QCOMPARE(host_.questions.size(), 2);
        QVERIFY(host_.questions[0].contains(QStringLiteral("b/two_dlg.edt (1)")));
        QVERIFY(host_.questions[0].contains(QStringLiteral("c/three_dlg.edt (1)")));
        QVERIFY(!host_.questions[0].contains(QStringLiteral("one_dlg")));
        QVERIFY(host_.questions[1].startsWith(
            answer == QMessageBox::Yes ? QStringLiteral("Replaced: 3. Open documents changed: 1")
                                       : QStringLiteral("Replaced: 1. Open documents changed: 1")));
        QCOMPARE(ReadFile(Translation("c/three_dlg.edt")), EdtBytes(onDisk));
        QCOMPARE(QFileInfo::exists(Translation("b/two_dlg.edt")), !made.isEmpty());
        if (!made.isEmpty())
            QCOMPARE(ReadFile(Translation("b/two_dlg.edt")), EdtBytes(made));
        // The open one changed in the editor only, as one step.
        QCOMPARE(tab->Document()->FieldText(1, 0).toString(), QStringLiteral("G0"));
        QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), before);
        tab->Session()->UndoStack()->undo();
        QCOMPARE(tab->Document()->FieldText(1, 0).toString(), QStringLiteral("Go"));
        QVERIFY(!tab->Session()->IsModified());
    }

    // The game moved on: a's original gains "New" before "Go" and "Up" became "Upp"; c's
    // stayed the same; b, not translated, gains "Bird" first. a is open or not, and the update
    // is confirmed or declined.
    void updateOriginals_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("on disk") << false << QMessageBox::Yes;
        QTest::newRow("open") << true << QMessageBox::Yes;
        QTest::newRow("declined") << false << QMessageBox::No;
        QTest::newRow("cancelled") << true << QMessageBox::Cancel;  // while aligning
    }
    void updateOriginals()
    {
        QFETCH(bool, open);
        QFETCH(QMessageBox::StandardButton, answer);
        for (const auto& [name, texts] :
             {std::pair{QStringLiteral("a/one_dlg.edt"), QStringList{"Hi", "New", "Go", "Upp"}},
              std::pair{QStringLiteral("c/three_dlg.edt"), QStringList{"Sun"}},
              std::pair{QStringLiteral("b/two_dlg.edt"), QStringList{"Bird", "Cat", "Dog"}}}) {
            const QString path = env_.Path(QStringLiteral("orig2/") + name);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && WriteFile(path, EdtBytes(texts)));
        }
        // "Up", which goes, was translated: the translation is kept in the memory.
        QVERIFY(WriteFile(Translation("a/one_dlg.edt"), EdtBytes({"Ha", "Go", "Op"})));
        OpenFrame();
        QVERIFY(frame_->findChild<QAction*>("fileUpdateOriginals")->isEnabled());
        DocumentTab* tab = open ? OpenFromPanel("one_dlg.edt") : nullptr;
        const QByteArray before = ReadFile(Translation("a/one_dlg.edt"));
        host_.folderAnswers << env_.Path("orig2");
        CancelProgress cancel;
        if (answer == QMessageBox::Cancel)
            qApp->installEventFilter(&cancel);
        else
            host_.answers << answer;
        frame_->Projects().UpdateOriginals();
        qApp->removeEventFilter(&cancel);
        QVERIFY(host_.Drained());
        ProjectFile& project = *OpenProject().File();
        if (answer == QMessageBox::Cancel) {
            QCOMPARE(host_.questions.size(), 0);
            QCOMPARE(project.Settings().originals, QStringLiteral("orig"));
            QCOMPARE(tab->Document()->RecordCount(), 3);
            QVERIFY(!tab->Session()->IsModified());
            return;
        }
        QVERIFY(host_.questions.value(0).contains(
            QStringLiteral("Records kept: 2, moved: 1, changed: 0, new: 2, removed: 1. "
                           "Fields to review: 2.")));
        const QStringList carried{"Ha", "New", "Go", "Upp"};
        if (answer == QMessageBox::No) {
            QCOMPARE(host_.questions.size(), 1);
            QCOMPARE(project.Settings().originals, QStringLiteral("orig"));
            QVERIFY(project.FileMarks("a/one_dlg.edt").empty());
            QCOMPARE(project.FileRecordIds("b/two_dlg.edt"), RecordIds());
            QCOMPARE(MemoryUnits(), QStringList{});
            return;
        }
        QCOMPARE(MemoryUnits(), QStringList{"Up|Op|a/one_dlg.edt:2:0"});
        QCOMPARE(project.Settings().originals, QStringLiteral("orig2"));
        // Records keep their ids where they go; b's move too, though b stays untranslated.
        QCOMPARE(project.FileRecordIds("a/one_dlg.edt"), (RecordIds{{0, 3, 1, 4}, 5}));
        QCOMPARE(project.FileRecordIds("b/two_dlg.edt"), (RecordIds{{2, 0, 1}, 3}));
        QVERIFY(!QFileInfo::exists(Translation("b/two_dlg.edt")));
        const std::vector<ProjectFile::PlacedMarks> marks = project.FileMarks("a/one_dlg.edt");
        QCOMPARE(marks.size(), size_t(2));
        QCOMPARE(marks[0].record, 1);
        QCOMPARE(marks[1].record, 3);
        QCOMPARE(marks[1].marks.review, ReviewReason::New);
        if (!open) {
            QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), EdtBytes(carried));
            return;
        }
        // The open one changed in the editor only, as one step, against the new original.
        QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), before);
        QCOMPARE(TextsOf(*tab->Document()), Rows({{"Ha"}, {"New"}, {"Go"}, {"Upp"}}));
        QVERIFY(tab->Reference()->Path().contains(QStringLiteral("/orig2/")));
        QVERIFY(tab->Session()->Review()->Has(3, 0));
        // Undo gives the tab its old original back and takes the marks away, but the project,
        // which points at the new originals, keeps them; redo shows them again.
        tab->Session()->UndoStack()->undo();
        QCOMPARE(tab->Document()->RecordCount(), 3);
        QVERIFY(tab->Reference()->Path().contains(QStringLiteral("/orig/")));
        QCOMPARE(tab->Session()->Review()->Count(), 0);
        for (const ProjectFile::PlacedMarks& row : project.FileMarks("a/one_dlg.edt"))
            QVERIFY(row.marks.review != ReviewReason::None);
        QCOMPARE(project.FileMarks("a/one_dlg.edt").size(), size_t(2));
        tab->Session()->UndoStack()->redo();
        QVERIFY(tab->Reference()->Path().contains(QStringLiteral("/orig2/")));
        QCOMPARE(tab->Session()->Review()->Fields(),
                 (std::vector<std::pair<int, int>>{{1, 0}, {3, 0}}));
    }

    // An ignored problem stays ignored when the file is opened again, in the project or beside
    // the file without one, until the text changes.
    void ignoreHoldsUntilTheTextChanges_data()
    {
        QTest::addColumn<bool>("inProject");
        QTest::newRow("in the project") << true;
        QTest::newRow("beside the file") << false;
    }
    void ignoreHoldsUntilTheTextChanges()
    {
        QFETCH(bool, inProject);
        const QString translation = Translation("d/four_dlg.edt");
        for (const auto& [path, text] :
             {std::pair{Original("d/four_dlg.edt"), "a b"}, std::pair{translation, "a  b"}})
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && WriteFile(path, EdtBytes({text})));
        auto open = [&]() -> ProblemsPanel* {
            if (inProject) {
                OpenFrame();
                OpenFromPanel("four_dlg.edt");
            } else {
                frame_ = std::make_unique<MainFrame>();
                frame_->Commands().SetDialogHost(&host_);
                frame_->Commands().OpenFiles({translation});
            }
            return frame_->TabCount() == 1 ? frame_->findChild<ProblemsPanel*>() : nullptr;
        };
        // Rows of the double space: shown and ignored.
        auto rows = [](const ProblemsModel& model, bool ignored) {
            int n = 0;
            for (int row = 0; row < model.rowCount(); ++row)
                n += model.At(row).check == static_cast<int>(Check::DoubleSpace) &&
                     model.At(row).ignored == ignored;
            return n;
        };
        ProblemsPanel* panel = open();
        QVERIFY(panel);
        QTRY_COMPARE(rows(*panel->Model(), false), 1);
        QVERIFY(!QFile::exists(IgnoreFilePath(translation)));
        for (int row = 0; row < panel->Model()->rowCount(); ++row) {
            if (panel->Model()->At(row).check == static_cast<int>(Check::DoubleSpace))
                panel->View()->setCurrentIndex(panel->Model()->index(row, 0));
        }
        panel->IgnoreAction()->trigger();
        QTRY_COMPARE(rows(*panel->Model(), false), 0);
        QCOMPARE(QFile::exists(IgnoreFilePath(translation)), !inProject);

        cleanup();
        panel = open();
        QVERIFY(panel);
        DocumentSession& session = *frame_->TabAt(0)->Session();
        QCOMPARE(session.Checks()->IgnoredCount(), 1);
        panel->ShowIgnoredAction()->setChecked(true);
        QTRY_COMPARE(rows(*panel->Model(), true), 1);
        QCOMPARE(rows(*panel->Model(), false), 0);
        // Another text with the same problem: the ignore no longer holds.
        QVERIFY(session.SetText(0, session.Document()->TextColumn(0), u"c  d",
                                QStringLiteral("typing")));
        QTRY_COMPARE(rows(*panel->Model(), false), 1);
        QCOMPARE(session.Checks()->IgnoredCount(), 0);
    }

    // The marks come back with the file, and go from the project once confirmed or once an
    // edit is saved; an edit undone before the save keeps its mark, also in the project.
    // A merge without the driver left two fields of a translation changed two ways (and git
    // kept ours whole): the field theirs alone changed is merged in at once, the panels name the
    // two, the pane shows both sides; ours kept in one and theirs taken in the other, saved,
    // stage the file.
    void conflictsResolvedInTheEditor()
    {
        QVERIFY(IsolateGit(env_.Path(QString())));
        const QString file = QStringLiteral("trans/a/one_dlg.edt");
        QVERIFY(MakeUnmerged(env_.Path(QString()), file, EdtBytes({"Ha", "Go", ""}),
                             EdtBytes({"Hm", "Ga", ""}), EdtBytes({"Ho", "Gu", "Ok"})));
        OpenFrame();
        QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), EdtBytes({"Hm", "Ga", "Ok"}));
        QVERIFY(RowOf(Panel(), "one_dlg.edt")
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains("Fields in conflict after a merge: 2"));
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const auto* problems = frame_->findChild<ProblemsPanel*>()->Model();
        QStringList listed;
        for (int row = 0; row < problems->rowCount(); ++row) {
            if (problems->At(row).check == ProblemsModel::kConflict)
                listed << problems->index(row, ProblemsModel::DetailColumn).data().toString();
        }
        QCOMPARE(listed,
                 QStringList({"changed on both sides in a merge: mine \"Hm\", theirs \"Ho\"",
                              "changed on both sides in a merge: mine \"Ga\", theirs \"Gu\""}));
        ConflictView* view = frame_->findChild<EditingPane*>()->Conflict();
        const int column = tab->Document()->TextColumn(0);
        QVERIFY(tab->View()->SelectCell(0, column));
        QVERIFY(!view->isHidden());
        QCOMPARE(QStringList({view->Mine()->text(), view->Theirs()->text(), view->Base()->text()}),
                 QStringList({"Hm", "Ho", "Ha"}));
        view->KeepMine()->click();
        QVERIFY(view->isHidden());
        QCOMPARE(Git(env_.Path(QString()), {"ls-files", "-u"}).out.count('\n'), 3);
        QVERIFY(tab->View()->SelectCell(1, column));
        view->TakeTheirs()->click();
        QCOMPARE(tab->Document()->Text(1, column), QStringLiteral("Gu"));
        QVERIFY(!view->TakeTheirs()->isEnabled());
        Run(*frame_, Command::Save);
        QCOMPARE(Git(env_.Path(QString()), {"ls-files", "-u"}).out, "");
        QCOMPARE(view->Note()->text(),
                 QStringLiteral("Every conflict of one_dlg.edt is resolved: the file is staged for "
                                "the commit."));
        QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), EdtBytes({"Hm", "Gu", "Ok"}));
        QVERIFY(
            !RowOf(Panel(), "one_dlg.edt").data(Qt::ToolTipRole).toString().contains("conflict"));
    }

    void reviewMarksKeptInTheProject()
    {
        ProjectFile file;
        QVERIFY(file.Open(project_));
        QVERIFY(file.SetFieldMarks("a/one_dlg.edt", 0, 0, {"Hey", ReviewReason::Changed, {}}));
        QVERIFY(file.SetFieldMarks("a/one_dlg.edt", 2, 0, {{}, ReviewReason::New, {}}));
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const ReviewMarks& review = *tab->Session()->Review();
        QCOMPARE(review.Count(), 2);
        QCOMPARE(review.At(0, 0)->oldSource, QStringLiteral("Hey"));
        ProjectFile& project = *OpenProject().File();
        DocumentSession& history = *tab->Session();
        const int column = tab->Document()->TextColumn(0);
        QVERIFY(history.SetText(2, column, u"Op", QStringLiteral("typing")));
        // Another field's confirmation is kept at once; the unsaved edit is not.
        tab->Session()->ConfirmReview(0, column);
        QCOMPARE(project.Marks("a/one_dlg.edt", 0, 0)->review, ReviewReason::None);
        // The source it is confirmed against is the original's text now.
        QCOMPARE(project.Marks("a/one_dlg.edt", 0, 0)->source, QStringLiteral("Hi"));
        QCOMPARE(project.Marks("a/one_dlg.edt", 2, 0)->review, ReviewReason::New);
        const int saveAt = frame_->ActiveIndex();
        Run(*frame_, Command::Undo);
        QVERIFY(review.Has(2, 0));
        QVERIFY(frame_->Commands().Save(saveAt));
        QCOMPARE(project.Marks("a/one_dlg.edt", 2, 0)->review, ReviewReason::New);
        QVERIFY(history.SetText(2, column, u"Op", QStringLiteral("typing")));
        QVERIFY(frame_->Commands().Save(saveAt));
        QCOMPARE(project.Marks("a/one_dlg.edt", 2, 0)->review, ReviewReason::None);
        // Undone past the save, the edit stays reviewed.
        Run(*frame_, Command::Undo);
        QVERIFY(!review.Has(2, 0));
    }

    // Marks another program sets or settles while the file is open: a save meanwhile clears
    // only the mark of the field the translator edited, and the document takes the others in.
    void reviewMarksFromAnotherProgram()
    {
        ProjectFile other;
        QVERIFY(other.Open(project_));
        QVERIFY(other.SetFieldMarks("a/one_dlg.edt", 0, 0, {"Hey", ReviewReason::Changed, {}}));
        QVERIFY(other.SetFieldMarks("a/one_dlg.edt", 2, 0, {{}, ReviewReason::New, {}}));
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const ReviewMarks& review = *tab->Session()->Review();
        QCOMPARE(review.Count(), 2);
        QVERIFY(other.SetFieldMarks("a/one_dlg.edt", 0, 0, {"Hi", ReviewReason::None, {}}));
        QVERIFY(other.SetFieldMarks("a/one_dlg.edt", 1, 0, {"Og", ReviewReason::Changed, {}}));
        QVERIFY(tab->Session()->SetText(2, tab->Document()->TextColumn(0), u"Op", "typing"));
        QVERIFY(frame_->Commands().Save(frame_->ActiveIndex()));
        QCOMPARE(other.Marks("a/one_dlg.edt", 2, 0)->review, ReviewReason::None);
        QCOMPARE(other.Marks("a/one_dlg.edt", 1, 0)->review, ReviewReason::Changed);
        QTRY_VERIFY(review.Has(1, 0));
        QVERIFY(!review.Has(0, 0));
        QCOMPARE(other.Marks("a/one_dlg.edt", 0, 0)->review, ReviewReason::None);
    }

    // A state another program sets while the file is open (the converter, a pull) comes into
    // the document, and the editor's next state does not write the old set back over it.
    void statesFromAnotherProgram()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        ProjectFile other;
        QVERIFY(other.Open(project_));
        QVERIFY(other.ReplaceFileNotes("a/one_dlg.edt",
                                       {{0, 0, {StoredState::NeedsWork, 0, "ask Ann"}}}, false));
        QTRY_VERIFY(tab->Session()->States()->At(0, 0));
        QVERIFY(tab->Session()->SetComment(1, 0, "ask Bob", "comment"));
        const std::vector<PlacedNote> kept = other.FileNotes("a/one_dlg.edt", false);
        QCOMPARE(kept.size(), size_t(2));
        QCOMPARE(kept[0].note.comment, "ask Ann");
        QCOMPARE(kept[1].note.comment, "ask Bob");
    }

    // An update of the originals cut short is undone as the project opens, and said so.
    void interruptedUpdateReported()
    {
        {
            ProjectFile file;
            QVERIFY(file.Open(project_));
            QVERIFY(file.BeginUpdate());
            QVERIFY(file.StageUpdate("a/one_dlg.edt", {}, {}));
        }
        OpenFrame();
        QCOMPARE(host_.questions, QStringList{UiText("update.rolledBack").arg("orig")});
    }

    // What the walk leaves out is counted below the totals and named in their tooltip.
    void leftOutNamed_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("named");
        QTest::newRow("link outside") << QByteArray("project.linksOutside") << "trans/out";
        QTest::newRow("name not UTF-8") << QByteArray("project.badNames") << "orig/\\xff_dlg.edt";
    }
    void leftOutNamed()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, named);
        QVERIFY(QDir().mkpath(env_.Path("elsewhere")));
        QVERIFY(WriteFile(env_.Path("elsewhere/four_dlg.edt"), EdtBytes({"Far"})));
        if (key == "project.linksOutside") {
            QVERIFY(QFile::link(env_.Path("elsewhere"), env_.Path(named)));
        } else {
            const QByteArray name = QFile::encodeName(env_.Path("orig/")) + "\xff_dlg.edt";
            const int made = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(made >= 0 && ::close(made) == 0);
        }
        OpenFrame();
        const QStringList totals = Panel().Totals()->text().split(u'\n');
        QCOMPARE(totals.last(), UiText(key.constData()).arg(1));
        QCOMPARE(Panel().Totals()->toolTip(), QDir::toNativeSeparators(env_.Path(named)));
    }

    // A save sends the fields changed or confirmed since the last one, if translated and not
    // waiting for review. Record 0 ("Hi" as "Ha") stays out unless it is touched.
    void savedTranslationsJoinTheMemory_data()
    {
        QTest::addColumn<int>("record");  // -1: record 0's review confirmed, no edit
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("translated") << 2 << "Op" << false << QStringList{"Up|Op|a/one_dlg.edt:2:0"};
        QTest::newRow("as the original") << 2 << "Up" << false << QStringList{};
        QTest::newRow("emptied") << 0 << "" << false << QStringList{};
        QTest::newRow("waiting for review") << 2 << "Op" << true << QStringList{};
        QTest::newRow("review confirmed")
            << -1 << "" << false << QStringList{"Hi|Ha|a/one_dlg.edt:0:0"};
    }
    void savedTranslationsJoinTheMemory()
    {
        QFETCH(int, record);
        QFETCH(QString, text);
        QFETCH(bool, marked);
        QFETCH(QStringList, expected);
        if (record < 0) {
            ProjectFile file;
            QVERIFY(file.Open(project_));
            QVERIFY(file.SetFieldMarks("a/one_dlg.edt", 0, 0, {"Hey", ReviewReason::Changed, {}}));
        }
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const int column = tab->Document()->TextColumn(0);
        if (record < 0)
            tab->Session()->ConfirmReview(0, column);
        else
            QVERIFY(tab->Session()->SetText(record, column, text, "typing"));
        if (marked)
            tab->Session()->Review()->Set(record, 0, {ReviewReason::Changed, "Upp"});
        QVERIFY(frame_->Commands().Save(frame_->ActiveIndex()));
        QCOMPARE(MemoryUnits(), expected);
        if (!expected.isEmpty())
            QTRY_COMPARE(frame_->statusBar()->currentMessage(),
                         UiCount("count.memoryAdded", expected.size()));
        // Saved again without a change: nothing new to send, nothing twice in the memory.
        QVERIFY(frame_->Commands().Save(frame_->ActiveIndex()));
        QCOMPARE(MemoryUnits(), expected);
    }

    // Another program holds the project's database locked: the save is done at once all the same,
    // and the status bar says the memory did not take the translations.
    void aLockedMemoryLeavesTheSaveAlone()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        QVERIFY(tab->Session()->SetText(2, tab->Document()->TextColumn(0), u"Op", "typing"));
        sql::Database lock;
        QVERIFY(lock.Open(ProjectCachePath(project_), false));
        QVERIFY(lock.Exec("BEGIN EXCLUSIVE"));
        QElapsedTimer saving;
        saving.start();
        QVERIFY(frame_->Commands().Save(frame_->ActiveIndex()));
        QVERIFY2(saving.elapsed() < 2000, "the save waited for the memory");
        QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), EdtBytes({"Ha", "Go", "Op"}));
        QVERIFY(!tab->Session()->IsModified());
        frame_->Projects().Memory()->WaitForDone();
        QTRY_VERIFY(frame_->statusBar()->currentMessage().startsWith(
            UiText("memory.feedFailed").section(QStringLiteral("%1"), 0, 0)));
        QVERIFY(lock.Exec("ROLLBACK"));
        QCOMPARE(MemoryUnits(), QStringList{});
    }

    // An open file's problems are the status bar's; a closed one's what its count on disk knows.
    void panelProblemsFollowTheStatusBar()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const qint64 problems =
            tab->Session()->Checks()->Count() + tab->Status()->Counts().sourceChanged;
        QVERIFY(problems > 0);
        QTRY_COMPARE(ShownRows(Panel()).value("a/one_dlg.edt").value(3), QString::number(problems));
        QVERIFY(frame_->CountsText().endsWith(QStringLiteral("Problems: %1").arg(problems)));
        QVERIFY(Panel().Totals()->text().contains(QStringLiteral("Problems: %1").arg(problems)));
    }

    // Whole Project: the files not open checked from disk (their fields to review too, and
    // ignored there), an original translated otherwise in another file reported in both; a
    // click opens the file at the field, which stays selected as the list is made again, and
    // its rows then follow the cell editor before the text is committed.
    void projectProblems_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("check");
        QTest::addColumn<bool>("listed");
        QTest::newRow("not open") << "b/two_dlg.edt" << int(Check::Untranslated) << true;
        QTest::newRow("pair, first") << "c/three_dlg.edt" << int(Check::Inconsistent) << true;
        QTest::newRow("pair, second") << "d/four_dlg.edt" << int(Check::Inconsistent) << true;
        QTest::newRow("alone in its file") << "a/one_dlg.edt" << int(Check::Inconsistent) << false;
        QTest::newRow("to review, not open")
            << "b/two_dlg.edt" << int(ProblemsModel::kSourceChanged) << true;
    }
    void projectProblems()
    {
        QFETCH(QString, file);
        QFETCH(int, check);
        QFETCH(bool, listed);
        for (const auto& [path, text] : {std::pair{Original("d/four_dlg.edt"), "Sun"},
                                         std::pair{Translation("d/four_dlg.edt"), "Sonn"}})
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && WriteFile(path, EdtBytes({text})));
        OpenFrame();
        frame_->show();  // the editor commits what was typed while it had the focus
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        auto* panel = frame_->findChild<ProblemsPanel*>();
        ProblemsModel& model = *panel->Model();
        QVERIFY(panel->Scope()->isEnabled());
        QVERIFY(OpenProject().File()->SetFieldMarks("b/two_dlg.edt", 0, 0,
                                                    {"Old", ReviewReason::Changed, {}}));
        QSignalSpy checked(panel, &ProblemsPanel::ProjectChecked);
        panel->Scope()->setCurrentIndex(1);
        QVERIFY(checked.wait(10000));
        // A row names every problem of its field.
        auto names = [&](int row, int what) {
            const std::vector<ProblemsModel::Entry> entries = model.Entries(row);
            return std::any_of(entries.begin(), entries.end(),
                               [what](const ProblemsModel::Entry& e) { return e.check == what; });
        };
        auto rowsOf = [&](const QString& path, int what) {
            int rows = 0;
            for (int row = 0; row < model.rowCount(); ++row)
                rows += names(row, what) && model.FileOf(model.At(row)) == path;
            return rows;
        };
        auto rowOf = [&](const QString& path, int what) {
            for (int row = 0; row < model.rowCount(); ++row) {
                if (names(row, what) && model.FileOf(model.At(row)) == path)
                    return row;
            }
            return -1;
        };
        const int row = rowOf(file, check);
        QCOMPARE(row >= 0, listed);
        if (!listed)
            return;
        QCOMPARE(model.data(model.index(row, 0), Qt::DisplayRole).toString(), file);
        const auto shown = [&](int row, int column) {
            return model.data(model.index(row, 1 + column), Qt::DisplayRole).toString();
        };
        const QStringList titles = shown(row, ProblemsModel::CheckColumn).split(u", "_qs);
        if (check == ProblemsModel::kSourceChanged) {
            QVERIFY(titles.contains(UiText("check.sourceChanged.title")));
            QVERIFY(shown(row, ProblemsModel::DetailColumn)
                        .contains(UiText("check.sourceChanged.detail").arg("Old")));
            return;
        }
        QVERIFY(titles.contains(CheckTitle(static_cast<Check>(check))));
        if (check == int(Check::Untranslated)) {
            // Ignored while the file is not open: the project keeps it for the next check.
            const int rows = rowsOf(file, check);
            // The Project panel counts what the list found for the file, not only its sizes.
            const auto counted = [&] { return ShownRows(Panel()).value(file).value(3).toInt(); };
            int listed = 0;
            for (int at = 0; at < model.rowCount(); ++at)
                listed += model.FileOf(model.At(at)) == file ? int(model.Entries(at).size()) : 0;
            QTRY_COMPARE(counted(), listed);
            panel->View()->setCurrentIndex(model.index(row, 0));
            QVERIFY(panel->IgnoreAction()->isEnabled());
            panel->IgnoreAction()->trigger();
            QCOMPARE(rowsOf(file, check), rows - 1);
            QTRY_COMPARE(counted(), listed - 1);
            QCOMPARE(OpenProject().File()->IgnoredProblems(file).size(), size_t(1));
            panel->ScheduleProjectCheck(0);
            QVERIFY(checked.wait(10000));
            QCOMPARE(rowsOf(file, check), rows - 1);
        }
        if (check != int(Check::Inconsistent))
            return;
        QCOMPARE(shown(row, ProblemsModel::DetailColumn),
                 QStringLiteral("the same original has 2 different translations"));
        // The click opens the file with its original and selects the field.
        panel->View()->setCurrentIndex(model.index(row, 0));
        emit panel->View()->clicked(model.index(row, 0));
        DocumentTab* tab = frame_->TabAt(frame_->ActiveIndex());
        QVERIFY(tab && tab->Document()->Path().endsWith(file) && tab->Reference());
        QCOMPARE(tab->View()->SelectedRow(), 0);
        QCOMPARE(tab->View()->SelectedColumn(), tab->Document()->TextColumn(0));
        QVERIFY(checked.wait(10000));  // the tabs changed: checked again with it open
        QVERIFY(rowOf(file, check) >= 0);
        QCOMPARE(panel->View()->currentIndex().row(), rowOf(file, check));  // still selected
        // Typed like the other file, not committed: its own row goes, the document unchanged.
        const QString other =
            file.startsWith(u'c') ? QStringLiteral("Sonn") : QStringLiteral("Sol");
        QVERIFY(tab->View()->BeginEdit());
        tab->View()->Editor()->selectAll();
        QTest::keyClicks(tab->View()->Editor(), other);
        QTRY_VERIFY(rowOf(file, check) < 0);
        QVERIFY(tab->Document()->FieldText(0, 0) != other);
        QVERIFY(frame_->CountsText().endsWith(
            QStringLiteral("Problems: %1").arg(tab->Session()->Checks()->Count())));
        // Committed: the other file is checked against it again.
        QTest::keyClick(tab->View()->Editor(), Qt::Key_Return);
        QCOMPARE(tab->Document()->FieldText(0, 0), other);
        QTRY_VERIFY_WITH_TIMEOUT(
            rowOf(file.startsWith(u'c') ? "d/four_dlg.edt" : "c/three_dlg.edt", check) < 0, 10000);
    }

    // The project's glossary drives the checks of its open files (not of others), the status
    // bar's count following an import and a clear; a broken file changes nothing.
    void glossaryDrivesTheChecks()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        DocumentChecks& checks = *tab->Session()->Checks();
        DocumentChecks& other =
            *frame_
                 ->SessionAt(frame_->AddDocument(
                     MakeDocument(OneFieldFormat("F", QString()), {{"Ha"}}), "other.edt"))
                 ->Checks();
        const qint64 before = checks.Count();
        const auto problems = [this] {
            frame_->UpdateUi();
            return frame_->CountsText().section(QStringLiteral("Problems: "), 1);
        };
        frame_->SetActiveIndex(0);
        QCOMPARE(problems(), QString::number(before));
        QVERIFY(WriteFile(env_.Path("g.csv"), "hi,Yo\nhi,Yo\nhi,Jo\n") &&
                WriteFile(env_.Path("bad.csv"), "hi\n"));
        for (const char* file : {"bad.csv", "g.csv"}) {
            host_.QueueFiles({env_.Path(file)});
            frame_->Projects().ImportGlossary();
        }
        QCOMPARE(host_.questions.size(), 2);
        QVERIFY2(host_.questions[0].startsWith("The glossary could not be imported from"),
                 qPrintable(host_.questions[0]));
        QVERIFY2(host_.questions[1].endsWith("2 terms read, 2 added, 0 already in the glossary "
                                             "(skipped)."),
                 qPrintable(host_.questions[1]));
        QCOMPARE(checks.CountOf(Check::Glossary), 1);
        QCOMPARE(other.CountOf(Check::Glossary), 0);
        QCOMPARE(problems(), QString::number(before + 1));
        host_.answers << QMessageBox::Yes;
        frame_->Projects().ClearGlossary();
        QVERIFY(host_.questions.last().startsWith("Remove all 2 terms"));
        QCOMPARE(checks.CountOf(Check::Glossary), 0);
        QCOMPARE(problems(), QString::number(before));
        QVERIFY(host_.Drained());
    }

    // A box set for the project counts in its open files' checks and the status bar at once,
    // a TrueType one too, and stays with the project; one whose font will not load is refused.
    void boxDrivesTheChecks()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const DocumentChecks& checks = *tab->Session()->Checks();
        const qint64 before = checks.Count();
        const int format = tab->Document()->FormatIndex();
        // box.fnt has neither H, G nor o: "Ha" is 9 px wide, "Go" nothing.
        const TextBox bitmap{QStringLiteral(SCRIVLET_TEST_FONTS "/box.fnt"), 20, 5, 1, {}};
        QVERIFY(OpenProject().Checks().SetBox({{format, 0}, {}, bitmap}));
        QCOMPARE(checks.CountOf(Check::TooWide), 1);
        QCOMPARE(checks.CountOf(Check::MissingGlyph), 2);
        frame_->UpdateUi();
        QVERIFY(frame_->CountsText().endsWith(QStringLiteral("Problems: %1").arg(before + 3)));
        const TextBox outline{
            QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 16, 10, 1, {}};
        QVERIFY(OpenProject().Checks().SetBox({{format, 0}, {}, outline}));
        QCOMPARE(checks.CountOf(Check::TooWide), 2);
        QCOMPARE(checks.CountOf(Check::MissingGlyph), 0);
        // The pane draws the field in its box and follows typing.
        auto* pane = frame_->findChild<EditingPane*>();
        QVERIFY(tab->View()->SelectCell(0, tab->Document()->TextColumn(0)));
        QVERIFY(!pane->Preview()->isHidden());
        QCOMPARE(pane->Preview()->Lines().size(), size_t{1});
        pane->Translation()->setFocus();
        QTest::keyClicks(pane->Translation(), " a b");
        QCOMPARE(pane->Preview()->Lines().size(), size_t{3});
        QVERIFY(!OpenProject().Checks().SetBox({{format, 0}, {}, {project_, 16, 10, 1, {}}}));
        cleanup();
        OpenFrame();
        tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        QCOMPARE(tab->Session()->Checks()->CountOf(Check::TooWide), 2);
    }

    // The check settings: a project's own pattern makes its placeholders count, and it stays
    // in the project with the word list; a pattern that does not compile is named by its line
    // and cannot be accepted.
    void checkSettings()
    {
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        DocumentChecks& checks = *tab->Session()->Checks();
        QCOMPARE(checks.CountOf(Check::Placeholders), 0);
        const QStringList none;
        CheckSettingsDialog broken(&none, {});
        broken.PatternsEdit()->setPlainText("\\bHi\\b\n(unclosed");
        QVERIFY(!broken.CanAccept());
        QVERIFY2(broken.PatternProblems()->text().startsWith("Line 2: "),
                 qPrintable(broken.PatternProblems()->text()));
        CheckSettingsDialog dialog(&none, {});
        // The fields of the catalogue's formats, those of other catalogues kept as they are.
        dialog.SetTuning({{}, {}, 3, {"1:0", "99:0"}}, frame_->Catalogue());
        QCOMPARE(dialog.StartCaseList()->item(1)->checkState(), Qt::Checked);
        dialog.StartCaseList()->item(1)->setCheckState(Qt::Unchecked);
        dialog.StartCaseList()->item(0)->setCheckState(Qt::Checked);
        dialog.PatternsEdit()->setPlainText("\\bHi\\b\n\n");
        dialog.TagsEdit()->setPlainText("\\[/?b\\]");
        dialog.RatioEdit()->setValue(4.5);
        dialog.WordsEdit()->setPlainText(" Harrowmere \nTobb");
        QVERIFY(dialog.CanAccept());
        frame_->Checks()->ApplySettings(dialog);
        QCOMPARE(checks.CountOf(Check::Placeholders), 1);
        frame_.reset();
        OpenFrame();
        QCOMPARE(frame_->Checks()->Choices().Tuning(),
                 (CheckTuning{{"\\bHi\\b"}, {"\\[/?b\\]"}, 4.5, {"99:0", "0:0"}}));
        QCOMPARE(frame_->Checks()->Choices().WordList(), (QStringList{"Harrowmere", "Tobb"}));
    }

    // The Glossary dock lists the terms of the selected field's source, whole words in any
    // case; a double-click puts a translation in at the caret only while the editor is open.
    void glossaryPanel_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QStringList>("rows");  // term = translation ; note
        QTest::newRow("any case, two translations")
            << 0 << QStringList{"hi = Yo ; greeting", "hi = Servus ; greeting"};
        QTest::newRow("part of a word is none") << 1 << QStringList();
        QTest::newRow("another term") << 2 << QStringList{"Up = Auf ; "};
    }
    void glossaryPanel()
    {
        QFETCH(int, record);
        QFETCH(QStringList, rows);
        {
            ProjectFile project;
            GlossaryImport counts;
            QVERIFY(project.Open(project_) &&
                    WriteFile(env_.Path("g.csv"), "hi,Yo,greeting\nhi,Servus\nG,Ge\nUp,Auf\n") &&
                    ImportProjectGlossary(project, env_.Path("g.csv"), &counts));
        }
        OpenFrame();
        ShowAndWait(*frame_);
        GlossaryPanel& panel = *frame_->Glossary();
        QVERIFY(panel.isHidden());
        Run(*frame_, Command::ViewGlossary);
        QVERIFY(!panel.isHidden());
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        GridView* view = tab->View();
        const int column = tab->Document()->TextColumn(0);
        QVERIFY(view->SelectCell(record, column));
        QStringList shown;
        for (int k = 0; k < panel.List()->topLevelItemCount(); ++k) {
            const QTreeWidgetItem* item = panel.List()->topLevelItem(k);
            shown << item->text(0) + " = " + item->text(1) + " ; " + item->text(2);
        }
        QCOMPARE(shown, rows);
        QCOMPARE(panel.List()->isHidden(), rows.isEmpty());
        if (rows.isEmpty())
            return;
        const QString before = tab->Document()->Text(record, column);
        QTreeWidgetItem* first = panel.List()->topLevelItem(0);
        QVERIFY(!panel.Insert(first));
        QVERIFY(view->BeginEdit());
        QTRY_VERIFY(view->Editor() && view->Editor()->hasFocus());
        view->Editor()->setText("a");
        view->Editor()->setCursorPosition(0);
        // As the user does it: the list takes no focus, so the edit goes on.
        const QRect cell = panel.List()->visualItemRect(first);
        QTest::mouseClick(panel.List()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(panel.List()->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(view->Editor());
        QTest::keyClick(view->Editor(), Qt::Key_Return);
        QCOMPARE(tab->Document()->Text(record, column), first->text(1).left(3) + "a");
        QVERIFY(before != tab->Document()->Text(record, column));
    }

    // New Project: while the project cannot be made, the dialog stays open as typed and says
    // which file and why; the second time it is refused as one that exists.
    void newProject()
    {
        frame_ = std::make_unique<MainFrame>();
        frame_->Commands().SetDialogHost(&host_);
        const QString path = env_.Path("sub/new.scrivlet");
        ModalScript script;
        const auto fill = [this, path](NewProjectDialog* dialog) {
            QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            QVERIFY(!ok->isEnabled());
            host_.folderAnswers << env_.Path("orig") << env_.Path("trans");
            for (QPushButton* browse : dialog->findChildren<QPushButton*>()) {
                if (browse->text() == UiText("project.browse") && host_.folderAnswers.size() > 0)
                    browse->click();
            }
            // The project file is offered beside the folders; its suffix is added when left out.
            QCOMPARE(dialog->ProjectEdit()->text(),
                     QDir::toNativeSeparators(env_.Path("project.scrivlet")));
            dialog->ProjectEdit()->setText(env_.Path("sub/new"));
            dialog->TranslationEncoding()->setCurrentIndex(3);
            ok->click();
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->ProjectEdit()->text(), env_.Path("sub/new"));
            QCOMPARE(dialog->TranslationEncoding()->currentIndex(), 3);
            QCOMPARE(host_.questions.value(0),
                     UiText("project.cannotWrite")
                         .arg(path, UiText("project.folderMissing").arg(env_.Path("sub"))));
            QVERIFY(QDir().mkpath(env_.Path("sub")));
            ok->click();
        };
        script.Then<NewProjectDialog>(fill);
        frame_->Projects().NewProject();
        QVERIFY(script.Finished());
        QCOMPARE(RecentProjects().value(0), path);
        QCOMPARE(frame_->Start()->RecentProjectButtons().size(), 1);
        QCOMPARE(OpenProject().File()->Settings().originals, QStringLiteral("../orig"));
        QCOMPARE(OpenProject().File()->Settings().translationEncoding, 3);
        QVERIFY(WaitForCount());
        QCOMPARE(ShownRows(Panel()).size(), 7);
        QVERIFY(!frame_->Projects().CreateProject(path, OpenProject().File()->Settings()));
        QCOMPARE(host_.questions.value(1), UiText("project.exists").arg(path));
    }

    // A translation of the project opens with its original however it comes; one without an
    // original opens alone.
    void oneWayIn_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("reference");  // empty: none
        QTest::newRow("open dialog") << "dialog"
                                     << "a/one_dlg.edt" << QStringList{"Hi", "Go", "Up"};
        QTest::newRow("command line") << "named"
                                      << "a/one_dlg.edt" << QStringList{"Hi", "Go", "Up"};
        QTest::newRow("recent files") << "recent"
                                      << "c/three_dlg.edt" << QStringList{"Sun"};
        QTest::newRow("before the first listing")
            << "early"
            << "a/one_dlg.edt" << QStringList{"Hi", "Go", "Up"};
        QTest::newRow("no original") << "named"
                                     << "extra_dlg.edt" << QStringList{};
    }
    void oneWayIn()
    {
        QFETCH(QString, way);
        QFETCH(QString, file);
        QFETCH(QStringList, reference);
        if (way == QLatin1String("early")) {
            // A project never counted: nothing listed yet.
            frame_ = std::make_unique<MainFrame>();
            frame_->Commands().SetDialogHost(&host_);
            QVERIFY(frame_->Projects().OpenProjectFile(project_));
        } else {
            OpenFrame();
        }
        const QString path = Translation(file);
        if (way == QLatin1String("dialog")) {
            host_.QueueFiles({path});
            frame_->Commands().Open();
        } else if (way == QLatin1String("recent")) {
            frame_->Commands().OpenRecent(RecentFile{path, 0, 0, 0});
        } else {
            frame_->Commands().OpenFiles({path});
        }
        QCOMPARE(frame_->TabCount(), 1);
        const EdtDocument* shown = frame_->TabAt(0)->Reference();
        QCOMPARE(shown != nullptr, !reference.isEmpty());
        for (int record = 0; shown && record < reference.size(); ++record)
            QCOMPARE(shown->Text(record, shown->TextColumn(0)), reference[record]);
        // Opened again, its tab is shown, not a second one.
        if (!reference.isEmpty()) {
            frame_->Commands().OpenFiles({path});
            QCOMPARE(frame_->TabCount(), 1);
        }
    }

    // File > Project Exchange: the whole project out and, edited elsewhere, back; a folder
    // export is read back from any of its files.
    void exchangeProject_data()
    {
        QTest::addColumn<QString>("chosen");  // in the export dialog
        QTest::addColumn<QString>("file");    // where the one_dlg.edt entry goes
        QTest::addColumn<QString>("picked");  // in the import dialog
        QTest::newRow("XLIFF") << "out/all.xlf"
                               << "out/all.xlf"
                               << "out/all.xlf";
        QTest::newRow("PO folder") << "out/all.po"
                                   << "out/all/a/one_dlg.edt.po"
                                   << "out/all/c/three_dlg.edt.po";
    }
    void exchangeProject()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, file);
        QFETCH(QString, picked);
        QVERIFY(QDir().mkpath(env_.Path("out")));
        OpenFrame();
        host_.QueueFiles({env_.Path(chosen)});
        Run(*frame_, Command::ExportProject);
        QCOMPARE(host_.questions.value(0),
                 u"The project was written to %1."_qs.arg(
                     QDir::toNativeSeparators(env_.Path(chosen).section(u".po"_qs, 0, 0))));
        // Translated elsewhere: "Ha" becomes "Yo".
        QByteArray bytes = ReadFile(env_.Path(file));
        const bool po = file.endsWith(u".po");
        const QByteArray before = po ? "msgstr \"Ha\"" : ">Ha</target>";
        QVERIFY2(bytes.contains(before), bytes.constData());
        bytes.replace(before, po ? "msgstr \"Yo\"" : ">Yo</target>");
        QVERIFY(WriteFile(env_.Path(file), bytes));
        host_.QueueFiles({env_.Path(picked)});
        Run(*frame_, Command::ImportProject);
        QVERIFY(host_.Drained());
        // Empty records at the end are never written.
        QCOMPARE(ReadFile(Translation("a/one_dlg.edt")), EdtBytes({"Yo", "Go"}));
        QCOMPARE(ReadFile(Translation("c/three_dlg.edt")), EdtBytes({"Sol"}));
        const QStringList report = host_.questions.value(1).split(u'\n');
        QVERIFY2(report.contains(u"a/one_dlg.edt: Imported: 1 · Unchanged: 2"_qs),
                 qPrintable(report.join(u'|')));
        QCOMPARE(report.last(), u"Files: 3"_qs);
    }

    // File > Project Exchange > Import and Export Memory, over the project's own memory: the
    // counts reported; a cancel changes neither the memory nor a file; a memory of unknown
    // languages (a Unicode project, nothing imported yet) asks them first.
    void exchangeMemory_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QStringList>("units");  // in the memory afterwards
        QTest::addColumn<QString>("report");
        const QStringList both{"Kept|Behalten", "Door|Tür"};
        QTest::newRow("import") << "import" << both
                                << "Units read from %1: 2; added: 1, already in the memory: 1.";
        QTest::newRow("import cancelled") << "import cancel" << QStringList{"Kept|Behalten"} << "";
        QTest::newRow("languages asked")
            << "import ask" << both << "Units read from %1: 2; added: 2, already in the memory: 0.";
        QTest::newRow("export") << "export" << QStringList{"Kept|Behalten"}
                                << "Units written to %1: 1.";
        QTest::newRow("export cancelled") << "export cancel" << QStringList{"Kept|Behalten"} << "";
    }
    void exchangeMemory()
    {
        QFETCH(QString, way);
        QFETCH(QStringList, units);
        QFETCH(QString, report);
        const MemoryLanguages enDe{QStringLiteral("en"), QStringLiteral("de")};
        if (way.endsWith(u"ask")) {
            project_ = env_.Path(QStringLiteral("unicode.scrivlet"));
            ProjectFile file;
            QVERIFY(file.Create(
                project_, ProjectSettings{QStringLiteral("orig"), QStringLiteral("trans"), 4, 4}));
        }
        {
            std::unique_ptr<TranslationMemory> memory;
            MemoryCounts counts;
            QVERIFY(OpenMemory(project_, &memory).Ok());
            if (!way.endsWith(u"ask"))
                QVERIFY(
                    memory
                        ->Add(enDe, std::vector<MemoryUnit>{{"Kept", "Behalten", "p", 1}}, &counts)
                        .Ok());
        }
        const QString tmx = env_.Path(QStringLiteral("m.tmx"));
        QVERIFY(WriteFile(tmx,
                          "<tmx version=\"1.4\"><header srclang=\"en\"/><body>"
                          "<tu><tuv xml:lang=\"en\"><seg>Kept</seg></tuv><tuv xml:lang=\"de\">"
                          "<seg>Behalten</seg></tuv></tu><tu><tuv xml:lang=\"en-US\"><seg>Door"
                          "</seg></tuv><tuv xml:lang=\"de\"><seg>Tür</seg></tuv></tu>"
                          "</body></tmx>"));
        const QString out = env_.Path(QStringLiteral("out.tmx"));
        QVERIFY(WriteFile(out, "old"));
        OpenFrame();
        CancelProgress cancel;
        if (way.endsWith(u"cancel"))
            qApp->installEventFilter(&cancel);
        // Answers the question of the languages once it is asked.
        QTimer answer;
        connect(&answer, &QTimer::timeout, [] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() != u"memoryLanguages" || !top->isVisible())
                    continue;
                top->findChild<QLineEdit*>("sourceLanguage")->setText(u"en-GB"_qs);
                top->findChild<QLineEdit*>("targetLanguage")->setText(u"de"_qs);
                qobject_cast<QDialog*>(top)->accept();
            }
        });
        answer.start(20);
        const bool import = way.startsWith(u"import");
        host_.QueueFiles({import ? tmx : out});
        Run(*frame_, import ? Command::ImportMemory : Command::ExportMemory);
        qApp->removeEventFilter(&cancel);
        QVERIFY(host_.Drained());
        if (way.endsWith(u"ask")) {
            MemoryLanguages taken;
            std::unique_ptr<TranslationMemory> memory;
            QVERIFY(OpenMemory(project_, &memory).Ok() && memory->Languages(&taken).Ok());
            QCOMPARE(taken.source + u'|' + taken.target, u"en-GB|de"_qs);
        }
        QStringList held;
        for (const QString& unit : MemoryUnits())
            held << unit.section(u'|', 0, 1);
        QCOMPARE(held, units);
        const QString shown = QDir::toNativeSeparators(import ? tmx : out);
        QCOMPARE(host_.questions.value(0), report.isEmpty() ? QString() : report.arg(shown));
        if (!import)
            QCOMPARE(ReadFile(out).startsWith("<?xml"), !way.endsWith(u"cancel"));
    }

    // Closing the window keeps the session; the next start opens the project again, the
    // project's document with its original and states, another with the reference it had, each
    // on the cell it was on, the active one active. Turned off, nothing opens.
    void sessionComesBack()
    {
        const QString loose = env_.Path("loose_dlg.edt"), looseRef = env_.Path("ref/loose_dlg.edt");
        QVERIFY(WriteFile(loose, EdtBytes({"Eins", "Zwei"})) && QDir().mkpath(env_.Path("ref")) &&
                WriteFile(looseRef, EdtBytes({"One", "Two"})));
        OpenFrame();
        DocumentTab* tab = OpenFromPanel("one_dlg.edt");
        QVERIFY(tab);
        const int column = tab->Document()->TextColumn(0);
        QVERIFY(tab->Session()->SetStates({{1, 0}}, StoredState::NeedsWork, "state"));
        QVERIFY(tab->View()->SelectCell(2, column));
        frame_->Commands().OpenFiles({loose});
        QCOMPARE(frame_->TabCount(), 2);
        DocumentSession* other = frame_->SessionAt(1);
        const EdtDocument& document = *other->Document();
        other->SetReference(LoadDocument(looseRef, document.GetFileType(), document.GetEncoding(),
                                         document.Format(), document.FormatIndex(), true)
                                .document);
        QVERIFY(frame_->TabAt(1)->View()->SelectCell(1, column));
        frame_->SetActiveIndex(0);
        QVERIFY(frame_->close());
        frame_.reset();

        for (const bool reopen : {true, false}) {
            frame_ = std::make_unique<MainFrame>();
            frame_->Commands().SetDialogHost(&host_);
            QCOMPARE(frame_->Action(Command::ReopenSession)->isChecked(), reopen);
            ReopenLastSession(*frame_);
            if (!reopen) {
                QCOMPARE(frame_->TabCount(), 0);
                QVERIFY(!OpenProject().IsOpen());
                break;
            }
            QCOMPARE(OpenProject().Path(), project_);
            QCOMPARE(frame_->TabCount(), 2);
            QCOMPARE(frame_->ActiveIndex(), 0);
            const DocumentTab* first = frame_->TabAt(0);
            QCOMPARE(first->Document()->Path(), Translation("a/one_dlg.edt"));
            QCOMPARE(first->Reference()->Text(0, column), u"Hi"_qs);
            QCOMPARE(first->Session()->Status()->State(1, 0), FieldState::NeedsWork);
            QCOMPARE(first->View()->SelectedRow(), 2);
            const DocumentTab* second = frame_->TabAt(1);
            QCOMPARE(second->Document()->Path(), loose);
            QVERIFY(second->Reference());
            QCOMPARE(second->Reference()->Path(), looseRef);
            QCOMPARE(second->View()->SelectedRow(), 1);
            QVERIFY(host_.Drained());
            frame_->Action(Command::ReopenSession)->trigger();  // off from now on
            QVERIFY(frame_->close());
            frame_.reset();
        }
    }

    // An editor with a document of the project open (edited, a field set to needs work, a
    // review mark from the project) is killed; the next start restores the copy into the
    // project: opened again, with the original as the reference, the mark and the state, the
    // edit unsaved, in place of the tab that showed the file from disk.
    void killedEditorRestoresIntoTheProject()
    {
        {
            ProjectFile file;
            QVERIFY(file.Open(project_));
            QVERIFY(file.SetFieldMarks("a/one_dlg.edt", 0, 0, {"Hey", ReviewReason::Changed, {}}));
        }
        const QString folder = env_.Path("recovery");
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t editor = fork();
        if (editor == 0) {
            // The editor: any failure ends it at once, so that it never runs other tests.
            qputenv("SCRIVLET_AUTOSAVE_SECONDS", "1");
            Autosave autosave(folder);
            frame_ = std::make_unique<MainFrame>();
            frame_->Commands().SetDialogHost(&host_);
            frame_->SetRecovery(&autosave);
            // Not waiting for the count: the pool's threads stayed with the parent. The file
            // opens with its original all the same, as from the panel.
            if (!frame_->Projects().OpenProjectFile(project_))
                _exit(1);
            frame_->Commands().OpenFiles({Translation("a/one_dlg.edt")});
            DocumentTab* tab = frame_->TabAt(0);
            if (!tab || !tab->Reference() ||
                !tab->Session()->SetText(2, tab->Document()->TextColumn(0), u"Op", "t") ||
                !tab->Session()->SetStates({{1, 0}}, StoredState::NeedsWork, "state"))
                _exit(1);
            QTest::qWait(1500);
            autosave.Flush();
            (void)!write(ready[1], "1", 1);
            for (;;)
                pause();
        }
        ::close(ready[1]);
        char byte = 0;
        QVERIFY(editor > 0 && read(ready[0], &byte, 1) == 1);
        kill(editor, SIGKILL);
        waitpid(editor, nullptr, 0);
        ::close(ready[0]);

        frame_ = std::make_unique<MainFrame>();
        frame_->Commands().SetDialogHost(&host_);
        Autosave autosave(folder);
        frame_->SetRecovery(&autosave);
        // Opened from disk, as a session opened again on start would: the copy takes its place.
        frame_->Commands().OpenFiles({Translation("a/one_dlg.edt")});
        QCOMPARE(frame_->TabCount(), 1);
        ModalScript answer;
        answer.Then<RestoreDialog>([](RestoreDialog* dialog) {
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == UiText("recov.restore"))
                    button->click();
        });
        autosave.OfferRestore(*frame_, host_);
        QVERIFY(answer.Finished());
        QCOMPARE(OpenProject().Path(), project_);
        QCOMPARE(frame_->TabCount(), 1);
        const DocumentTab* tab = frame_->TabAt(0);
        const int column = tab->Document()->TextColumn(0);
        QCOMPARE(tab->Document()->Path(), Translation("a/one_dlg.edt"));
        QCOMPARE(tab->Document()->Text(2, column), u"Op"_qs);
        QVERIFY(tab->Session()->IsModified());
        QVERIFY(tab->Reference());
        QCOMPARE(tab->Reference()->Text(0, column), u"Hi"_qs);
        QVERIFY(tab->Session()->Review()->Holds(0, 0));
        QCOMPARE(tab->Session()->Status()->State(1, 0), FieldState::NeedsWork);
        frame_->SetRecovery(nullptr);
    }
};

SCRIVLET_TEST(TestProject);
#include "test_project.moc"
