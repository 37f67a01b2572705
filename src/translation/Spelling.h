#pragma once

#include "base/Result.h"
#include "translation/TextSpan.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

// Spelling: the words of a text by Unicode's rules, and a dictionary that knows them.

namespace scrivlet {

// Whether a word is spelled right. Asked from several threads at once.
class Speller {
public:
    virtual ~Speller() = default;
    virtual bool Knows(QStringView word) const = 0;
    // Words the dictionary would put in its place, best first.
    virtual QStringList Suggestions(QStringView) const { return {}; }
};

// The words of text worth a dictionary's look (Unicode word boundaries, words with a letter
// and no digit, a number's hyphened suffix as in "7-й" counting as part of the number),
// outside the skipped spans (placeholders, sorted) and outside markup (<tag ...>, &entity;).
std::vector<TextSpan> SpellingWords(QStringView text, const std::vector<TextSpan>& skip);

// A Hunspell dictionary read by nuspell, and the project's own word list beside it.
class SpellingDictionary : public Speller {
public:
    SpellingDictionary();
    ~SpellingDictionary() override;

    // The system's dictionary of an interface language ("en", "de", "pl", "ru").
    Result Load(const QString& language);
    // A dictionary from its .aff file (the .dic beside it).
    Result LoadFile(const QString& affPath);
    // Words the project accepts besides the dictionary's (compared as written and with the
    // first letter lower-cased, as the dictionaries do).
    void SetWordList(const QStringList& words);

    bool Knows(QStringView word) const override;
    QStringList Suggestions(QStringView word) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    QSet<QString> words_;
};

}  // namespace scrivlet
