#include "translation/DocumentChecks.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <set>

namespace scrivlet {
namespace {

// Fields per task of the first run: big enough to hide the scheduling.
constexpr size_t kChunk = 16384;

// Project patterns match on the pool's threads: their stack is bounded by this budget.
MatchLimits PatternLimits()
{
    MatchLimits limits;
    limits.stackSize = std::size_t{8} << 20;
    limits.stackUse = std::size_t{2} << 20;
    return limits;
}

}  // namespace

DocumentChecks::DocumentChecks(const EdtDocument& document, const CheckSettings& settings,
                               const EdtDocument* reference, QObject* parent)
    : QObject(parent), document_(document), settings_(settings), reference_(reference),
      checker_(settings)
{
    connect(&document, &EdtDocument::TextChanged, this,
            [this](int record, int) { Recheck(record, record); });
    connect(&document, &EdtDocument::TextsChanged, this, &DocumentChecks::Recheck);
    connect(&document, &EdtDocument::RecordsInserted, this, &DocumentChecks::RecheckAll);
    connect(&document, &EdtDocument::RecordsRemoved, this, &DocumentChecks::RecheckAll);
    connect(&document, &EdtDocument::PropertiesChanged, this, &DocumentChecks::RecheckAll);
    RecheckAll();
}

DocumentChecks::~DocumentChecks() = default;

void DocumentChecks::SetReference(const EdtDocument* reference)
{
    reference_ = reference;
    RecheckAll();
}

qint64 DocumentChecks::Count() const
{
    qint64 sum = 0;
    for (const qint64 n : counts_)
        sum += n;
    return sum;
}

FieldInput DocumentChecks::Input(int record, int field) const
{
    FieldInput in;
    in.text = document_.FieldText(record, field);
    in.size = document_.Format().fields[document_.TextColumn(field)].size;
    in.hasReference = reference_ != nullptr;
    // A record the reference lacks has an empty reference text.
    if (reference_ && record < reference_->RecordCount() &&
        field < reference_->TextFieldCount())
        in.reference = reference_->FieldText(record, field);
    return in;
}

TextStorage DocumentChecks::Storage() const
{
    return settings_.storage.value_or(TextStorage{document_.GetEncoding(), document_.GetFileType()});
}

void DocumentChecks::Count(CheckMask mask, int sign)
{
    for (int c = 0; mask; ++c, mask >>= 1)
        counts_[static_cast<size_t>(c)] += (mask & 1) ? sign : 0;
}

// Fields [first, last) by their place in masks_.
void DocumentChecks::CheckRange(size_t first, size_t last)
{
    const TextStorage storage = Storage();
    std::unique_ptr<MatchBudget> budget;
    if (settings_.placeholders.HasPatterns())
        budget = std::make_unique<MatchBudget>(PatternLimits());
    for (size_t at = first; at < last; ++at) {
        const FieldInput in = Input(static_cast<int>(at / fields_), static_cast<int>(at % fields_));
        masks_[at] = checker_.Run(in, storage, budget.get(), nullptr);
    }
}

// A translation that takes part in its group's consistency: there, and not the reference's.
bool DocumentChecks::Eligible(size_t at) const
{
    const FieldInput in = Input(static_cast<int>(at / fields_), static_cast<int>(at % fields_));
    return !in.text.isEmpty() && in.text != in.reference;
}

void DocumentChecks::JudgeGroup(int head)
{
    if (!(settings_.enabled & Bit(Check::Inconsistent)))
        return;
    QStringView first;
    bool differ = false;
    for (int at = head; at >= 0 && !differ; at = nextInGroup_[static_cast<size_t>(at)]) {
        if (!Eligible(static_cast<size_t>(at)))
            continue;
        const QStringView text = document_.FieldText(at / static_cast<int>(fields_),
                                                     at % static_cast<int>(fields_));
        differ = !first.isNull() && text != first;
        if (first.isNull())
            first = text;
    }
    for (int at = head; at >= 0; at = nextInGroup_[static_cast<size_t>(at)]) {
        CheckMask& mask = masks_[static_cast<size_t>(at)];
        const CheckMask judged = (differ && Eligible(static_cast<size_t>(at)))
                                     ? (mask | Bit(Check::Inconsistent))
                                     : (mask & ~Bit(Check::Inconsistent));
        Count(mask, -1);
        mask = static_cast<CheckMask>(judged);
        Count(mask, +1);
    }
}

// Chains the fields that share a non-empty reference text. The reference does not change
// while it is set, so its texts' views stay good as keys.
void DocumentChecks::Index()
{
    groupHead_.clear();
    nextInGroup_.assign(masks_.size(), -1);
    if (!reference_ || !(settings_.enabled & Bit(Check::Inconsistent)))
        return;
    groupHead_.reserve(static_cast<qsizetype>(masks_.size()));
    std::vector<int> tail(masks_.size(), -1);
    for (size_t at = 0; at < masks_.size(); ++at) {
        const QStringView ref = Input(static_cast<int>(at / fields_), static_cast<int>(at % fields_)).reference;
        if (ref.isEmpty())
            continue;
        const auto it = groupHead_.constFind(ref);
        if (it == groupHead_.cend()) {
            groupHead_.insert(ref, static_cast<int>(at));
            tail[at] = static_cast<int>(at);
            continue;
        }
        const size_t head = static_cast<size_t>(*it);
        nextInGroup_[static_cast<size_t>(tail[head])] = static_cast<int>(at);
        tail[head] = static_cast<int>(at);
    }
}

void DocumentChecks::RecheckAll()
{
    fields_ = static_cast<size_t>(document_.TextFieldCount());
    masks_.assign(static_cast<size_t>(document_.RecordCount()) * fields_, 0);
    counts_ = {};
    std::vector<std::pair<size_t, size_t>> chunks;
    for (size_t first = 0; first < masks_.size(); first += kChunk)
        chunks.emplace_back(first, std::min(masks_.size(), first + kChunk));
    auto run = [this](const std::pair<size_t, size_t>& chunk) { CheckRange(chunk.first, chunk.second); };
    if (settings_.placeholders.HasPatterns()) {
        // The project's patterns need the stack their budget counts on.
        QThreadPool pool;
        pool.setStackSize(static_cast<uint>(PatternLimits().stackSize));
        QtConcurrent::blockingMap(&pool, chunks, run);
    } else {
        QtConcurrent::blockingMap(chunks, run);
    }
    Index();
    for (const CheckMask mask : masks_)
        Count(mask, +1);
    for (const int head : std::as_const(groupHead_)) {
        if (nextInGroup_[static_cast<size_t>(head)] >= 0)
            JudgeGroup(head);
    }
    emit ProblemsChanged();
}

void DocumentChecks::Recheck(int firstRecord, int lastRecord)
{
    lastRecord = std::min(lastRecord, document_.RecordCount() - 1);
    const TextStorage storage = Storage();
    std::unique_ptr<MatchBudget> budget;
    if (settings_.placeholders.HasPatterns())
        budget = std::make_unique<MatchBudget>(PatternLimits());
    std::set<int> groups;
    for (int record = std::max(firstRecord, 0); record <= lastRecord; ++record) {
        for (size_t k = 0; k < fields_; ++k) {
            const FieldInput in = Input(record, static_cast<int>(k));
            CheckMask& mask = masks_[static_cast<size_t>(record) * fields_ + k];
            Count(mask, -1);
            mask = checker_.Run(in, storage, budget.get(), nullptr);
            Count(mask, +1);
            if (const auto head = groupHead_.constFind(in.reference); head != groupHead_.cend())
                groups.insert(*head);
        }
    }
    for (const int head : groups)
        JudgeGroup(head);
    emit ProblemsChanged();
}

std::vector<Problem> DocumentChecks::Details(int record, int field) const
{
    std::vector<Problem> out;
    const CheckMask mask = Mask(record, field);
    if (!mask)
        return out;
    std::unique_ptr<MatchBudget> budget;
    if (settings_.placeholders.HasPatterns())
        budget = std::make_unique<MatchBudget>(PatternLimits());
    checker_.Run(Input(record, field), Storage(), budget.get(), &out);
    if (mask & Bit(Check::Inconsistent)) {
        const int head = groupHead_.value(Input(record, field).reference, -1);
        QSet<QStringView> translations;
        for (int at = head; at >= 0; at = nextInGroup_[static_cast<size_t>(at)]) {
            if (Eligible(static_cast<size_t>(at)))
                translations.insert(document_.FieldText(at / static_cast<int>(fields_),
                                                        at % static_cast<int>(fields_)));
        }
        out.push_back({0, 0, Check::Inconsistent,
                       UiText("check.inconsistent.detail").arg(translations.size())});
        std::stable_sort(out.begin(), out.end(), [](const Problem& a, const Problem& b) {
            return a.check < b.check;
        });
    }
    for (Problem& p : out)
        p.record = record, p.field = field;
    return out;
}

void DocumentChecks::ForEachProblem(const std::function<void(const Problem&)>& each) const
{
    for (size_t at = 0; at < masks_.size(); ++at) {
        if (!masks_[at])
            continue;
        for (const Problem& p : Details(static_cast<int>(at / fields_), static_cast<int>(at % fields_)))
            each(p);
    }
}

}  // namespace scrivlet
