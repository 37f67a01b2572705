// Recovery copies between processes: a running process keeps its copies to itself, a killed
// one's are offered with what the document was, and a copy that does not load stays on disk.
// (Restoring and saving is tested with the whole editor in the shell tests.)

#include "TestDocument.h"
#include "TestRegistry.h"
#include "documents/Encodings.h"
#include "documents/RecoveryCopies.h"

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

private slots:
    void copyOfAnotherProcess()
    {
        QTemporaryDir dir;
        const EdtFormat format = MakeFormat(8, {TextField("Name", 0, 3), TextField("Text", 3, 4)});
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t owner = fork();
        if (owner == 0) {
            RecoveryStore store(dir.path());
            auto document = MakeDocument(format, {{"abc", "Äöü"}});
            document->SetPath("/elsewhere/doc.txt"), document->SetFileType(kFileTypeText);
            document->SetEncoding(kEncodingGerman);
            const bool ok = store.Write(*document->Snapshot(), store.NewId(), "doc.txt").Ok();
            (void)!write(ready[1], ok ? "1" : "0", 1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char answer = 0;
        QVERIFY(owner > 0 && read(ready[0], &answer, 1) == 1 && answer == '1');
        RecoveryStore store(dir.path());
        const bool offeredWhileRunning = !store.Orphans().isEmpty();
        kill(owner, SIGKILL);
        waitpid(owner, nullptr, 0);
        QVERIFY(!offeredWhileRunning);

        QList<RecoveryInfo> orphans = store.Orphans();
        QCOMPARE(orphans.size(), 1);
        RecoveryInfo info = orphans[0];
        QCOMPARE(QStringList({info.path, info.title, info.format}),
                 QStringList({"/elsewhere/doc.txt", "doc.txt", "Test"}));
        QCOMPARE(QList<int>({info.fileType, info.encoding}),
                 QList<int>({kFileTypeText, kEncodingGerman}));
        const LoadResult restored = store.Restore(info, format, 0);
        QVERIFY(restored.document && restored.document->IsModified());
        QCOMPARE(TextsOf(*restored.document), Rows({{"abc", "Äöü"}}));

        // Cut short, the copy no longer loads: reported, and kept for another try.
        const QString copy = dir.filePath(info.id + ".edt");
        QVERIFY(QFile::resize(copy, 3));
        QVERIFY(!store.Restore(info, format, 0).error.isEmpty());
        QVERIFY(QFile::exists(copy));
    }
};

SCRIVLET_TEST(RecoveryTest);
#include "test_recovery.moc"
