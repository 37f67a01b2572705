#include "RegistrySetting.h"
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
    void splitPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("subkey");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Software\\Tarvolt\\Scrivlet\\LanguageID"
                               << "Software\\Tarvolt\\Scrivlet"
                               << "LanguageID";
        QTest::newRow("trailing backslashes") << "Software\\Tarvolt\\LanguageID\\\\"
                                              << "Software\\Tarvolt"
                                              << "LanguageID";
        QTest::newRow("leading and doubled") << "\\Software\\Tarvolt\\\\LanguageID"
                                             << "Software\\Tarvolt"
                                             << "LanguageID";
        QTest::newRow("name only") << "LanguageID"
                                   << ""
                                   << "LanguageID";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("backslashes only") << "\\\\\\"
                                          << ""
                                          << "";
    }
    void splitPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, subkey);
        QFETCH(QString, name);
        QString gotSubkey = QStringLiteral("stale");
        QString gotName = QStringLiteral("stale");
        RegistrySetting::SplitPath(path, &gotSubkey, &gotName);
        QCOMPARE(gotSubkey, subkey);
        QCOMPARE(gotName, name);
    }

    // What a stored value of some size reads as.
    void readStoredBytes_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<quint32>("expected");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("missing") << false << QByteArray() << 77u << false;
        QTest::newRow("dword") << true << Dword(1031) << 1031u << true;
        QTest::newRow("two bytes fill the low half")
            << true << QByteArray("\x07\x04", 2) << 1031u << true;
        QTest::newRow("five bytes count as missing")
            << true << QByteArray("\1\2\3\4\5", 5) << 77u << false;
        QTest::newRow("eight bytes count as missing")
            << true << QByteArray(8, '\1') << 77u << false;
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

    void setWritesOnlyChanges_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<quint32>("stored");
        QTest::addColumn<quint32>("defaultValue");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("writes");
        // With nothing stored the cache holds 0, so setting 0 writes nothing.
        QTest::newRow("nothing stored, set 0") << false << 0u << 0u << 0u << 0;
        QTest::newRow("nothing stored, set 3") << false << 0u << 0u << 3u << 1;
        QTest::newRow("nothing stored, set the default") << false << 0u << 2048u << 2048u << 1;
        QTest::newRow("same as stored") << true << 1031u << 2048u << 1031u << 0;
        QTest::newRow("other than stored") << true << 1031u << 2048u << 1049u << 1;
    }
    void setWritesOnlyChanges()
    {
        QFETCH(bool, present);
        QFETCH(quint32, stored);
        QFETCH(quint32, defaultValue);
        QFETCH(quint32, value);
        QFETCH(int, writes);
        MemorySettingStore store;
        if (present)
            store.SetRaw(kKey, kName, Dword(stored));
        RegistrySetting setting(kPath, defaultValue, false, &store);
        setting.Set(value);
        QCOMPARE(store.writeCount, writes);
        QCOMPARE(setting.Get(), writes || present ? value : defaultValue);
        if (writes)
            QCOMPARE(store.Dword(kKey, kName), value);
        QCOMPARE(store.Contains(kKey, kName), present || writes > 0);
    }

    void alwaysRereadGoesToTheStore()
    {
        MemorySettingStore store;
        store.SetRaw(kKey, kName, Dword(5));
        RegistrySetting setting(kPath, 0, true, &store);
        store.SetRaw(kKey, kName, Dword(6));
        QCOMPARE(setting.Get(), 6u);
        setting.Set(6);
        QCOMPARE(store.writeCount, 1);
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

    void processSettingsUseTheirStore()
    {
        MemorySettingStore store;
        store.SetRaw(SettingsKey(), LanguageValueName(), Dword(1045));
        UseSettingStore(&store);
        QCOMPARE(LanguageSetting().Get(), 1045u);
        QCOMPARE(LastEncodingSetting().Get(), kDefaultEncodingIndex);
        LastEncodingSetting().Set(3);
        QCOMPARE(store.Dword(SettingsKey(), LastEncodingValueName()), 3u);
    }

    // The settings file of the platform store, through a file of our own.
    void settingsFileValues_data()
    {
        QTest::addColumn<QVariant>("planted");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("number") << QVariant(QStringLiteral("1031")) << 1031u;
        QTest::newRow("negative wraps") << QVariant(QStringLiteral("-1")) << 4294967295u;
        QTest::newRow("wider than 32 bits") << QVariant(QStringLiteral("4294967296")) << 2048u;
        QTest::newRow("not a number") << QVariant(QStringLiteral("German")) << 2048u;
        QTest::newRow("two raw bytes") << QVariant(QByteArray("\x19\x04", 2)) << 1049u;
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

    void settingsFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("sub/Scrivlet.conf"));
        PlatformSettingStore store(file);
        QByteArray data;
        QVERIFY(!store.ReadValue(SettingsKey(), LanguageValueName(), &data));
        QVERIFY(store.WriteDword(SettingsKey(), LanguageValueName(), 1049));
        QVERIFY(PlatformSettingStore(file).ReadValue(SettingsKey(), LanguageValueName(), &data));
        QCOMPARE(data, Dword(1049));
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
