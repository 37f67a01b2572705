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

// Replaces the first printf-style conversion ("%s", "%i", "%d") at or after `from`.
QString FillFirst(const QString& pattern, qsizetype& from, const QString& value)
{
    for (qsizetype i = from; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != u'%')
            continue;
        const QChar c = pattern[i + 1];
        if (c == u'%') {
            ++i;
            continue;
        }
        if (c == u's' || c == u'i' || c == u'd') {
            from = i + value.size();
            return pattern.left(i) + value + pattern.mid(i + 2);
        }
    }
    return pattern;
}

}  // namespace

void SetUiLanguage(UiLanguage language) { g_language = language; }
UiLanguage CurrentUiLanguage() { return g_language; }

UiLanguage LanguageFromId(int languageId)
{
    switch (languageId) {
    case kLangIdEnglish: return UiLanguage::English;
    case kLangIdGerman: return UiLanguage::German;
    case kLangIdPolish: return UiLanguage::Polish;
    case kLangIdRussian: return UiLanguage::Russian;
    case kLangIdSystem:
        switch (QLocale::system().language()) {
        case QLocale::German: return UiLanguage::German;
        case QLocale::Polish: return UiLanguage::Polish;
        case QLocale::Russian: return UiLanguage::Russian;
        default: return UiLanguage::English;
        }
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

QString UiText(int id) { return UiTextIn(g_language, QString::number(id)); }
QString UiText(const char* key) { return UiTextIn(g_language, QString::fromLatin1(key)); }

QString UiTextIn(UiLanguage language, const QString& key)
{
    return TableOf(language).texts.value(key);
}

QStringList UiTextKeys(UiLanguage language) { return TableOf(language).texts.keys(); }

QString FormatUiText(const QString& pattern, const QString& s)
{
    qsizetype from = 0;
    return FillFirst(pattern, from, s);
}

QString FormatUiText(const QString& pattern, int i)
{
    qsizetype from = 0;
    return FillFirst(pattern, from, QString::number(i));
}

QString FormatUiText(const QString& pattern, int i, int j)
{
    qsizetype from = 0;
    const QString first = FillFirst(pattern, from, QString::number(i));
    return FillFirst(first, from, QString::number(j));
}

}  // namespace scrivlet
