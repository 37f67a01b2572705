#pragma once

#include <QtGlobal>

namespace scrivlet {

// The one set of counts a document, a file pair, the project's cache and the totals share.
struct TranslationCounts {
    qint64 records = 0;
    qint64 fields = 0;
    qint64 empty = 0;
    qint64 sameAsReference = 0;
    qint64 translated = 0;
    qint64 tooLong = 0;
    qint64 notStorable = 0;
    qint64 sourceChanged = 0;
    qint64 needsWork = 0;
    qint64 approved = 0;

    // The fields done: translated or approved.
    qint64 Done() const { return translated + approved; }
    qint64 Problems() const { return tooLong + notStorable + sourceChanged; }
    TranslationCounts& operator+=(const TranslationCounts& other)
    {
        records += other.records;
        fields += other.fields;
        empty += other.empty;
        sameAsReference += other.sameAsReference;
        translated += other.translated;
        tooLong += other.tooLong;
        notStorable += other.notStorable;
        sourceChanged += other.sourceChanged;
        needsWork += other.needsWork;
        approved += other.approved;
        return *this;
    }
    bool operator==(const TranslationCounts&) const = default;
};

}  // namespace scrivlet
