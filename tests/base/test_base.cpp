#include "TestRegistry.h"
#include "base/GuardedRegex.h"
#include "base/UiText.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

using namespace scrivlet;

class BaseTest : public QObject {
    Q_OBJECT

private slots:
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

    // Every language has the same keys, all names (a key that is a number is a leftover of
    // the old string table), and every text is there, with Qt's placeholders only and no
    // shortcut written into it: the actions show their own.
    void texts_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::newRow("en") << UiLanguage::English;
        QTest::newRow("de") << UiLanguage::German;
        QTest::newRow("pl") << UiLanguage::Polish;
        QTest::newRow("ru") << UiLanguage::Russian;
    }
    void texts()
    {
        QFETCH(UiLanguage, language);
        QStringList keys = UiTextKeys(language), english = UiTextKeys(UiLanguage::English);
        keys.sort();
        english.sort();
        QCOMPARE(keys, english);
        QVERIFY(keys.size() > 100);
        const QRegularExpression number(QStringLiteral("(^|\\.)\\d+(\\.|$)"));
        const QRegularExpression printf(QStringLiteral("%[sid]|\t"));
        for (const QString& key : keys) {
            const QString text = UiTextIn(language, key);
            QVERIFY2(!key.contains(number), qPrintable(key));
            QVERIFY2(!text.isEmpty() && !text.contains(printf), qPrintable(key + ": " + text));
        }
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
