#include "SettingsTestSupport.h"
#include "TestRegistry.h"
#include "session/Settings.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace scrivlet;

class SettingsTest : public QObject {
    Q_OBJECT

    TemporarySettings settings_;

private slots:
    void init() { settings_.Reset(); }

    // Settings files as earlier versions wrote them read back: the language's locale number
    // as its code, rewritten once; an encoding that is no 32-bit number is the default. A
    // language set then survives a restart, unless it cannot be stored (a folder where the
    // file should be).
    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("file");  // null: none; "/": a folder in its place
        QTest::addColumn<QString>("language");
        QTest::addColumn<quint32>("encoding");
        const QByteArray old = "[Software]\nTarvolt\\Scrivlet\\LanguageID=";
        const QByteArray encoding = "[Software]\nTarvolt\\Scrivlet\\LastEncodingIndex=";
        QTest::newRow("locale number and encoding")
            << old + "1031\nTarvolt\\Scrivlet\\LastEncodingIndex=2\n"
            << "de" << 2u;
        QTest::newRow("the system's number") << old + "2048\n"
                                             << "" << 0u;
        QTest::newRow("a number without a language") << old + "1036\n"
                                                     << "en" << 0u;
        QTest::newRow("old text that is no number") << old + "German\n"
                                                    << "" << 0u;
        QTest::newRow("a code beside an old number")
            << old + "1031\nTarvolt\\Scrivlet\\Language=ru\n"
            << "ru" << 0u;
        QTest::newRow("negative encoding wraps") << encoding + "-1\n"
                                                 << "" << 4294967295u;
        QTest::newRow("encoding wider than 32 bits") << encoding + "4294967296\n"
                                                     << "" << 0u;
        QTest::newRow("no file") << QByteArray() << "" << 0u;
        QTest::newRow("a folder where the file should be") << QByteArray("/") << "" << 0u;
    }
    void settingsFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, language);
        const bool writable = file != "/";
        QFile out(settings_.Path());
        if (!writable)  // no write can succeed, also for root
            QVERIFY(QDir().mkpath(settings_.Path()));
        else if (!file.isNull())
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        settings_.Restart();
        QCOMPARE(InterfaceLanguage(), language);
        QTEST(LastEncodingSetting().Get(), "encoding");
        if (file.contains("LanguageID=")) {
            QCOMPARE(settings_.Stored(QStringLiteral("Language")).toString(), language);
            QCOMPARE(settings_.Stored(QStringLiteral("LanguageID")).isValid(),
                     file.contains("Language="));
        }
        SetInterfaceLanguage(QStringLiteral("pl"));
        QCOMPARE(InterfaceLanguage(), writable ? u"pl"_qs : language);
        settings_.Restart();
        QCOMPARE(InterfaceLanguage(), writable ? u"pl"_qs : language);
    }

    // The recent list after a restart: newest first, ten at most; cleared.
    void recentFiles_data()
    {
        QTest::addColumn<QStringList>("steps");  // a path remembered, "-path" forgotten, "-" clear
        QTest::addColumn<QStringList>("paths");
        QStringList twelve, newestTen;
        for (int i = 0; i < 12; ++i)
            twelve << QString::number(i);
        for (int i = 11; i >= 2; --i)
            newestTen << QString::number(i);
        QTest::newRow("ten at most") << twelve << newestTen;
        QTest::newRow("cleared") << QStringList{"a", "b", "-", "c"} << QStringList{"c"};
    }
    void recentFiles()
    {
        QFETCH(QStringList, steps);
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
        QTEST(stored, "paths");
    }
};

SCRIVLET_TEST(SettingsTest);
#include "test_settings.moc"
