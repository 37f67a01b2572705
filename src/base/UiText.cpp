#include "base/UiText.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <array>

namespace scrivlet {
namespace {

UiLanguage g_language = UiLanguage::English;

struct LanguageTable {
    bool loaded = false;
    QHash<QString, QString> texts;
};

LanguageTable& TableOf(UiLanguage language)
{
    static std::array<LanguageTable, 4> tables;
    LanguageTable& table = tables[static_cast<int>(language)];
    if (!table.loaded) {
        table.loaded = true;
        QFile file(QStringLiteral(":/lang/%1.json").arg(LanguageCode(language)));
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
            for (auto it = object.begin(); it != object.end(); ++it)
                table.texts.insert(it.key(), it.value().toString());
        }
    }
    return table;
}

}  // namespace

void SetUiLanguage(UiLanguage language) { g_language = language; }
UiLanguage CurrentUiLanguage() { return g_language; }

UiLanguage LanguageFromCode(const QString& code)
{
    for (UiLanguage language : {UiLanguage::English, UiLanguage::German, UiLanguage::Polish,
                                UiLanguage::Russian}) {
        if (code == LanguageCode(language))
            return language;
    }
    if (!code.isEmpty())
        return UiLanguage::English;
    switch (QLocale::system().language()) {
    case QLocale::German: return UiLanguage::German;
    case QLocale::Polish: return UiLanguage::Polish;
    case QLocale::Russian: return UiLanguage::Russian;
    default: return UiLanguage::English;
    }
}

QString LanguageCode(UiLanguage language)
{
    switch (language) {
    case UiLanguage::German: return QStringLiteral("de");
    case UiLanguage::Polish: return QStringLiteral("pl");
    case UiLanguage::Russian: return QStringLiteral("ru");
    case UiLanguage::English: break;
    }
    return QStringLiteral("en");
}

QString UiText(const char* key) { return UiTextIn(g_language, QString::fromLatin1(key)); }

QString AppCaption() { return UiText(str::FrameCaption); }

QString UiTextIn(UiLanguage language, const QString& key)
{
    return TableOf(language).texts.value(key);
}

QStringList UiTextKeys(UiLanguage language) { return TableOf(language).texts.keys(); }

}  // namespace scrivlet
