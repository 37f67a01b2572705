#pragma once

#include "documents/EdtDocument.h"
#include "translation/Alignment.h"

#include <QObject>
#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

// The fields of a document that wait for review after its original changed, each with why and
// the source its translation was made from. A mark follows its record when records come and
// go, and goes when the translator confirms it. An edit of the field only puts its mark to
// sleep: an undo that brings the marked text back brings the mark back, until a save takes
// the edit as the review. The document's changes come through the TranslationStatus the marks
// are given to, so that both follow them in one order.

namespace scrivlet {

struct ReviewMark {
    ReviewReason reason = ReviewReason::Changed;
    QString oldSource;  // empty for a new record
};

class ReviewMarks : public QObject {
    Q_OBJECT

public:
    // The document must outlive this object.
    explicit ReviewMarks(const EdtDocument& document, QObject* parent = nullptr);

    // The document's changes, told before anything is judged: the marks move with their
    // records, and an edited field's mark sleeps while its text differs from the marked one.
    void FollowInsert(int first, int last);
    void FollowRemove(int first, int last);
    void FollowEdit(int first, int last);

    void Set(int record, int field, const ReviewMark& mark);
    // Takes a mark away, as the translator's confirmation; false when there was none.
    bool Clear(int record, int field);
    void ClearAll();
    // The edits of marked fields were saved, which reviews them: their sleeping marks go.
    void ForgetEdited();

    // Only the marks awake, the ones shown.
    std::optional<ReviewMark> At(int record, int field) const;
    bool Has(int record, int field) const;
    int Count() const { return active_; }
    // Awake or asleep: the field's review is not settled until a save.
    bool Holds(int record, int field) const { return marks_.count({record, field}) > 0; }
    // The marked fields as (record, text field), in order.
    std::vector<std::pair<int, int>> Fields() const;

    // Every mark awake by (record, text field), to be put back with Restore.
    using Saved = std::map<std::pair<int, int>, ReviewMark>;
    Saved All() const;
    // Replaces every mark, as an undo or a redo puts them back: no one reviewed anything.
    void Restore(const Saved& marks);
    // True while Restore tells of its change, so that Changed is not taken as a review.
    bool Restoring() const { return restoring_; }

signals:
    // Marks of records first..last were set or taken away (not by the Follow calls).
    void Changed(int first, int last);

private:
    struct Entry {
        ReviewMark mark;
        QString translation;  // the field's text when marked: an edit is a change from it
        bool awake = true;    // the field holds that text
    };
    void Shift(int first, int by);

    const EdtDocument& document_;
    std::map<std::pair<int, int>, Entry> marks_;  // by record and text field
    int active_ = 0;  // the entries awake: Count is asked for every field of a walk
    bool restoring_ = false;
};

}  // namespace scrivlet
