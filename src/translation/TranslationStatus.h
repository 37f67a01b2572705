#pragma once

#include "documents/EdtDocument.h"
#include "documents/Storability.h"
#include "translation/TranslationCounts.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// How far the translation of a document has come: a state for every text field and running
// counts of them. The counts follow each text edit by re-judging only the fields it touched,
// so the status bar never rescans a big document.

namespace scrivlet {

class FieldStates;
class ReviewMarks;

enum class FieldState : std::uint8_t {
    Empty = 0,
    SameAsReference = 1,  // only while a reference is set
    Translated = 2,
    NeedsWork = 3,  // stored, or waiting for review since the original changed
    Approved = 4,   // stored
};

// Problems a field can have besides its state.
enum FieldProblem : std::uint8_t {
    kNoProblem = 0,
    kTooLong = 1,        // longer than the field's size
    kNotStorable = 2,    // the storage cannot keep some character
    kSourceChanged = 4,  // waits for review since the original changed (ReviewMarks)
};

// What F8 and F9 look for.
// Unfinished: untranslated or needing work, what F8 and Done and Next go on to.
enum class FieldSeek { Untranslated, Problem, NeedsWork, Unfinished };

// A text field of a record: field counts the text fields (0..TextFieldCount() - 1).
struct FieldPlace {
    int record = 0;
    int field = 0;
    bool operator==(const FieldPlace&) const = default;
};

class TranslationStatus : public QObject {
    Q_OBJECT

public:
    // Judges every field of document now; the document must outlive this object.
    explicit TranslationStatus(const EdtDocument& document, QObject* parent = nullptr);

    // The document the translation is compared with (same format), or null for none; it must
    // outlive this object or be replaced first. Re-judges every field.
    void SetReference(const EdtDocument* reference);
    const EdtDocument* Reference() const { return reference_; }
    // Where storability is judged; by default the document's own encoding and file type,
    // followed when they change.
    void SetStorage(const TextStorage& storage);
    // The fields waiting for review, judged as problems; null for none. They must outlive this
    // object or be replaced first.
    void SetReviewMarks(ReviewMarks* marks);
    const ReviewMarks* Review() const { return review_; }
    // The states and comments stored for the fields; null for none. As the review marks.
    void SetFieldStates(FieldStates* states);
    const FieldStates* States() const { return states_; }

    const TranslationCounts& Counts() const { return counts_; }
    FieldState State(int record, int field) const;
    quint8 Problems(int record, int field) const;

    // The next field after `from` (or before it, backwards) that is empty or same as the
    // reference, or has a problem; nullopt when there is none up to the document's end
    // (start) in that direction. from.record -1 starts before the first field.
    std::optional<FieldPlace> Seek(FieldSeek what, FieldPlace from, bool forward) const;

signals:
    void CountsChanged();

private:
    quint8 Judge(int record, int field) const;
    FieldState StateOf(int record, int field) const;
    void Count(quint8 mark, int sign);
    void Rejudge(int firstRecord, int lastRecord);
    void RejudgeAll();
    void OnTextsChanged(int first, int last);
    void OnRecordsInserted(int first, int last);
    void OnRecordsRemoved(int first, int last);

    const EdtDocument& document_;
    const EdtDocument* reference_ = nullptr;
    std::optional<TextStorage> storage_;
    ReviewMarks* review_ = nullptr;
    FieldStates* states_ = nullptr;
    std::vector<quint8> marks_;  // record r, field k: marks_[r * fields + k]
    TranslationCounts counts_;
};

}  // namespace scrivlet
