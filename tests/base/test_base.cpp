#include "SettingsTestSupport.h"
#include "TestRegistry.h"
#include "base/GuardedRegex.h"
#include "base/Settings.h"
#include "base/UiText.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace scrivlet;

class BaseTest : public QObject {
    Q_OBJECT

    TemporarySettings settings_;

private slots:
    void init() { settings_.Reset(); }

    // Settings files as earlier versions wrote them read back; what is no 32-bit number is
    // the default. A value set then survives a restart, unless it cannot be stored (a folder
    // where the file should be): then it is not taken for stored.
    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("file");  // null: none; "/": a folder in its place
        QTest::addColumn<quint32>("language");
        QTest::addColumn<quint32>("encoding");
        const QByteArray key = "[Software]\nTarvolt\\Scrivlet\\LanguageID=";
        QTest::newRow("both values") << key + "1031\nTarvolt\\Scrivlet\\LastEncodingIndex=2\n"
                                     << 1031u << 2u;
        QTest::newRow("negative wraps") << key + "-1\n" << 4294967295u << 0u;
        QTest::newRow("wider than 32 bits") << key + "4294967296\n" << 2048u << 0u;
        QTest::newRow("not a number") << key + "German\n" << 2048u << 0u;
        QTest::newRow("no file") << QByteArray() << 2048u << 0u;
        QTest::newRow("a folder where the file should be") << QByteArray("/") << 2048u << 0u;
    }
    void settingsFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(quint32, language);
        const bool writable = file != "/";
        QFile out(settings_.Path());
        if (!writable)  // no write can succeed, also for root
            QVERIFY(QDir().mkpath(settings_.Path()));
        else if (!file.isNull())
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        settings_.Restart();
        QCOMPARE(LanguageSetting().Get(), language);
        QTEST(LastEncodingSetting().Get(), "encoding");
        LanguageSetting().Set(1045);
        QCOMPARE(LanguageSetting().Get(), writable ? 1045u : language);
        settings_.Restart();
        QCOMPARE(LanguageSetting().Get(), writable ? 1045u : language);
        if (writable)
            QCOMPARE(settings_.Stored(QStringLiteral("LanguageID")).toUInt(), 1045u);
    }

    // Counts the library would overflow on are refused before compiling; escaped braces and
    // braces in a class are no counts.
    void compile_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("valid");
        QTest::newRow("largest count") << "a{2147483647}" << true;
        QTest::newRow("count beyond int") << "a{2147483648}" << false;
        QTest::newRow("huge upper bound") << "a{1,22222222222}" << false;
        QTest::newRow("huge lower bound, open") << "(x){99999999999,}" << false;
        QTest::newRow("escaped brace") << "a\\{99999999999}" << true;
        QTest::newRow("escaped backslash, then a count") << "a\\\\{99999999999}" << false;
        QTest::newRow("inside a class") << "[{]99999999999}" << true;
        QTest::newRow("after a class") << "[a]{99999999999}" << false;
        QTest::newRow("unclosed group") << "(abc" << false;
    }
    void compile()
    {
        QFETCH(QString, pattern);
        GuardedRegex regex;
        QTEST(regex.Compile(pattern, false), "valid");
        QTEST(regex.IsValid(), "valid");
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
    // No German or Polish text holds a Cyrillic letter (nor "№"): that is what their letters
    // became when they were once read through the Russian code page. The automatic-detection
    // entry is Russian in every language.
    void noCyrillicInGermanOrPolish()
    {
        const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{052F}\\x{2116}]"));
        for (UiLanguage language : {UiLanguage::German, UiLanguage::Polish}) {
            for (const QString& key : UiTextKeys(language)) {
                const QString text = UiTextIn(language, key).remove(u"Автоопределение"_qs);
                QVERIFY2(!text.contains(cyrillic), qPrintable(key + ": " + text));
            }
        }
    }
};

SCRIVLET_TEST(BaseTest);
#include "test_base.moc"
