// The project in the editor, driven through the frame offscreen over a real project file in a
// temporary folder: the Project panel's counts (from the cache at once, then as the files
// are), opening files from it, counts that follow edits and the disk, Find and Replace in
// Project, and New Project.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "grid/DocumentHistory.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "shell/DocumentCommands.h"
#include "shell/DocumentSession.h"
#include "shell/DocumentTab.h"
#include "shell/ProblemsPanel.h"
#include "shell/ProjectCommands.h"
#include "shell/ProjectDialog.h"
#include "shell/ProjectFind.h"
#include "shell/ProjectPanel.h"
#include "shell/Settings.h"
#include "shell/StartPage.h"
#include "shell/UpdateCommand.h"
#include "store/IgnoreFile.h"
#include "translation/DocumentChecks.h"
#include "translation/ReviewMarks.h"
#include "translation/TranslationStatus.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QTreeWidget>
#include <QUndoStack>

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

}  // namespace

class TestProject : public QObject {
    Q_OBJECT

    ShellEnvironment env_;
    ScriptedHost host_;
    std::unique_ptr<MainFrame> frame_;
    QString project_;

    ProjectPanel& Panel() { return *frame_->Projects().Panel(); }
    ProjectFindPanel& Find() { return *frame_->Projects().Find(); }
    QString Original(const QString& name) { return env_.Path(QStringLiteral("orig/") + name); }
    QString Translation(const QString& name) { return env_.Path(QStringLiteral("trans/") + name); }

    // A frame with the project open and counted.
    void OpenFrame()
    {
        frame_ = std::make_unique<MainFrame>();
        frame_->Commands().SetDialogHost(&host_);
        QSignalSpy counted(&Panel(), &ProjectPanel::Counted);
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
        QSignalSpy counted(&Panel(), &ProjectPanel::Counted);
        return counted.wait(10000);
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
        QCOMPARE(tab->Document()->IsModified(), modified);
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
        QVERIFY(tab->Session()->History()->SetText(2, tab->Document()->TextColumn(0), u"Op",
                                                   QStringLiteral("typing")));
        QTRY_COMPARE(ShownRows(Panel()).value("a/one_dlg.edt").value(2),
                     QStringLiteral("66\u00a0%"));
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
        QVERIFY(!tab->Document()->IsModified());
    }

    // The game moved on: a's original gains "New" before "Go" and "Up" became "Upp"; c's
    // stayed the same. a is open or not, and the update is confirmed or declined.
    void updateOriginals_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("on disk") << false << QMessageBox::Yes;
        QTest::newRow("open") << true << QMessageBox::Yes;
        QTest::newRow("declined") << false << QMessageBox::No;
    }
    void updateOriginals()
    {
        QFETCH(bool, open);
        QFETCH(QMessageBox::StandardButton, answer);
        for (const auto& [name, texts] :
             {std::pair{QStringLiteral("a/one_dlg.edt"), QStringList{"Hi", "New", "Go", "Upp"}},
              std::pair{QStringLiteral("c/three_dlg.edt"), QStringList{"Sun"}}}) {
            const QString path = env_.Path(QStringLiteral("orig2/") + name);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && WriteFile(path, EdtBytes(texts)));
        }
        OpenFrame();
        QVERIFY(frame_->findChild<QAction*>("fileUpdateOriginals")->isEnabled());
        DocumentTab* tab = open ? OpenFromPanel("one_dlg.edt") : nullptr;
        const QByteArray before = ReadFile(Translation("a/one_dlg.edt"));
        host_.folderAnswers << env_.Path("orig2");
        host_.answers << answer;
        frame_->Projects().UpdateOriginals();
        QVERIFY(host_.Drained());
        QVERIFY(host_.questions.value(0).contains(
            QStringLiteral("Records kept: 2, moved: 1, changed: 0, new: 2, removed: 1. "
                           "Fields to review: 2.")));
        ProjectFile& project = *Panel().Project();
        const QStringList carried{"Ha", "New", "Go", "Upp"};
        if (answer == QMessageBox::No) {
            QCOMPARE(host_.questions.size(), 1);
            QCOMPARE(project.Settings().originals, QStringLiteral("orig"));
            QVERIFY(project.FileMarks("a/one_dlg.edt").empty());
            return;
        }
        QCOMPARE(project.Settings().originals, QStringLiteral("orig2"));
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
        tab->Session()->UndoStack()->undo();
        QCOMPARE(tab->Document()->RecordCount(), 3);
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
        QVERIFY(session.History()->SetText(0, session.Document()->TextColumn(0), u"c  d",
                                           QStringLiteral("typing")));
        QTRY_COMPARE(rows(*panel->Model(), false), 1);
        QCOMPARE(session.Checks()->IgnoredCount(), 0);
    }

    // The marks come back with the file, and go from the project once confirmed or saved.
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
        ProjectFile& project = *Panel().Project();
        ConfirmReviewCommand(*tab->Session(), 0, tab->Document()->TextColumn(0));
        QCOMPARE(project.Marks("a/one_dlg.edt", 0, 0)->review, ReviewReason::None);
        // The source it is confirmed against is the original's text now.
        QCOMPARE(project.Marks("a/one_dlg.edt", 0, 0)->source, QStringLiteral("Hi"));
        QVERIFY(tab->Session()->History()->SetText(2, tab->Document()->TextColumn(0), u"Op",
                                                   QStringLiteral("typing")));
        QCOMPARE(project.Marks("a/one_dlg.edt", 2, 0)->review, ReviewReason::New);
        QVERIFY(frame_->Commands().Save(frame_->ActiveIndex()));
        QCOMPARE(project.Marks("a/one_dlg.edt", 2, 0)->review, ReviewReason::None);
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

    void newProject()
    {
        frame_ = std::make_unique<MainFrame>();
        frame_->Commands().SetDialogHost(&host_);
        NewProjectDialog dialog(host_, frame_.get());
        QVERIFY(!dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        host_.folderAnswers << env_.Path("orig") << env_.Path("trans");
        for (QPushButton* browse : dialog.findChildren<QPushButton*>()) {
            if (browse->text() == UiText("project.browse") && host_.folderAnswers.size() > 0)
                browse->click();
        }
        // The project file is offered beside the folders; its suffix is added when left out.
        QCOMPARE(dialog.ProjectEdit()->text(),
                 QDir::toNativeSeparators(env_.Path("project.scrivlet")));
        dialog.ProjectEdit()->setText(env_.Path("sub/new"));
        dialog.TranslationEncoding()->setCurrentIndex(3);
        QVERIFY(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        const ProjectSettings settings = dialog.Settings();
        QCOMPARE(settings.originals, QStringLiteral("../orig"));
        QCOMPARE(settings.translationEncoding, 3);
        QVERIFY(QDir().mkpath(env_.Path("sub")));
        QVERIFY(frame_->Projects().CreateProject(dialog.ProjectPath(), settings));
        QCOMPARE(RecentProjects().value(0), env_.Path("sub/new.scrivlet"));
        QCOMPARE(frame_->Start()->RecentProjectButtons().size(), 1);
        QVERIFY(WaitForCount());
        QCOMPARE(ShownRows(Panel()).size(), 7);
        // A second one at the same place is refused, and said so.
        QVERIFY(!frame_->Projects().CreateProject(dialog.ProjectPath(), settings));
        QCOMPARE(host_.questions.value(0), UiText("project.exists").arg(dialog.ProjectPath()));
    }
};

SCRIVLET_TEST(TestProject);
#include "test_project.moc"
