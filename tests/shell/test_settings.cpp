#include "base/RegistrySetting.h"
#include "TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace scrivlet;

namespace {

const QString kKey = QStringLiteral("Software\\Tarvolt\\Scrivlet");
const QString kName = QStringLiteral("Value");
const QString kPath = kKey + QStringLiteral("\\") + kName;

QByteArray Dword(quint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return data;
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    // What a stored value of some size reads as.
    void readStoredBytes_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<quint32>("expected");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("missing") << false << QByteArray() << 77u << false;
        QTest::newRow("two bytes fill the low half")
            << true << QByteArray("\x07\x04", 2) << 1031u << true;
        QTest::newRow("five bytes count as missing")
            << true << QByteArray("\1\2\3\4\5", 5) << 77u << false;
    }
    void readStoredBytes()
    {
        QFETCH(bool, present);
        QFETCH(QByteArray, stored);
        QFETCH(quint32, expected);
        QFETCH(bool, loaded);
        MemorySettingStore store;
        if (present)
            store.SetRaw(kKey, kName, stored);
        RegistrySetting setting(kPath, 77, false, &store);
        QCOMPARE(setting.IsLoaded(), loaded);
        QCOMPARE(setting.Get(), expected);
        QCOMPARE(setting.Read(), expected);
    }

    // A failed write leaves the store as it was; Get keeps the new value only when an
    // earlier read or write had succeeded.
    void failedWrite_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("readsFailAtStart");
        QTest::addColumn<quint32>("expectedGet");
        QTest::newRow("loaded before") << true << false << 9u;
        QTest::newRow("nothing stored: default") << false << false << 2048u;
        QTest::newRow("unreadable at start: old value") << true << true << 1031u;
    }
    void failedWrite()
    {
        QFETCH(bool, present);
        QFETCH(bool, readsFailAtStart);
        QFETCH(quint32, expectedGet);
        MemorySettingStore store;
        if (present)
            store.SetRaw(kKey, kName, Dword(1031));
        store.failReads = readsFailAtStart;
        RegistrySetting setting(kPath, 2048, false, &store);
        store.failReads = false;
        store.failWrites = true;
        setting.Set(9);
        QCOMPARE(store.writeCount, 0);
        QCOMPARE(store.Contains(kKey, kName), present);
        if (present)
            QCOMPARE(store.Dword(kKey, kName), 1031u);
        QCOMPARE(setting.CachedValue(), 9u);
        QCOMPARE(setting.Get(), expectedGet);
    }

    // The settings file of the platform store, through a file of our own.
    void settingsFileValues_data()
    {
        QTest::addColumn<QVariant>("planted");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("negative wraps") << QVariant(QStringLiteral("-1")) << 4294967295u;
        QTest::newRow("wider than 32 bits") << QVariant(QStringLiteral("4294967296")) << 2048u;
        QTest::newRow("not a number") << QVariant(QStringLiteral("German")) << 2048u;
    }
    void settingsFileValues()
    {
        QFETCH(QVariant, planted);
        QFETCH(quint32, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("Scrivlet.conf"));
        {
            QSettings settings(file, QSettings::IniFormat);
            settings.setValue(QStringLiteral("Software/Tarvolt/Scrivlet/LanguageID"), planted);
        }
        PlatformSettingStore store(file);
        RegistrySetting setting(SettingsKey() + QStringLiteral("\\LanguageID"), 2048, false,
                                &store);
        QCOMPARE(setting.Get(), expected);
    }

    void settingsFileThatCannotBeWritten()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A directory where the file should be: no write can succeed, also for root.
        const QString file = dir.filePath(QStringLiteral("Scrivlet.conf"));
        QVERIFY(QDir().mkpath(file));
        PlatformSettingStore store(file);
        QVERIFY(!store.WriteDword(SettingsKey(), LanguageValueName(), 1031));
        RegistrySetting setting(SettingsKey() + QStringLiteral("\\LanguageID"), 2048, false,
                                &store);
        setting.Set(1031);
        QVERIFY(!setting.IsLoaded());
        QCOMPARE(setting.Get(), 2048u);
    }
};

SCRIVLET_TEST(TestSettings);
#include "test_settings.moc"
