#include "translation/DocumentChecks.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"
#include "translation/ProjectTranslations.h"
#include "translation/Spelling.h"

#include <QCryptographicHash>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <bit>
#include <set>
#include <tuple>

namespace scrivlet {
namespace {

// Fields per task of the first run: big enough to hide the scheduling.
constexpr size_t kChunk = 16384;
// Fields per task of the spelling run: about 20 ms each, so that it reports its progress often
// and a cancel lets go soon even if a task missed the flag.
constexpr size_t kSpellingChunk = 1024;

// Project patterns match on the pool's threads: their stack is bounded by this budget.
MatchLimits PatternLimits()
{
    MatchLimits limits;
    limits.stackSize = std::size_t{8} << 20;
    limits.stackUse = std::size_t{2} << 20;
    return limits;
}

}  // namespace

quint64 IgnoreHash(QStringView text, QStringView reference)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    // The length first: "ab" + "c" and "a" + "bc" must differ.
    const qint64 length = text.size();
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&length), sizeof length));
    for (const QStringView part : {text, reference})
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(part.utf16()),
                                    part.size() * qsizetype{sizeof(char16_t)}));
    const QByteArray digest = hash.result();
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | static_cast<quint8>(digest[i]);
    return value;
}

DocumentChecks::DocumentChecks(const EdtDocument& document, const CheckSettings& settings,
                               const EdtDocument* reference, QObject* parent)
    : QObject(parent),
      document_(document),
      settings_(settings),
      reference_(reference),
      checker_(settings)
{
    // The project's patterns match on these threads: they need the stack their budget counts on.
    pool_.setStackSize(static_cast<uint>(PatternLimits().stackSize));
    connect(&spellingWatcher_, &QFutureWatcherBase::finished, this, &DocumentChecks::ApplySpelling);
    connect(&spellingWatcher_, &QFutureWatcherBase::progressValueChanged, this,
            &DocumentChecks::SpellingProgress);
    connect(&document, &EdtDocument::TextChanged, this,
            [this](int record, int) { Recheck(record, record); });
    connect(&document, &EdtDocument::TextsChanged, this, &DocumentChecks::Recheck);
    connect(&document, &EdtDocument::RecordsInserted, this, &DocumentChecks::RecordsInserted);
    connect(&document, &EdtDocument::RecordsRemoved, this, &DocumentChecks::RecheckAll);
    connect(&document, &EdtDocument::PropertiesChanged, this, &DocumentChecks::RecheckAll);
    RecheckAll();
}

DocumentChecks::~DocumentChecks()
{
    CancelSpelling();
}

void DocumentChecks::SetReference(const EdtDocument* reference)
{
    reference_ = reference;
    RecheckAll();
}

void DocumentChecks::SetProjectTranslations(const ProjectTranslations* others, int file)
{
    others_ = others;
    file_ = file;
    // Only the consistency depends on the other files: every group judged again, in place.
    if (!reference_ || !(settings_.enabled & Bit(Check::Inconsistent)))
        return;
    if (groupOf_.size() != masks_.size()) {
        RecheckAll();
        return;
    }
    for (size_t at = 0; at < groupOf_.size(); ++at) {
        if (groupOf_[at] == static_cast<int>(at))
            JudgeGroup(static_cast<int>(at), true);
    }
    emit ProblemsChanged();
}

void DocumentChecks::SetBoxFile(const QString& file, bool recheck)
{
    if (file == boxFile_)
        return;
    const bool applies =
        std::any_of(settings_.fileBoxes.begin(), settings_.fileBoxes.end(), [&](const auto& entry) {
            return entry.first.first == file || entry.first.first == boxFile_;
        });
    boxFile_ = file;
    if (applies && recheck)
        RecheckAll();
}

void DocumentChecks::SetPendingText(int record, int field, const QString& text)
{
    if (record < 0 || record >= document_.RecordCount() || field < 0 ||
        static_cast<size_t>(field) >= fields_)
        return;
    const size_t at = static_cast<size_t>(record) * fields_ + field;
    if (at == pendingAt_ && text == pendingText_)
        return;
    ClearPendingText();
    if (text == document_.FieldText(record, field))
        return;
    pendingAt_ = at;
    pendingText_ = text;
    Recheck(record, record);
}

void DocumentChecks::ClearPendingText()
{
    if (pendingAt_ == static_cast<size_t>(-1))
        return;
    const int record = static_cast<int>(pendingAt_ / fields_);
    pendingAt_ = static_cast<size_t>(-1);
    pendingText_.clear();
    Recheck(record, record);
}

qint64 DocumentChecks::IgnoredCount() const
{
    qint64 sum = 0;
    for (const CheckMask mask : ignoredMasks_)
        sum += std::popcount(mask);
    return sum;
}

CheckMask DocumentChecks::Silence(size_t at, CheckMask raw)
{
    if (ignoredMasks_.empty())
        return raw;
    const int record = static_cast<int>(at / fields_), field = static_cast<int>(at % fields_);
    const auto found = ignores_.constFind(Key(record, field));
    CheckMask silenced = 0;
    if (found != ignores_.constEnd()) {
        const FieldInput in = Input(at);
        const quint64 hash = IgnoreHash(in.text, in.reference);
        for (const auto& [check, held] : *found) {
            if (held == hash)
                silenced |= Bit(check);
        }
        silenced &= raw;
    }
    ignoredMasks_[at] = silenced;
    return raw & ~silenced;
}

void DocumentChecks::SetIgnored(const std::vector<IgnoredProblem>& ignored, bool recheck)
{
    ignores_.clear();
    for (const IgnoredProblem& p : ignored)
        ignores_[Key(p.record, p.field)].emplace_back(p.check, p.hash);
    if (recheck)
        RecheckAll();
}

std::vector<IgnoredProblem> DocumentChecks::Ignored() const
{
    std::vector<IgnoredProblem> out;
    for (auto it = ignores_.constBegin(); it != ignores_.constEnd(); ++it) {
        for (const auto& [check, hash] : it.value())
            out.push_back({static_cast<int>(it.key() >> 32),
                           static_cast<int>(it.key() & 0xffffffffu), check, hash});
    }
    std::sort(out.begin(), out.end(), [](const IgnoredProblem& a, const IgnoredProblem& b) {
        return std::tie(a.record, a.field, a.check) < std::tie(b.record, b.field, b.check);
    });
    return out;
}

quint64 DocumentChecks::IgnoreHashAt(int record, int field) const
{
    const FieldInput in = Input(static_cast<size_t>(record) * fields_ + field);
    return IgnoreHash(in.text, in.reference);
}

bool DocumentChecks::Ignore(int record, int field, Check check)
{
    if (record < 0 || field < 0 || static_cast<size_t>(field) >= fields_ ||
        record >= document_.RecordCount() || !(Mask(record, field) & Bit(check)))
        return false;
    const size_t at = static_cast<size_t>(record) * fields_ + field;
    const FieldInput in = Input(at);
    auto& list = ignores_[Key(record, field)];
    std::erase_if(list, [check](const auto& entry) { return entry.first == check; });
    list.emplace_back(check, IgnoreHash(in.text, in.reference));
    if (ignoredMasks_.empty())
        ignoredMasks_.assign(masks_.size(), 0);
    Count(masks_[at], -1);
    masks_[at] &= ~Bit(check);
    ignoredMasks_[at] |= Bit(check);
    Count(masks_[at], +1);
    emit IgnoredChanged();
    emit ProblemsChanged();
    return true;
}

bool DocumentChecks::StopIgnoring(int record, int field, Check check)
{
    const auto found = ignores_.find(Key(record, field));
    if (found == ignores_.end() ||
        !std::erase_if(*found, [check](const auto& entry) { return entry.first == check; }))
        return false;
    if (found->empty())
        ignores_.erase(found);
    if (IgnoredMask(record, field) & Bit(check)) {
        const size_t at = static_cast<size_t>(record) * fields_ + field;
        Count(masks_[at], -1);
        masks_[at] |= Bit(check);
        ignoredMasks_[at] &= ~Bit(check);
        Count(masks_[at], +1);
    }
    emit IgnoredChanged();
    emit ProblemsChanged();
    return true;
}

qint64 DocumentChecks::Count() const
{
    qint64 sum = 0;
    for (const qint64 n : counts_)
        sum += n;
    return sum;
}

FieldInput DocumentChecks::Input(size_t at) const
{
    const int record = static_cast<int>(at / fields_), field = static_cast<int>(at % fields_);
    FieldInput in;
    in.text = at == pendingAt_ ? QStringView(pendingText_) : document_.FieldText(record, field);
    in.size = document_.Format().fields[document_.TextColumn(field)].size;
    in.hasReference = reference_ != nullptr;
    in.box = boxOf_[static_cast<size_t>(field)];
    // A record the reference lacks has an empty reference text.
    if (reference_ && record < reference_->RecordCount() && field < reference_->TextFieldCount())
        in.reference = reference_->FieldText(record, field);
    return in;
}

QStringView DocumentChecks::Text(size_t at) const
{
    if (at == pendingAt_)
        return pendingText_;
    return document_.FieldText(static_cast<int>(at / fields_), static_cast<int>(at % fields_));
}

TextStorage DocumentChecks::Storage() const
{
    return settings_.storage.value_or(
        TextStorage{document_.GetEncoding(), document_.GetFileType()});
}

void DocumentChecks::Count(CheckMask mask, int sign)
{
    for (int c = 0; mask; ++c, mask >>= 1)
        counts_[static_cast<size_t>(c)] += (mask & 1) ? sign : 0;
}

// Fields [first, last) by their place in masks_, and the hashes of their reference texts
// when asked for (0 for none).
void DocumentChecks::CheckRange(size_t first, size_t last, std::vector<size_t>* hashes,
                                CheckMask only)
{
    const TextStorage storage = Storage();
    std::unique_ptr<MatchBudget> budget;
    if (settings_.HasPatterns())
        budget = std::make_unique<MatchBudget>(PatternLimits());
    for (size_t at = first; at < last; ++at) {
        const FieldInput in = Input(at);
        masks_[at] = Silence(at, checker_.Run(in, storage, budget.get(), nullptr,
                                              only & FieldChecks(at)));
        if (hashes)
            (*hashes)[at] = in.reference.isEmpty() ? 0 : qHash(in.reference) | 1;
    }
}

// A translation that takes part in its group's consistency: there, and not the reference's.
bool DocumentChecks::Eligible(size_t at) const
{
    const FieldInput in = Input(at);
    return !in.text.isEmpty() && in.text != in.reference;
}

void DocumentChecks::JudgeGroup(int head, bool count)
{
    QStringView first;
    bool differ = false;
    for (int at = head; at >= 0 && !differ; at = nextInGroup_[static_cast<size_t>(at)]) {
        if (!Eligible(static_cast<size_t>(at)))
            continue;
        const QStringView text = Text(static_cast<size_t>(at));
        differ = !first.isNull() && text != first;
        if (first.isNull())
            first = text;
    }
    // The same reference text translated otherwise in another file of the project.
    if (!differ && !first.isNull() && others_) {
        const quint64 mine = ProjectTranslations::HashOf(first);
        others_->ForOthers(Input(static_cast<size_t>(head)).reference, file_,
                           [&](quint64 other) { differ = differ || other != mine; });
    }
    for (int at = head; at >= 0; at = nextInGroup_[static_cast<size_t>(at)]) {
        CheckMask& mask = masks_[static_cast<size_t>(at)];
        const CheckMask raw = mask | IgnoredAt(static_cast<size_t>(at));
        const CheckMask judged =
            Silence(static_cast<size_t>(at), (differ && Eligible(static_cast<size_t>(at)))
                                                 ? (raw | Bit(Check::Inconsistent))
                                                 : (raw & ~Bit(Check::Inconsistent)));
        if (count)
            Count(mask, -1), Count(judged, +1);
        mask = judged;
    }
}

// Chains the fields that share a non-empty reference text and returns the first of each
// group of two or more. Fields sorted by the hash of their reference text: a hash table of a
// million views took longer than all the checks. Equal hashes are told apart by the texts.
std::vector<int> DocumentChecks::Index(const std::vector<size_t>& hashes)
{
    groupOf_.assign(masks_.size(), -1);
    nextInGroup_.assign(masks_.size(), -1);
    std::vector<int> heads;
    std::vector<std::pair<size_t, int>> keyed;
    keyed.reserve(masks_.size());
    for (size_t at = 0; at < hashes.size(); ++at) {
        if (hashes[at])
            keyed.emplace_back(hashes[at], static_cast<int>(at));
    }
    // A big document's in two halves side by side, then merged.
    if (keyed.size() < kChunk) {
        std::sort(keyed.begin(), keyed.end());
    } else {
        const auto middle = keyed.begin() + static_cast<qsizetype>(keyed.size() / 2);
        QFuture<void> lower = QtConcurrent::run(&pool_, [&] { std::sort(keyed.begin(), middle); });
        std::sort(middle, keyed.end());
        lower.waitForFinished();
        std::inplace_merge(keyed.begin(), middle, keyed.end());
    }
    std::vector<int> tails;  // of the groups within one run of equal hashes
    for (size_t run = 0; run < keyed.size();) {
        size_t end = run + 1;
        while (end < keyed.size() && keyed[end].first == keyed[run].first)
            ++end;
        tails.clear();
        for (size_t i = run; i < end; ++i) {
            const int at = keyed[i].second;
            const QStringView ref = Input(static_cast<size_t>(at)).reference;
            auto same = std::find_if(tails.begin(), tails.end(), [&](int tail) {
                return Input(static_cast<size_t>(tail)).reference == ref;
            });
            if (same == tails.end()) {
                groupOf_[static_cast<size_t>(at)] = at;
                tails.push_back(at);
                continue;
            }
            const int head = groupOf_[static_cast<size_t>(*same)];
            if (nextInGroup_[static_cast<size_t>(head)] < 0)
                heads.push_back(head);
            groupOf_[static_cast<size_t>(at)] = head;
            nextInGroup_[static_cast<size_t>(*same)] = at;
            *same = at;
        }
        run = end;
    }
    return heads;
}

void DocumentChecks::GlossaryChanged()
{
    checker_.Reindex();
    RecheckAll();
}

void DocumentChecks::RecheckAll()
{
    StopSpelling();
    fields_ = static_cast<size_t>(document_.TextFieldCount());
    fieldChecks_.assign(fields_, kAllChecks);
    for (const FormatField& off : settings_.startCaseOff) {
        if (off.format == document_.FormatIndex() && off.field < static_cast<int>(fields_))
            fieldChecks_[static_cast<size_t>(off.field)] &= ~Bit(Check::StartCase);
    }
    boxOf_.assign(fields_, nullptr);
    for (size_t k = 0; k < fields_; ++k) {
        const int field = static_cast<int>(k);
        const auto own = settings_.fileBoxes.find({boxFile_, field});
        const auto shared = settings_.boxes.find({document_.FormatIndex(), field});
        if (own != settings_.fileBoxes.end())
            boxOf_[k] = &own->second;
        else if (shared != settings_.boxes.end())
            boxOf_[k] = &shared->second;
    }
    masks_.assign(static_cast<size_t>(document_.RecordCount()) * fields_, 0);
    if (pendingAt_ >= masks_.size())
        pendingAt_ = static_cast<size_t>(-1), pendingText_.clear();
    ignoredMasks_.assign(ignores_.isEmpty() ? 0 : masks_.size(), 0);
    counts_ = {};
    const bool groups = reference_ && (settings_.enabled & Bit(Check::Inconsistent));
    const bool background = (settings_.enabled & Bit(Check::Spelling)) && settings_.speller &&
                            masks_.size() > kSpellingInline;
    const CheckMask only = background ? CheckMask(kAllChecks & ~Bit(Check::Spelling)) : kAllChecks;
    std::vector<size_t> hashes(groups ? masks_.size() : 0);
    std::vector<std::pair<size_t, size_t>> chunks;
    for (size_t first = 0; first < masks_.size(); first += kChunk)
        chunks.emplace_back(first, std::min(masks_.size(), first + kChunk));
    auto run = [&](const std::pair<size_t, size_t>& chunk) {
        CheckRange(chunk.first, chunk.second, groups ? &hashes : nullptr, only);
    };
    // A small document is checked on the calling thread: no pool to wake.
    if (chunks.size() <= 1) {
        for (const auto& chunk : chunks)
            run(chunk);
    } else {
        QtConcurrent::blockingMap(&pool_, chunks, run);
    }
    std::vector<int> heads = Index(hashes);
    // A field alone with its reference text in this document may still differ from another
    // file's translation of it.
    if (groups && others_ && !others_->IsEmpty()) {
        for (size_t at = 0; at < groupOf_.size(); ++at) {
            if (groupOf_[at] == static_cast<int>(at) && nextInGroup_[at] < 0 &&
                others_->HasOthers(Input(at).reference, file_))
                heads.push_back(static_cast<int>(at));
        }
    }
    // Groups share no field: judged side by side when there are many.
    auto judge = [this](int head) { JudgeGroup(head, false); };
    if (heads.size() < kChunk)
        std::for_each(heads.begin(), heads.end(), judge);
    else
        QtConcurrent::blockingMap(&pool_, heads, judge);
    for (const CheckMask mask : masks_)
        Count(mask, +1);
    emit ProblemsChanged();
    if (background)
        StartSpelling();
}

struct DocumentChecks::SpellingRun {
    // The texts to spell one after the other: a field's place in masks_ and where its text
    // starts (it ends where the next one starts).
    QString texts;
    std::vector<std::pair<size_t, qsizetype>> fields;
};

void DocumentChecks::StartSpelling()
{
    auto run = std::make_unique<SpellingRun>();
    for (size_t at = 0; at < masks_.size(); ++at) {
        const FieldInput in = Input(at);
        // A copy of the original is not spelled (FieldChecker::Run).
        if (in.text.isEmpty() ||
            (in.hasReference && !in.reference.isEmpty() && in.text == in.reference))
            continue;
        run->fields.emplace_back(at, run->texts.size());
        run->texts.append(in.text);
    }
    std::vector<std::pair<size_t, size_t>> chunks;
    for (size_t first = 0; first < run->fields.size(); first += kSpellingChunk)
        chunks.emplace_back(first, std::min(run->fields.size(), first + kSpellingChunk));
    const bool patterns = settings_.HasPatterns();
    const SpellingRun* texts = run.get();
    auto spell = [this, texts, patterns](const std::pair<size_t, size_t>& chunk) {
        std::vector<size_t> misspelled;
        std::unique_ptr<MatchBudget> budget;
        if (patterns)
            budget = std::make_unique<MatchBudget>(PatternLimits());
        const QStringView all(texts->texts);
        for (size_t i = chunk.first; i < chunk.second; ++i) {
            if (stopSpelling_.load(std::memory_order_relaxed))
                break;
            const qsizetype start = texts->fields[i].second;
            const qsizetype end =
                i + 1 < texts->fields.size() ? texts->fields[i + 1].second : all.size();
            if (checker_.Misspelled(all.mid(start, end - start), budget.get()))
                misspelled.push_back(texts->fields[i].first);
        }
        return misspelled;
    };
    stopSpelling_ = false;
    spelling_ = std::move(run);
    spellingWatcher_.setFuture(QtConcurrent::mapped(&pool_, std::move(chunks), spell));
    emit SpellingProgress();
}

void DocumentChecks::ApplySpelling()
{
    const QFuture<std::vector<size_t>> future = spellingWatcher_.future();
    // A cancelled run's end, or one already applied by WaitForSpelling.
    if (!spelling_ || !future.isFinished() || future.isCanceled())
        return;
    std::vector<bool> edited;
    if (!editedDuringRun_.empty()) {
        edited.assign(static_cast<size_t>(document_.RecordCount()), false);
        for (const auto& [first, last] : editedDuringRun_) {
            for (int record = std::max(first, 0);
                 record <= last && record < document_.RecordCount(); ++record)
                edited[static_cast<size_t>(record)] = true;
        }
    }
    // The first run left every spelling bit clear; only the misspelled fields change.
    for (int i = 0; i < future.resultCount(); ++i) {
        for (const size_t at : future.resultAt(i)) {
            if (!edited.empty() && edited[at / fields_])
                continue;
            CheckMask& mask = masks_[at];
            const CheckMask judged = Silence(at, mask | IgnoredAt(at) | Bit(Check::Spelling));
            Count(mask, -1);
            Count(judged, +1);
            mask = judged;
        }
    }
    spelling_.reset();
    editedDuringRun_.clear();
    emit ProblemsChanged();
    emit SpellingProgress();
}

int DocumentChecks::SpellingPercent() const
{
    if (!spelling_)
        return 100;
    const int maximum = spellingWatcher_.progressMaximum();
    return maximum > 0 ? spellingWatcher_.progressValue() * 100 / maximum : 0;
}

void DocumentChecks::WaitForSpelling()
{
    if (!spelling_)
        return;
    spellingWatcher_.future().waitForFinished();
    ApplySpelling();
}

void DocumentChecks::CancelSpelling()
{
    if (!spelling_)
        return;
    stopSpelling_ = true;
    QFuture<std::vector<size_t>> future = spellingWatcher_.future();
    future.cancel();
    future.waitForFinished();
    spelling_.reset();
    editedDuringRun_.clear();
}

void DocumentChecks::StopSpelling()
{
    if (!spelling_)
        return;
    CancelSpelling();
    emit SpellingProgress();
}

void DocumentChecks::RecordsInserted(int first, int last)
{
    const size_t added = static_cast<size_t>(last - first + 1) * fields_;
    // The add-row's way: a record past the end of the translation and of its reference joins no
    // group and moves no field, so a big document is not checked whole for each new record.
    const bool atEnd =
        fields_ > 0 && masks_.size() == static_cast<size_t>(first) * fields_ &&
        masks_.size() + added == static_cast<size_t>(document_.RecordCount()) * fields_;
    if (!atEnd || spelling_ || (reference_ && reference_->RecordCount() > first)) {
        RecheckAll();
        return;
    }
    masks_.resize(masks_.size() + added, 0);
    groupOf_.resize(masks_.size(), -1);
    nextInGroup_.resize(masks_.size(), -1);
    if (!ignoredMasks_.empty())
        ignoredMasks_.resize(masks_.size(), 0);
    Recheck(first, last);
}

void DocumentChecks::Recheck(int firstRecord, int lastRecord)
{
    lastRecord = std::min(lastRecord, document_.RecordCount() - 1);
    const TextStorage storage = Storage();
    std::unique_ptr<MatchBudget> budget;
    if (settings_.HasPatterns())
        budget = std::make_unique<MatchBudget>(PatternLimits());
    std::set<int> groups;
    // Spelled here and now: the background run's word on these records is out of date.
    if (spelling_)
        editedDuringRun_.emplace_back(firstRecord, lastRecord);
    for (int record = std::max(firstRecord, 0); record <= lastRecord; ++record) {
        for (size_t k = 0; k < fields_; ++k) {
            const size_t at = static_cast<size_t>(record) * fields_ + k;
            CheckMask& mask = masks_[at];
            Count(mask, -1);
            mask = Silence(at, checker_.Run(Input(at), storage, budget.get(), nullptr,
                                            FieldChecks(at)));
            Count(mask, +1);
            if (groupOf_[at] >= 0)
                groups.insert(groupOf_[at]);
        }
    }
    for (const int head : groups)
        JudgeGroup(head, true);
    emit ProblemsChanged();
}

std::vector<Problem> DocumentChecks::Details(int record, int field, bool withIgnored) const
{
    std::vector<Problem> out;
    const CheckMask mask = Mask(record, field) | (withIgnored ? IgnoredMask(record, field) : 0);
    if (!mask)
        return out;
    std::unique_ptr<MatchBudget> budget;
    if (settings_.HasPatterns())
        budget = std::make_unique<MatchBudget>(PatternLimits());
    const size_t place = static_cast<size_t>(record) * fields_ + field;
    checker_.Run(Input(place), Storage(), budget.get(), &out, FieldChecks(place));
    if (mask & Bit(Check::Inconsistent)) {
        QSet<quint64> translations;
        if (others_)
            others_->ForOthers(Input(place).reference, file_,
                               [&](quint64 other) { translations.insert(other); });
        for (int at = groupOf_[place]; at >= 0; at = nextInGroup_[static_cast<size_t>(at)]) {
            if (Eligible(static_cast<size_t>(at)))
                translations.insert(ProjectTranslations::HashOf(Text(static_cast<size_t>(at))));
        }
        out.push_back({0, 0, Check::Inconsistent,
                       UiText("check.inconsistent.detail").arg(translations.size())});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Problem& a, const Problem& b) { return a.check < b.check; });
    std::erase_if(out, [mask](const Problem& p) { return !(mask & Bit(p.check)); });
    for (Problem& p : out)
        p.record = record, p.field = field;
    return out;
}

void DocumentChecks::ForEachProblem(const std::function<void(const Problem&)>& each) const
{
    for (size_t at = 0; at < masks_.size(); ++at) {
        if (!masks_[at])
            continue;
        for (const Problem& p :
             Details(static_cast<int>(at / fields_), static_cast<int>(at % fields_)))
            each(p);
    }
}

}  // namespace scrivlet
