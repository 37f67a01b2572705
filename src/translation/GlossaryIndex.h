#pragma once

#include "translation/TextSpan.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <unordered_map>
#include <vector>

namespace scrivlet {

// A glossary entry as plain terms: where the source term stands in a reference, one of the
// targets should stand in the translation.
struct GlossaryTerm {
    QString source;
    QStringList targets;
    QString note;
};

// The whole words of text (letters, digits, underscores and their marks), as spans into it.
void SplitWords(QStringView text, std::vector<TextSpan>* words);

// The glossary's source terms by their first case-folded word: which terms stand in a text as
// whole words, any case. Built once per glossary; the check and the Glossary panel ask it.
class GlossaryIndex {
public:
    struct Entry {
        QStringList words;  // the source term's, case-folded
        std::vector<QStringList> targets;
        int term = 0;  // in the glossary given
    };
    // terms need not outlive the index.
    explicit GlossaryIndex(const std::vector<GlossaryTerm>& terms);
    ~GlossaryIndex();
    bool IsEmpty() const { return entries_.empty(); }
    // Every term standing in text into *found (cleared first), in the order of the words
    // they start at, a term once per place.
    void Find(QStringView text, std::vector<const Entry*>* found) const;
    // The terms (indices into the glossary given) standing in text, each once, in the order
    // they first stand there.
    std::vector<int> TermsIn(QStringView text) const;

private:
    std::vector<Entry> entries_;
    std::unordered_map<size_t, std::vector<int>> byFirstWord_;
};

}  // namespace scrivlet
