#include "translation/TranslationStatus.h"

#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"

#include <algorithm>

namespace scrivlet {
namespace {

constexpr quint8 kStateMask = 7;
constexpr int kProblemShift = 3;

}  // namespace

TranslationStatus::TranslationStatus(const EdtDocument& document, QObject* parent)
    : QObject(parent), document_(document)
{
    connect(&document, &EdtDocument::TextChanged, this,
            [this](int record, int) { OnTextsChanged(record, record); });
    connect(&document, &EdtDocument::TextsChanged, this, &TranslationStatus::OnTextsChanged);
    connect(&document, &EdtDocument::RecordsInserted, this, &TranslationStatus::OnRecordsInserted);
    connect(&document, &EdtDocument::RecordsRemoved, this, &TranslationStatus::OnRecordsRemoved);
    connect(&document, &EdtDocument::PropertiesChanged, this, [this] {
        if (!storage_)
            RejudgeAll();
    });
    RejudgeAll();
}

void TranslationStatus::SetReference(const EdtDocument* reference)
{
    reference_ = reference;
    // Only the states depend on the reference: the problems stay as judged.
    const int fields = document_.TextFieldCount();
    for (int record = 0; record < document_.RecordCount(); ++record) {
        for (int k = 0; k < fields; ++k) {
            quint8& mark = marks_[static_cast<size_t>(record) * fields + k];
            Count(mark, -1);
            mark =
                static_cast<quint8>((mark & ~kStateMask) | static_cast<quint8>(StateOf(record, k)));
            Count(mark, +1);
        }
    }
    emit CountsChanged();
}

void TranslationStatus::SetStorage(const TextStorage& storage)
{
    storage_ = storage;
    RejudgeAll();
}

void TranslationStatus::SetReviewMarks(ReviewMarks* marks)
{
    if (review_)
        disconnect(review_, nullptr, this, nullptr);
    review_ = marks;
    if (review_)
        connect(review_, &ReviewMarks::Changed, this, &TranslationStatus::Rejudge);
    RejudgeAll();
}

void TranslationStatus::SetFieldStates(FieldStates* states)
{
    if (states_)
        disconnect(states_, nullptr, this, nullptr);
    states_ = states;
    if (states_)
        connect(states_, &FieldStates::Changed, this, &TranslationStatus::Rejudge);
    RejudgeAll();
}

FieldState TranslationStatus::State(int record, int field) const
{
    return static_cast<FieldState>(
        marks_[static_cast<size_t>(record) * document_.TextFieldCount() + field] & kStateMask);
}

quint8 TranslationStatus::Problems(int record, int field) const
{
    return marks_[static_cast<size_t>(record) * document_.TextFieldCount() + field] >>
           kProblemShift;
}

quint8 TranslationStatus::Judge(int record, int field) const
{
    const QStringView text = document_.FieldText(record, field);
    quint8 problems = kNoProblem;
    if (text.size() > document_.Format().fields[document_.TextColumn(field)].size)
        problems |= kTooLong;
    const TextStorage storage =
        storage_.value_or(TextStorage{document_.GetEncoding(), document_.GetFileType()});
    if (!text.isEmpty() && !CanStore(text, storage))
        problems |= kNotStorable;
    if (review_ && review_->Has(record, field))
        problems |= kSourceChanged;
    return static_cast<quint8>(static_cast<quint8>(StateOf(record, field)) | problems
                                                                                 << kProblemShift);
}

FieldState TranslationStatus::StateOf(int record, int field) const
{
    const QStringView text = document_.FieldText(record, field);
    if (review_ && review_->Has(record, field))
        return FieldState::NeedsWork;
    switch (states_ ? states_->StateAt(record, field) : StoredState::None) {
        case StoredState::NeedsWork:
            return FieldState::NeedsWork;
        case StoredState::Approved:
            return FieldState::Approved;
        case StoredState::Translated:
            return FieldState::Translated;
        case StoredState::None:
            break;
    }
    if (text.isEmpty())
        return FieldState::Empty;
    // A record the reference lacks has an empty reference text, which no filled field equals.
    if (reference_ && record < reference_->RecordCount() &&
        reference_->FieldText(record, field) == text)
        return FieldState::SameAsReference;
    return FieldState::Translated;
}

void TranslationStatus::Count(quint8 mark, int sign)
{
    switch (static_cast<FieldState>(mark & kStateMask)) {
        case FieldState::Empty:
            counts_.empty += sign;
            break;
        case FieldState::SameAsReference:
            counts_.sameAsReference += sign;
            break;
        case FieldState::Translated:
            counts_.translated += sign;
            break;
        case FieldState::NeedsWork:
            counts_.needsWork += sign;
            break;
        case FieldState::Approved:
            counts_.approved += sign;
            break;
    }
    const quint8 problems = mark >> kProblemShift;
    counts_.tooLong += (problems & kTooLong) ? sign : 0;
    counts_.notStorable += (problems & kNotStorable) ? sign : 0;
    counts_.sourceChanged += (problems & kSourceChanged) ? sign : 0;
    counts_.fields += sign;
}

void TranslationStatus::Rejudge(int firstRecord, int lastRecord)
{
    const int fields = document_.TextFieldCount();
    lastRecord = std::min(lastRecord, document_.RecordCount() - 1);
    for (int record = std::max(firstRecord, 0); record <= lastRecord; ++record) {
        for (int k = 0; k < fields; ++k) {
            quint8& mark = marks_[static_cast<size_t>(record) * fields + k];
            Count(mark, -1);
            mark = Judge(record, k);
            Count(mark, +1);
        }
    }
    emit CountsChanged();
}

void TranslationStatus::RejudgeAll()
{
    counts_ = {};
    counts_.records = document_.RecordCount();
    marks_.assign(static_cast<size_t>(document_.RecordCount()) * document_.TextFieldCount(), 0);
    counts_.empty = counts_.fields = static_cast<qint64>(marks_.size());
    Rejudge(0, document_.RecordCount() - 1);
}

void TranslationStatus::OnTextsChanged(int first, int last)
{
    if (review_)
        review_->FollowEdit(first, last);
    Rejudge(first, last);
}

void TranslationStatus::OnRecordsInserted(int first, int last)
{
    if (review_)
        review_->FollowInsert(first, last);
    if (states_)
        states_->FollowInsert(first, last);
    const size_t fields = static_cast<size_t>(document_.TextFieldCount());
    const size_t added = static_cast<size_t>(last - first + 1) * fields;
    marks_.insert(marks_.begin() + static_cast<qsizetype>(first * fields), added, 0);
    counts_.records += last - first + 1;
    counts_.empty += static_cast<qint64>(added);
    counts_.fields += static_cast<qint64>(added);
    // Records after the new ones now pair with other reference records.
    Rejudge(first, reference_ ? document_.RecordCount() - 1 : last);
}

void TranslationStatus::OnRecordsRemoved(int first, int last)
{
    if (review_)
        review_->FollowRemove(first, last);
    if (states_)
        states_->FollowRemove(first, last);
    const size_t fields = static_cast<size_t>(document_.TextFieldCount());
    const auto begin = marks_.begin() + static_cast<qsizetype>(first * fields);
    const auto end = marks_.begin() + static_cast<qsizetype>((last + 1) * fields);
    for (auto it = begin; it != end; ++it)
        Count(*it, -1);
    marks_.erase(begin, end);
    counts_.records -= last - first + 1;
    if (reference_)
        Rejudge(first, document_.RecordCount() - 1);
    else
        emit CountsChanged();
}

std::optional<FieldPlace> TranslationStatus::Seek(FieldSeek what, FieldPlace from,
                                                  bool forward) const
{
    const qsizetype fields = document_.TextFieldCount();
    const qsizetype total = static_cast<qsizetype>(marks_.size());
    qsizetype at = from.record < 0 ? (forward ? -1 : total) : from.record * fields + from.field;
    const int step = forward ? 1 : -1;
    for (at += step; at >= 0 && at < total; at += step) {
        const quint8 mark = marks_[static_cast<size_t>(at)];
        const FieldState state = static_cast<FieldState>(mark & kStateMask);
        bool hit = false;
        switch (what) {
            case FieldSeek::Problem:
                hit = (mark >> kProblemShift) != kNoProblem;
                break;
            case FieldSeek::Untranslated:
                hit = state == FieldState::Empty || state == FieldState::SameAsReference;
                break;
            case FieldSeek::NeedsWork:
                hit = state == FieldState::NeedsWork;
                break;
            case FieldSeek::Unfinished:
                hit = state == FieldState::Empty || state == FieldState::SameAsReference ||
                      state == FieldState::NeedsWork;
                break;
        }
        if (hit)
            return FieldPlace{static_cast<int>(at / fields), static_cast<int>(at % fields)};
    }
    return std::nullopt;
}

}  // namespace scrivlet
