#include "SettingsTestSupport.h"
#include "TestRegistry.h"
#include "base/Settings.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace scrivlet;

class SettingsTest : public QObject {
    Q_OBJECT

    TemporarySettings settings_;

private slots:
    void init() { settings_.Reset(); }

    // Settings files as earlier versions wrote them read back; what is no 32-bit number is
    // the default.
    void readsStoredFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<quint32>("language");
        QTest::addColumn<quint32>("encoding");
        const QByteArray key = "[Software]\nTarvolt\\Scrivlet\\LanguageID=";
        QTest::newRow("both values") << key + "1031\nTarvolt\\Scrivlet\\LastEncodingIndex=2\n"
                                     << 1031u << 2u;
        QTest::newRow("negative wraps") << key + "-1\n" << 4294967295u << 0u;
        QTest::newRow("wider than 32 bits") << key + "4294967296\n" << 2048u << 0u;
        QTest::newRow("not a number") << key + "German\n" << 2048u << 0u;
        QTest::newRow("no file") << QByteArray() << 2048u << 0u;
    }
    void readsStoredFiles()
    {
        QFETCH(QByteArray, file);
        if (!file.isNull()) {
            QFile out(settings_.Path());
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file);
        }
        settings_.Restart();
        QTEST(LanguageSetting().Get(), "language");
        QTEST(LastEncodingSetting().Get(), "encoding");
    }

    // A value set survives a restart under the same key; one that cannot be stored is not
    // taken for stored.
    void storesAcrossRestart_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<quint32>("afterSet");
        QTest::addColumn<quint32>("afterRestart");
        QTest::newRow("writable") << true << 1045u << 1045u;
        QTest::newRow("a folder where the file should be") << false << 2048u << 2048u;
    }
    void storesAcrossRestart()
    {
        QFETCH(bool, writable);
        // A directory in the file's place: no write can succeed, also for root.
        if (!writable)
            QVERIFY(QDir().mkpath(settings_.Path()));
        LanguageSetting().Set(1045);
        QTEST(LanguageSetting().Get(), "afterSet");
        settings_.Restart();
        QTEST(LanguageSetting().Get(), "afterRestart");
        if (writable)
            QCOMPARE(settings_.Stored(QStringLiteral("LanguageID")).toUInt(), 1045u);
    }

    // The recent list after a restart: newest first, a path once, ten at most.
    void recentFiles_data()
    {
        QTest::addColumn<QStringList>("steps");  // a path remembered, "-path" forgotten, "-" clear
        QTest::addColumn<QStringList>("paths");
        QStringList twelve, newestTen;
        for (int i = 0; i < 12; ++i)
            twelve << QString::number(i);
        for (int i = 11; i >= 2; --i)
            newestTen << QString::number(i);
        QTest::newRow("again goes first") << QStringList{"a", "b", "a"} << QStringList{"a", "b"};
        QTest::newRow("ten at most") << twelve << newestTen;
        QTest::newRow("forgotten") << QStringList{"a", "b", "c", "-b"} << QStringList{"c", "a"};
        QTest::newRow("cleared") << QStringList{"a", "b", "-", "c"} << QStringList{"c"};
    }
    void recentFiles()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, paths);
        for (const QString& step : steps) {
            if (step.startsWith(u'-'))
                ForgetRecentFile(step.mid(1));
            else
                RememberRecentFile({step, int(step.size()), 3, 2});
        }
        settings_.Restart();
        QStringList stored;
        for (const RecentFile& file : RecentFiles()) {
            stored << file.path;
            QCOMPARE(QList<int>({file.format, file.encoding, file.fileType}),
                     QList<int>({int(file.path.size()), 3, 2}));
        }
        QCOMPARE(stored, paths);
    }
};

SCRIVLET_TEST(SettingsTest);
#include "test_settings.moc"
