#include "translation/GlossaryIndex.h"

#include <algorithm>

namespace scrivlet {
namespace {

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || (c.unicode() >= 0x300 && c.isMark());
}

// FNV-1a of the case-folded word, ASCII folded in place: the glossary asks it of every word
// of every reference text, most of which name no term.
size_t FoldedHash(QStringView word)
{
    size_t hash = 14695981039346656037ull;
    for (const QChar c : word) {
        char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            u += 32;
        else if (u >= 0x80)
            u = c.toCaseFolded().unicode();
        hash = (hash ^ u) * 1099511628211ull;
    }
    return hash;
}

QStringList FoldedWords(const QString& text)
{
    std::vector<TextSpan> spans;
    const QString folded = text.toCaseFolded();
    SplitWords(folded, &spans);
    QStringList words;
    for (const TextSpan& s : spans)
        words << folded.mid(s.start, s.length);
    return words;
}

}  // namespace

void SplitWords(QStringView text, std::vector<TextSpan>* words)
{
    words->clear();
    for (qsizetype i = 0; i < text.size();) {
        if (!IsWordChar(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && IsWordChar(text[i]))
            ++i;
        words->push_back({start, i - start});
    }
}

GlossaryIndex::GlossaryIndex(const std::vector<GlossaryTerm>& terms)
{
    for (size_t i = 0; i < terms.size(); ++i) {
        Entry entry{FoldedWords(terms[i].source), {}, static_cast<int>(i)};
        for (const QString& target : terms[i].targets) {
            if (QStringList words = FoldedWords(target); !words.isEmpty())
                entry.targets.push_back(std::move(words));
        }
        if (entry.words.isEmpty() || entry.targets.empty())
            continue;
        byFirstWord_[FoldedHash(entry.words.front())].push_back(static_cast<int>(entries_.size()));
        entries_.push_back(std::move(entry));
    }
}

GlossaryIndex::~GlossaryIndex() = default;

// Whether the text's words from `at` on are the entry's source term.
static bool TermAt(QStringView text, const std::vector<TextSpan>& words, size_t at,
                   const QStringList& term)
{
    if (at + static_cast<size_t>(term.size()) > words.size())
        return false;
    for (qsizetype i = 0; i < term.size(); ++i) {
        const TextSpan& s = words[at + static_cast<size_t>(i)];
        if (text.mid(s.start, s.length).compare(term[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

void GlossaryIndex::Find(QStringView text, std::vector<const Entry*>* found) const
{
    found->clear();
    if (entries_.empty())
        return;
    thread_local std::vector<TextSpan> words;
    SplitWords(text, &words);
    for (size_t w = 0; w < words.size(); ++w) {
        const auto it = byFirstWord_.find(FoldedHash(text.mid(words[w].start, words[w].length)));
        if (it == byFirstWord_.end())
            continue;
        for (const int c : it->second) {
            const Entry& entry = entries_[static_cast<size_t>(c)];
            if (TermAt(text, words, w, entry.words))
                found->push_back(&entry);
        }
    }
}

std::vector<int> GlossaryIndex::TermsIn(QStringView text) const
{
    std::vector<const Entry*> matches;
    Find(text, &matches);
    std::vector<int> terms;
    for (const Entry* entry : matches) {
        if (std::find(terms.begin(), terms.end(), entry->term) == terms.end())
            terms.push_back(entry->term);
    }
    return terms;
}

}  // namespace scrivlet
