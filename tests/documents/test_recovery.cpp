// Recovery copies: an edit survives a killed process, a running process keeps its copies to
// itself, and a copy that does not load stays on disk.

#include "TestDocument.h"
#include "TestRegistry.h"
#include "documents/DocumentFiles.h"
#include "documents/Encodings.h"
#include "documents/RecoveryCopies.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace scrivlet;
using namespace scrivlet::test;

class RecoveryTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const EdtFormat format_ =
        MakeFormat(8, {LabelField("No."), TextField("Name", 0, 3), TextField("Text", 3, 4)});

private slots:
    // A child edits a document in a German file, writes its copy and lives on (its copy is
    // not offered) or is killed (then it is, and restores into a document that saves where
    // the user meant); a copy that does not load is reported and kept.
    void killAndRestore_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::addColumn<bool>("broken");
        QTest::newRow("owner-running") << false << false;
        QTest::newRow("owner-killed") << true << false;
        QTest::newRow("copy-does-not-load") << true << true;
    }
    void killAndRestore()
    {
        QFETCH(bool, killed);
        QFETCH(bool, broken);
        const QString folder = dir_.filePath(QTest::currentDataTag());
        const QString original = folder + "/doc.txt";
        QVERIFY(QDir().mkpath(folder));
        {
            QFile file(original);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("abc\nd\n") == 6);
        }
        int pipeEnds[2];
        QVERIFY(pipe(pipeEnds) == 0);
        const pid_t child = fork();
        if (child == 0) {
            RecoveryStore store(folder + "/recovery");
            auto document =
                LoadDocument(original, kFileTypeText, kEncodingGerman, format_, 0, true).document;
            const bool ok = document && document->SetText(0, 2, u"Äöü") &&
                            store.Write(*document->Snapshot(), store.NewId(), "doc.txt").Ok();
            const char answer = ok ? '1' : '0';
            (void)!write(pipeEnds[1], &answer, 1);
            pause();
            _exit(0);
        }
        char answer = 0;
        QVERIFY(child > 0 && read(pipeEnds[0], &answer, 1) == 1 && answer == '1');
        if (killed) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        RecoveryStore store(folder + "/recovery");
        QList<RecoveryInfo> orphans = store.Orphans();
        if (!killed) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        QCOMPARE(orphans.size(), killed ? 1 : 0);
        if (!killed)
            return;
        QCOMPARE(orphans[0].path, original);
        QCOMPARE(orphans[0].title, QStringLiteral("doc.txt"));
        QVERIFY(orphans[0].savedAt.isValid());
        const QString copy = store.Folder() + u'/' + orphans[0].id + ".edt";
        if (broken)
            QVERIFY(QFile::resize(copy, 3));
        const LoadResult restored = store.Restore(orphans[0], format_, 0);
        QCOMPARE(bool(restored.document), !broken);
        if (broken) {
            QVERIFY(!restored.error.isEmpty());
            QVERIFY(QFile::exists(copy));
            return;
        }
        EdtDocument& document = *restored.document;
        QVERIFY(document.IsModified());
        QCOMPARE(document.GetFileType(), int(kFileTypeText));
        QCOMPARE(document.GetEncoding(), int(kEncodingGerman));
        QCOMPARE(TextsOf(document), Rows({{"abc", "Äöü"}}));
        QVERIFY(SaveDocument(document).Ok());
        QCOMPARE(
            TextsOf(
                *LoadDocument(original, kFileTypeText, kEncodingGerman, format_, 0, true).document),
            Rows({{"abc", "Äöü"}}));
        // Taken over by this process, then gone when it ends normally.
        QVERIFY(store.Orphans().isEmpty());
        store.RemoveOwn();
        QCOMPARE(QDir(store.Folder()).entryList({"*.edt", "*.json"}, QDir::Files), QStringList());
    }
};

SCRIVLET_TEST(RecoveryTest);
#include "test_recovery.moc"
