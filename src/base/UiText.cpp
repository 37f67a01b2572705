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

constexpr int kPluralFormCount = 4;
constexpr const char* kPluralFormNames[kPluralFormCount] = {"one", "few", "many", "other"};

struct LanguageTable {
    bool loaded = false;
    QHash<QString, QString> texts;
    QHash<QString, std::array<QString, kPluralFormCount>> counts;
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
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (!it.value().isObject()) {
                    table.texts.insert(it.key(), it.value().toString());
                    continue;
                }
                const QJsonObject forms = it.value().toObject();
                auto& formTexts = table.counts[it.key()];
                for (int form = 0; form < kPluralFormCount; ++form)
                    formTexts[form] = forms.value(QLatin1String(kPluralFormNames[form])).toString();
            }
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

QStringList UiTextKeys(UiLanguage language)
{
    const LanguageTable& table = TableOf(language);
    return table.texts.keys() + table.counts.keys();
}

// The integer rules of the Unicode plural tables; a count is never a fraction here.
PluralForm PluralFormOf(UiLanguage language, qint64 count)
{
    const qint64 n = count < 0 ? -count : count;
    const qint64 last = n % 10, lastTwo = n % 100;
    const bool few = last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14);
    switch (language) {
    case UiLanguage::Polish:
        return n == 1 ? PluralForm::One : few ? PluralForm::Few : PluralForm::Many;
    case UiLanguage::Russian:
        if (last == 1 && lastTwo != 11)
            return PluralForm::One;
        return few ? PluralForm::Few : PluralForm::Many;
    case UiLanguage::English:
    case UiLanguage::German: break;
    }
    return n == 1 ? PluralForm::One : PluralForm::Other;
}

QString UiCount(const char* key, qint64 count)
{
    return UiCountIn(g_language, QString::fromLatin1(key), count);
}

QString UiCountIn(UiLanguage language, const QString& key, qint64 count)
{
    const LanguageTable& table = TableOf(language);
    const auto found = table.counts.constFind(key);
    if (found == table.counts.cend())
        return {};
    const QString& text = (*found)[static_cast<int>(PluralFormOf(language, count))];
    return text.isEmpty() ? text : text.arg(QLocale(LanguageCode(language)).toString(count));
}

}  // namespace scrivlet
