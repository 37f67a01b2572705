#include "Commands.h"
#include "TestRegistry.h"
#include "UiText.h"

#include <QKeySequence>
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

    void languagesHaveTheSameEntries()
    {
        const QStringList english = UiTextKeys(UiLanguage::English);
        const QSet<QString> reference(english.begin(), english.end());
        for (UiLanguage language : kLanguages) {
            const QStringList list = UiTextKeys(language);
            const QSet<QString> keys(list.begin(), list.end());
            QCOMPARE(keys.size(), list.size());
            QVERIFY2(keys == reference,
                     qPrintable(LanguageCode(language) + QStringLiteral(": ") +
                                QStringList((keys - reference).values()).join(u',') +
                                QStringLiteral(" / missing ") +
                                QStringList((reference - keys).values()).join(u',')));
        }
    }

    // The shortcut written in a menu text must be the one the command answers to.
    void menuShortcutTextsMatchTheCommands_data() { AddLanguageRows(); }
    void menuShortcutTextsMatchTheCommands()
    {
        QFETCH(UiLanguage, language);
        int checked = 0;
        for (const MenuEntry& entry : kMenuLayout) {
            if (entry.kind != MenuEntryKind::Item)
                continue;
            const QString text = UiTextIn(language, QString::fromLatin1(entry.textKey));
            const qsizetype tab = text.indexOf(u'\t');
            const CommandDef* def = nullptr;
            for (const CommandDef& candidate : kCommands) {
                if (candidate.command == entry.command)
                    def = &candidate;
            }
            QVERIFY2(def, entry.textKey);
            if (tab < 0)
                continue;
            QVERIFY2(def->shortcut, entry.textKey);
            QCOMPARE(QKeySequence(text.mid(tab + 1)),
                     QKeySequence(QString::fromLatin1(def->shortcut)));
            ++checked;
        }
        QVERIFY(checked >= 9);
    }
};

SCRIVLET_TEST(TestTexts);
#include "test_texts.moc"
