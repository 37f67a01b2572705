#include "translation/Spelling.h"

#include "base/UiText.h"

#include <QFileInfo>
#include <QTextBoundaryFinder>

#include <nuspell/dictionary.hxx>
#include <nuspell/finder.hxx>

#include <algorithm>

namespace scrivlet {
namespace {

// Debian's dictionary of each interface language.
QString DictionaryName(const QString& language)
{
    static const char* const names[][2] = {
        {"en", "en_US"}, {"de", "de_DE"}, {"pl", "pl_PL"}, {"ru", "ru_RU"}};
    for (const auto& pair : names) {
        if (language == QLatin1String(pair[0]))
            return QLatin1String(pair[1]);
    }
    return {};
}

bool WorthSpelling(QStringView word)
{
    bool letter = false;
    for (const QChar c : word) {
        if (c.isDigit())
            return false;
        letter = letter || c.isLetter();
    }
    return letter;
}

// A suffix joined by a hyphen to a number ("7-й", "3-го", "2-gi") is part of the number's
// token, which holds a digit and is not spelled.
bool NumberSuffix(QStringView text, qsizetype start)
{
    if (start < 2 || !text[start - 2].isDigit())
        return false;
    const char16_t hyphen = text[start - 1].unicode();
    return hyphen == u'-' || hyphen == u'\u2010' || hyphen == u'\u2011';
}

// Spans of markup: <...> tags and &...; entities.
void AddMarkup(QStringView text, std::vector<TextSpan>* skip)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar open = text[i];
        if (open != u'<' && open != u'&')
            continue;
        const qsizetype close = text.indexOf(open == u'<' ? u'>' : u';', i + 1);
        if (close < 0)
            continue;
        // An entity is one word ("&amp;"); a lone '&' in running text stays text.
        if (open == u'&' && (close - i > 10 || text.mid(i + 1, close - i - 1).contains(u' ')))
            continue;
        skip->push_back({i, close + 1 - i});
        i = close;
    }
}

}  // namespace

std::vector<TextSpan> SpellingWords(QStringView text, const std::vector<TextSpan>& skip)
{
    std::vector<TextSpan> skipped = skip;
    AddMarkup(text, &skipped);
    std::sort(skipped.begin(), skipped.end(),
              [](const TextSpan& a, const TextSpan& b) { return a.start < b.start; });
    std::vector<TextSpan> words;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text.data(), text.size());
    size_t next = 0;  // the first skipped span not yet behind the word
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end >= 0; end = finder.toNextBoundary()) {
        const TextSpan word{start, end - start};
        start = end;
        if (!(finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem))
            continue;
        while (next < skipped.size() && skipped[next].End() <= word.start)
            ++next;
        if (next < skipped.size() && skipped[next].start < word.End())
            continue;
        if (WorthSpelling(text.mid(word.start, word.length)) && !NumberSuffix(text, word.start))
            words.push_back(word);
    }
    return words;
}

struct SpellingDictionary::Impl {
    nuspell::Dictionary dictionary;
};

SpellingDictionary::SpellingDictionary() = default;
SpellingDictionary::~SpellingDictionary() = default;

Result SpellingDictionary::Load(const QString& language)
{
    const QString name = DictionaryName(language);
    if (name.isEmpty())
        return Result::Failure(UiText("spelling.noLanguage").arg(language));
    // The .aff files of the usual places (/usr/share/hunspell and the like).
    for (const std::filesystem::path& aff : nuspell::search_default_dirs_for_dicts()) {
        if (aff.stem().string() == name.toStdString())
            return LoadFile(QString::fromStdString(aff.string()));
    }
    return Result::Failure(UiText("spelling.noDictionary").arg(name));
}

Result SpellingDictionary::LoadFile(const QString& affPath)
{
    auto impl = std::make_unique<Impl>();
    try {
        impl->dictionary.load_aff_dic(std::filesystem::path(affPath.toStdString()));
    } catch (const std::exception& e) {
        return Result::Failure(
            UiText("spelling.loadFailed").arg(affPath, QString::fromUtf8(e.what())));
    }
    d_ = std::move(impl);
    return {};
}

void SpellingDictionary::SetWordList(const QStringList& words)
{
    words_ = QSet<QString>(words.begin(), words.end());
}

bool SpellingDictionary::Knows(QStringView word) const
{
    if (!words_.isEmpty()) {
        QString text = word.toString();
        if (words_.contains(text))
            return true;
        text[0] = text[0].toLower();
        if (words_.contains(text))
            return true;
    }
    if (!d_)
        return true;
    const QByteArray utf8 = word.toUtf8();
    return d_->dictionary.spell(std::string_view(utf8.constData(), utf8.size()));
}

QStringList SpellingDictionary::Suggestions(QStringView word) const
{
    QStringList out;
    if (!d_)
        return out;
    std::vector<std::string> found;
    d_->dictionary.suggest(word.toUtf8().toStdString(), found);
    for (const std::string& s : found)
        out << QString::fromStdString(s);
    return out;
}

}  // namespace scrivlet
