// The document commands through the real Qt dialogs, offscreen: each dialog is answered from
// a timer once it is the active modal widget, as a user would answer it.

#include "ShellTestSupport.h"
#include "TestRegistry.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "grid/InplaceEdit.h"
#include "shell/DocumentTab.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

// Answers modal dialogs in order. A step that waits too long fails the script and every
// dialog still coming is rejected, so that a broken flow cannot hang the test.
class ModalScript : public QObject {
public:
    static constexpr int kStepTimeoutMs = 10000;

    ModalScript()
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, &ModalScript::Tick);
    }

    template <class Dialog>
    ModalScript& Then(std::function<void(Dialog*)> act)
    {
        steps_.append({[](QWidget* widget) { return qobject_cast<Dialog*>(widget) != nullptr; },
                       [act](QWidget* widget) { act(qobject_cast<Dialog*>(widget)); }});
        if (!timer_.isActive()) {
            clock_.start();
            timer_.start();
        }
        return *this;
    }

    bool Finished() const { return steps_.isEmpty() && !timedOut_; }

private:
    void Tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (timedOut_) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        if (steps_.isEmpty()) {
            timer_.stop();
            return;
        }
        if (clock_.elapsed() > kStepTimeoutMs) {
            timedOut_ = true;
            return;
        }
        if (!modal || modal == last_ || !modal->isVisible() || !steps_.first().matches(modal))
            return;
        const Step step = steps_.takeFirst();
        last_ = modal;
        clock_.restart();
        // Outside this timer's slot: an answer may open a nested dialog, and a timer does
        // not fire again while its own slot is running.
        QPointer<QWidget> target = modal;
        QTimer::singleShot(0, this, [step, target] {
            if (target)
                step.act(target);
        });
    }

    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    QList<Step> steps_;
    QPointer<QWidget> last_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool timedOut_ = false;
};

void TypeAndReturn(QFileDialog* dialog, const QString& text)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void ChooseAndFinish(QWizard* wizard, const QList<int>& rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        auto* page = qobject_cast<ChoicePage*>(wizard->currentPage());
        QVERIFY(page);
        page->List()->setCurrentRow(rows[i]);
        if (i + 1 < rows.size())
            wizard->next();
    }
    wizard->button(QWizard::FinishButton)->click();
}

void Click(QMessageBox* box, QMessageBox::StandardButton button)
{
    box->button(button)->click();
}

}  // namespace

class TestCommandDialogs : public QObject {
    Q_OBJECT

    ShellEnvironment env_;

    QString Path(const QString& name) const { return env_.Path(name); }

    // Opens one file through the real Open dialog with format entry `format` (0 automatic)
    // and encoding `encoding` chosen in the panel.
    void OpenThroughDialog(MainFrame& frame, const QString& path, int format, int encoding)
    {
        ModalScript script;
        bool panelShown = false;
        script.Then<QFileDialog>([&](QFileDialog* dialog) {
            auto* formats = dialog->findChild<QComboBox*>(QStringLiteral("formatList"));
            auto* encodings = dialog->findChild<QComboBox*>(QStringLiteral("encodingList"));
            panelShown = formats && encodings && formats->isVisible() && formats->isEnabled();
            if (panelShown) {
                formats->setCurrentIndex(format);
                encodings->setCurrentIndex(encoding);
            }
            TypeAndReturn(dialog, path);
        });
        Run(frame, Command::Open);
        QVERIFY(script.Finished());
        QVERIFY(panelShown);
    }

    // Types text over a cell of the active view and commits it with Return.
    void EditCell(MainFrame& frame, int row, const QString& text)
    {
        // A dialog that just closed may have left the frame inactive.
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        GridView* view = frame.ActiveView();
        QVERIFY(view->SelectCell(row, 1));
        QVERIFY(view->BeginEdit());
        InplaceEdit* editor = view->Editor();
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(view->Document()->IsModified());
    }

    void ShowFrame(MainFrame& frame)
    {
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
    }

private slots:
    void init()
    {
        env_.Reset();
        UseFormats({MakeFormat(QStringLiteral("Dialog"), NamePattern(QStringLiteral("dlg"))),
                    MakeFormat(QStringLiteral("Items"), NamePattern(QStringLiteral("item")), 6)});
    }

    void cleanup() { MainFrame::SetCatalogueLoader({}); }

    void newThenSaveAsWithOverwrite()
    {
        MainFrame frame;
        ShowFrame(frame);
        ModalScript wizard;
        wizard.Then<QWizard>([&](QWizard* w) { ChooseAndFinish(w, {1}); });
        Run(frame, Command::New);
        QVERIFY(wizard.Finished());
        QCOMPARE(frame.DocumentAt(0)->FormatIndex(), 1);
        QVERIFY(frame.DocumentAt(0)->AppendRecord());
        EditCell(frame, 0, QStringLiteral("Sword"));

        // The file exists: the dialog asks before overwriting it.
        QVERIFY(WriteFile(Path("kit.edt"), "old"));
        ModalScript script;
        QString format;
        bool formatFixed = false;
        script
            .Then<QFileDialog>([&](QFileDialog* dialog) {
                auto* formats = dialog->findChild<QComboBox*>(QStringLiteral("formatList"));
                format = formats->currentText();
                formatFixed = !formats->isEnabled();
                QCOMPARE(dialog->defaultSuffix(), QStringLiteral("edt"));
                TypeAndReturn(dialog, Path("kit"));
            })
            .Then<QMessageBox>([](QMessageBox* box) { Click(box, QMessageBox::Yes); });
        // Save of a document that has no file yet goes to Save As.
        Run(frame, Command::Save);
        QVERIFY(script.Finished());
        QCOMPARE(format, QStringLiteral("Items"));
        QVERIFY(formatFixed);
        QCOMPARE(frame.TabTitle(0), QStringLiteral("kit.edt"));
        QCOMPARE(ReadFile(Path("kit.edt")), EdtBytes({"Sword"}, 6));
    }

    void saveAllAsToText()
    {
        MainFrame frame;
        ShowFrame(frame);
        QVERIFY(WriteFile(Path("a_dlg.edt"), EdtBytes({"Hi", "Yo"})));
        QVERIFY(WriteFile(Path("b_dlg.edt"), EdtBytes({"Ab"})));
        // Both at once: the dialog hands back full paths in the order typed.
        ModalScript open;
        open.Then<QFileDialog>([&](QFileDialog* dialog) {
            dialog->setDirectory(env_.dir->path());
            TypeAndReturn(dialog, QStringLiteral("\"b_dlg.edt\" \"a_dlg.edt\""));
        });
        Run(frame, Command::Open);
        QVERIFY(open.Finished());
        QCOMPARE(frame.TabCount(), 2);
        QCOMPARE(frame.DocumentAt(1)->Path(), Path("a_dlg.edt"));
        QVERIFY(QDir().mkpath(Path("out")));

        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* dialog) { TypeAndReturn(dialog, Path("out")); })
            .Then<QWizard>([](QWizard* w) {
                ChooseAndFinish(w, {kFileTypeText, 0});
            });
        Run(frame, Command::SaveAllAs);
        QVERIFY(script.Finished());
        QCOMPARE(ReadFile(Path("out/a_dlg.txt")), QByteArray("Hi\nYo\n"));
        QCOMPARE(ReadFile(Path("out/b_dlg.txt")), QByteArray("Ab\n"));
        QCOMPARE(frame.TabTitle(0), QStringLiteral("b_dlg.edt"));
        QCOMPARE(frame.DocumentAt(1)->Path(), Path("out/a_dlg.txt"));
    }

    void openSaveCloseAndExit()
    {
        MainFrame frame;
        ShowFrame(frame);
        for (const char* name : {"a_dlg.edt", "b_dlg.edt", "c_dlg.edt"}) {
            QVERIFY(WriteFile(Path(name), EdtBytes({"Hi", "Yo"})));
            OpenThroughDialog(frame, Path(name), 0, 1);
            EditCell(frame, 0, QStringLiteral("Ok"));
        }
        QCOMPARE(frame.TabTitle(0), QChar(kModifiedMark) + QStringLiteral("a_dlg.edt"));
        QCOMPARE(frame.DocumentAt(0)->FormatIndex(), 0);
        QCOMPARE(frame.DocumentAt(0)->GetEncoding(), 1);
        QCOMPARE(LastEncodingSetting().Get(), 1u);
        frame.SetActiveIndex(0);
        Run(frame, Command::Save);
        QCOMPARE(ReadFile(Path("a_dlg.edt")), EdtBytes({"Ok", "Yo"}));
        QCOMPARE(frame.TabTitle(0), QStringLiteral("a_dlg.edt"));
        frame.SetActiveIndex(2);

        // Close: the question names the file; No closes without saving.
        ModalScript close;
        QString text;
        close.Then<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            Click(box, QMessageBox::No);
        });
        Run(frame, Command::Close);
        QVERIFY(close.Finished());
        QCOMPARE(text, QStringLiteral("Do you want to save changes in '%1' ?")
                           .arg(QDir::toNativeSeparators(Path("c_dlg.edt"))));
        QCOMPARE(frame.TabCount(), 2);
        QCOMPARE(ReadFile(Path("c_dlg.edt")), EdtBytes({"Hi", "Yo"}));

        // Close All: Cancel on the last tab keeps both.
        ModalScript cancel;
        cancel.Then<QMessageBox>([](QMessageBox* box) { Click(box, QMessageBox::Cancel); });
        Run(frame, Command::CloseAll);
        QVERIFY(cancel.Finished());
        QCOMPARE(frame.TabCount(), 2);

        // Exit: Yes saves b (a is saved already) and the window closes.
        ModalScript exit;
        exit.Then<QMessageBox>([](QMessageBox* box) { Click(box, QMessageBox::Yes); });
        Run(frame, Command::Exit);
        QTRY_VERIFY(!frame.isVisible());
        QVERIFY(exit.Finished());
        QCOMPARE(frame.TabCount(), 0);
        QCOMPARE(ReadFile(Path("b_dlg.edt")), EdtBytes({"Ok", "Yo"}));
    }
};

SCRIVLET_TEST(TestCommandDialogs);
#include "test_commands_dialogs.moc"
