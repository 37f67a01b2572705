#pragma once

#include "documents/EdtDocument.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// What a translator or a reviewer said about a field beyond its text: a state kept with the
// hash of the text it was given to, and a comment. A stored state holds for that text only:
// approved falls back to translated once the text is another (an edit, another program), needs
// work stays until someone settles it.

namespace scrivlet {

enum class StoredState : std::uint8_t {
    None = 0,
    NeedsWork = 1,
    Translated = 2,  // a text the same as its original, confirmed as its translation
    Approved = 3,
};

struct FieldNote {
    StoredState state = StoredState::None;
    qint64 hash = 0;  // StateHash of the text the state was set on
    QString comment;
    bool IsEmpty() const { return state == StoredState::None && comment.isEmpty(); }
    bool operator==(const FieldNote&) const = default;
};

struct PlacedNote {
    int record = 0, field = 0;  // field counts the text fields
    FieldNote note;
    bool operator==(const PlacedNote&) const = default;
};

// A hash that stays the same across runs and builds (it is stored).
qint64 StateHash(QStringView text);

// "needs_work", "translated", "approved"; "" for None.
const char* StoredStateName(StoredState state);
std::optional<StoredState> StoredStateNamed(QStringView name);

// The state a note gives a field of this text, or None when the text decides alone (no note,
// no state, or an approval or confirmation of another text).
StoredState StateFor(const FieldNote& note, QStringView text);

// The notes of one document, following its records as they come and go.
class FieldStates : public QObject {
    Q_OBJECT

public:
    explicit FieldStates(const EdtDocument& document, QObject* parent = nullptr);

    void FollowInsert(int first, int last);
    void FollowRemove(int first, int last);

    // Sets (an empty note removes) one field's note.
    void Set(int record, int field, const FieldNote& note);
    // The field's note; null for none.
    const FieldNote* At(int record, int field) const;
    // The state the note gives the field's present text (see StateFor).
    StoredState StateAt(int record, int field) const;
    // The state set on the present text, hashed now: what a command stores.
    FieldNote Stamped(int record, int field, StoredState state, const QString& comment) const;

    std::vector<PlacedNote> All() const;
    // Replaces every note (as read from where they are kept, or an undo).
    void Restore(const std::vector<PlacedNote>& notes);
    bool IsEmpty() const { return notes_.empty(); }

signals:
    // Notes of records first..last were set or taken away (not by the Follow calls).
    void Changed(int first, int last);

private:
    void Shift(int first, int by);

    const EdtDocument& document_;
    std::map<std::pair<int, int>, FieldNote> notes_;
};

}  // namespace scrivlet
