#include "TestRegistry.h"
#include "base/UiText.h"

#include <QRegularExpression>
#include <QTest>

using namespace scrivlet;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

class LanguagesTest : public QObject {
    Q_OBJECT

private slots:
    // Every language has the English keys and no others; German and Polish texts hold no
    // Cyrillic letter (nor "№"), which is what their letters became when they were once read
    // through the Russian code page. The automatic-detection entry is Russian in every language.
    void texts_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<bool>("latinOnly");
        QTest::newRow("de") << UiLanguage::German << true;
        QTest::newRow("pl") << UiLanguage::Polish << true;
        QTest::newRow("ru") << UiLanguage::Russian << false;
    }
    void texts()
    {
        QFETCH(UiLanguage, language);
        QFETCH(bool, latinOnly);
        QStringList keys = UiTextKeys(language), english = UiTextKeys(UiLanguage::English);
        keys.sort();
        english.sort();
        QCOMPARE(keys, english);
        const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{052F}\\x{2116}]"));
        for (const QString& key : keys) {
            const QString text = UiTextIn(language, key).remove(u"Автоопределение"_qs);
            QVERIFY2(!latinOnly || !text.contains(cyrillic), qPrintable(key + ": " + text));
        }
    }
};

SCRIVLET_TEST(LanguagesTest);
#include "test_languages.moc"
