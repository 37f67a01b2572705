#include "translation/WordDifference.h"

#include "translation/SequenceDiff.h"

#include <QHash>

namespace scrivlet {
namespace {

// Far more than a field's words differ in a real change; beyond it the whole text is new.
constexpr int kMaxWordEdits = 200;

std::vector<QStringView> Words(QStringView text)
{
    std::vector<QStringView> words;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i + 1;
        if (text[i].isLetterOrNumber()) {
            while (end < text.size() && text[end].isLetterOrNumber())
                ++end;
        }
        words.push_back(text.mid(i, end - i));
        i = end;
    }
    return words;
}

std::vector<std::uint64_t> Hashes(const std::vector<QStringView>& words)
{
    std::vector<std::uint64_t> hashes;
    hashes.reserve(words.size());
    for (QStringView word : words)
        hashes.push_back(qHash(word));
    return hashes;
}

// Appends to the last piece when it is of the same kind.
void Put(std::vector<DiffPiece>& pieces, DiffPiece::Kind kind, QStringView text)
{
    if (!pieces.empty() && pieces.back().kind == kind)
        pieces.back().text += text;
    else
        pieces.push_back({kind, text.toString()});
}

}  // namespace

std::vector<DiffPiece> WordDifference(QStringView oldText, QStringView newText)
{
    const std::vector<QStringView> a = Words(oldText), b = Words(newText);
    std::vector<std::pair<int, int>> matched;
    if (!MatchSequences(Hashes(a), Hashes(b), kMaxWordEdits, &matched))
        matched.clear();
    std::vector<DiffPiece> pieces;
    size_t i = 0, j = 0;
    matched.emplace_back(static_cast<int>(a.size()), static_cast<int>(b.size()));  // the end
    for (const auto& [mi, mj] : matched) {
        // Equal hashes of different words count as a change.
        const bool same = size_t(mi) < a.size() && a[mi] == b[mj];
        for (; i < size_t(mi); ++i)
            Put(pieces, DiffPiece::Removed, a[i]);
        for (; j < size_t(mj); ++j)
            Put(pieces, DiffPiece::Added, b[j]);
        if (size_t(mi) < a.size()) {
            if (same) {
                Put(pieces, DiffPiece::Same, a[mi]);
            } else {
                Put(pieces, DiffPiece::Removed, a[mi]);
                Put(pieces, DiffPiece::Added, b[mj]);
            }
            i = mi + 1, j = mj + 1;
        }
    }
    return pieces;
}

}  // namespace scrivlet
