// Recovery copies between processes: a running process keeps its copies to itself, a killed
// one's are offered with what the document was, and a copy that does not load stays on disk.
// (Restoring and saving is tested with the whole editor in the shell tests.)

#include "TestDocument.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "catalogue/CatalogueLoader.h"
#include "documents/Encodings.h"
#include "documents/RecoveryCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace scrivlet;
using namespace scrivlet::test;

namespace {

const EdtFormat kTalk = MakeFormat(8, {TextField("Name", 0, 3), TextField("Text", 3, 4)});

// Leaves the copy as a process does that ends without removing it.
RecoveryInfo WriteOrphan(const QString& folder, const EdtDocument& document)
{
    {
        RecoveryStore writer(folder);
        if (!writer.Write(document, writer.NewId(), "doc.edt").Ok())
            return {};
    }
    const QList<RecoveryInfo> orphans = RecoveryStore(folder).Orphans();
    return orphans.size() == 1 ? orphans[0] : RecoveryInfo();
}

// The description as versions before the format's section and layout had it.
bool MakeOlder(const QString& folder, const RecoveryInfo& info)
{
    if (info.id.isEmpty())
        return false;
    QFile file(folder + u'/' + info.id + ".json");
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    json.remove("format_key"), json.remove("layout");
    const QByteArray older = QJsonDocument(json).toJson();
    return file.resize(0) && file.write(older) == older.size();
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

private slots:
    void copyOfAnotherProcess()
    {
        QTemporaryDir dir;
        // A child forked from this threaded process can hang on a lock another thread held at
        // the fork (it did once under the sanitizers): one that does not answer within a few
        // seconds is killed and the fork tried again, rather than the test waiting forever.
        QThreadPool::globalInstance()->waitForDone();
        pid_t owner = -1;
        char answer = 0;
        QString folder;
        for (int attempt = 0; attempt < 3 && answer != '1'; ++attempt) {
            // Each try in a folder of its own: a killed try may have left a copy behind.
            folder = dir.filePath(QString::number(attempt));
            QVERIFY(QDir().mkpath(folder));
            int ready[2];
            QVERIFY(pipe(ready) == 0);
            owner = fork();
            if (owner == 0) {
                RecoveryStore store(folder);
                auto document = MakeDocument(kTalk, {{"abc", "Äöü"}});
                document->SetPath("/elsewhere/doc.txt"), document->SetFileType(kFileTypeText);
                document->SetEncoding(kEncodingGerman);
                const bool ok = store.Write(*document->Snapshot(), store.NewId(), "doc.txt").Ok();
                (void)!write(ready[1], ok ? "1" : "0", 1);
                for (;;)
                    pause();
            }
            close(ready[1]);
            pollfd wait{ready[0], POLLIN, 0};
            if (owner > 0 &&
                (poll(&wait, 1, 10000) != 1 || read(ready[0], &answer, 1) != 1 || answer != '1')) {
                kill(owner, SIGKILL);
                waitpid(owner, nullptr, 0);
            }
            close(ready[0]);
        }
        QVERIFY(owner > 0 && answer == '1');
        RecoveryStore store(folder);
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
        const LoadResult restored = store.Restore(info, kTalk, 0);
        QVERIFY(restored.document);
        QCOMPARE(TextsOf(*restored.document), Rows({{"abc", "Äöü"}}));

        // Cut short, the copy no longer loads: reported, and kept for another try.
        const QString copy = folder + u'/' + info.id + ".edt";
        QVERIFY(QFile::resize(copy, 3));
        QVERIFY(!store.Restore(info, kTalk, 0).error.isEmpty());
        QVERIFY(QFile::exists(copy));
    }

    // Two stores of one process made within a millisecond are two owners: the copies of one
    // that has gone are offered by the other.
    void storesOfOneProcess()
    {
        QTemporaryDir dir;
        auto first = std::make_unique<RecoveryStore>(dir.path());
        RecoveryStore second(dir.path());
        QVERIFY(first->Write(*MakeDocument(kTalk, {{"ab"}}), first->NewId(), "doc.edt").Ok());
        QVERIFY(second.Orphans().isEmpty());
        first.reset();
        QCOMPARE(second.Orphans().size(), 1);
    }

    // A process killed without copies leaves its lock file, which the next look removes.
    void deadOwnersLockGoes()
    {
        QTemporaryDir dir;
        QVERIFY(RunInChild([&] { return new RecoveryStore(dir.path()); }));  // ends, never freed
        QCOMPARE(QDir(dir.path()).entryList({"*.lock"}).size(), 1);
        RecoveryStore store(dir.path());
        QVERIFY(store.Orphans().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList({"*.lock"}).size(), 1);  // this process's own
    }

    // With the bundled catalogues: a copy names its format by section and layout, which hold
    // in every language; older copies by the name of the language they were made in.
    void findsFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");     // the section's number, -1 for none
        QTest::addColumn<int>("layout");  // the English format whose layout is stored
        QTest::addColumn<bool>("older");  // a description without section and layout
        QTest::addColumn<UiLanguage>("start");
        QTest::addColumn<int>("found");
        const auto en = UiLanguage::English, de = UiLanguage::German, pl = UiLanguage::Polish;
        QTest::newRow("section, another language") << "Quest log" << 2 << 2 << false << de << 2;
        QTest::newRow("section of another layout, name")
            << "Quest log" << 0 << 2 << false << en << 2;
        QTest::newRow("section of another layout") << "Gone" << 0 << 2 << false << en << -1;
        QTest::newRow("older, another language's name")
            << "Dialogzeilen" << -1 << 0 << true << pl << 0;
        QTest::newRow("older, this language's name")
            << "Kwestie dialogowe" << -1 << 0 << true << pl << 0;
        QTest::newRow("older, unknown name") << "Gone" << -1 << 0 << true << en << -1;
    }
    void findsFormat()
    {
        QFETCH(QString, name);
        QFETCH(int, key);
        QFETCH(int, layout);
        QFETCH(bool, older);
        QFETCH(UiLanguage, start);
        FormatCatalogue english, current;
        QVERIFY(LoadFormatCatalogue(english, UiLanguage::English, nullptr));
        QVERIFY(LoadFormatCatalogue(current, start, nullptr));
        EdtFormat format = *english.At(layout);
        format.name = name;
        QTemporaryDir dir;
        const RecoveryInfo written = WriteOrphan(dir.path(), EdtDocument(format, key));
        QVERIFY(!older || MakeOlder(dir.path(), written));
        QList<RecoveryInfo> copies = RecoveryStore(dir.path()).Orphans();
        QCOMPARE(copies.size(), 1);
        RecoveryStore::FindFormats(copies, current);
        QTEST(copies[0].formatIndex, "found");
        QCOMPARE(copies[0].problem.isEmpty(), copies[0].formatIndex >= 0);
    }

    // A copy whose format is known nowhere still gives its texts, one per line (a text that
    // fills its field runs into the next: there is nothing to tell them apart).
    void textsWithoutFormat()
    {
        QTemporaryDir dir;
        const RecoveryInfo info = WriteOrphan(dir.path(), *MakeDocument(kTalk, {{"ab", "Äöü"}}));
        QVERIFY(MakeOlder(dir.path(), info));
        RecoveryStore store(dir.path());
        QList<RecoveryInfo> copies = store.Orphans();
        RecoveryStore::FindFormats(copies, {});
        QVERIFY(store.SaveTexts(copies.value(0), {}, dir.filePath("texts.txt")).Ok());
        QFile texts(dir.filePath("texts.txt"));
        QVERIFY(texts.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(texts.readAll()), QStringLiteral("ab\nÄöü"));
    }

    // Someone's unsaved texts are for nobody else, also where an older version made the folder
    // and copies readable by all and the copy is taken over.
    void readableByOwnerOnly()
    {
        QTemporaryDir dir;
        const QDir folder(dir.filePath("recovery"));
        QVERIFY(QDir().mkpath(folder.path()));
        const auto othersMay = [&folder](const QString& name) {
            return int(QFileInfo(folder.filePath(name)).permissions() &
                       (QFile::ReadGroup | QFile::ReadOther | QFile::ExeGroup | QFile::ExeOther |
                        QFile::WriteGroup | QFile::WriteOther));
        };
        RecoveryInfo info = WriteOrphan(folder.path(), *MakeDocument(kTalk, {{"Ab"}}));
        const auto everybody =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        for (const char* suffix : {".edt", ".json"}) {
            QCOMPARE(othersMay(info.id + suffix), 0);
            QVERIFY(QFile::setPermissions(folder.filePath(info.id + suffix), everybody));
        }
        QCOMPARE(othersMay({}), 0);
        RecoveryStore store(folder.path());
        QVERIFY(store.Restore(info, kTalk, 0).document);
        for (const char* suffix : {".edt", ".json"})
            QCOMPARE(othersMay(info.id + suffix), 0);
    }
};

SCRIVLET_TEST(RecoveryTest);
#include "test_recovery.moc"
