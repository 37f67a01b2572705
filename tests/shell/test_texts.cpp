#include "shell/Commands.h"
#include "TestRegistry.h"
#include "base/UiText.h"

#include <QSet>
#include <QTest>

using namespace scrivlet;

Q_DECLARE_METATYPE(scrivlet::UiLanguage)

namespace {

constexpr UiLanguage kLanguages[] = {UiLanguage::English, UiLanguage::German, UiLanguage::Polish,
                                     UiLanguage::Russian};

void AddLanguageRows()
{
    QTest::addColumn<UiLanguage>("language");
    for (UiLanguage language : kLanguages)
        QTest::newRow(qPrintable(LanguageCode(language))) << language;
}

// Menu items whose text only some languages have.
bool IsOptionalMenuItem(int command)
{
    return command == cmd::Find;
}

}  // namespace

class TestTexts : public QObject {
    Q_OBJECT

private slots:
    void everyTextTheFrameUsesExists_data() { AddLanguageRows(); }
    void everyTextTheFrameUsesExists()
    {
        QFETCH(UiLanguage, language);
        const QStringList list = UiTextKeys(language);
        const QSet<QString> keys(list.begin(), list.end());
        QVERIFY(!keys.isEmpty());
        auto require = [&](const QString& key, bool mayBeEmpty) {
            QVERIFY2(keys.contains(key), qPrintable(key));
            if (!mayBeEmpty)
                QVERIFY2(!UiTextIn(language, key).isEmpty(), qPrintable(key));
        };
        for (const MenuEntry& entry : kMenuLayout) {
            if (entry.kind == MenuEntryKind::Submenu)
                require(QString::fromLatin1(entry.textKey), false);
            else if (entry.kind == MenuEntryKind::Item)
                require(QString::fromLatin1(entry.textKey), IsOptionalMenuItem(entry.command));
        }
        for (const CommandDef& def : kCommands) {
            if (def.hasPrompt)
                require(QString::number(def.command), false);
        }
        for (int number : kFrameStrings)
            require(QString::number(number), false);
        for (const char* key : kFrameTextKeys)
            require(QString::fromLatin1(key), false);
    }
};

SCRIVLET_TEST(TestTexts);
#include "test_texts.moc"
