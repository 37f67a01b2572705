#include "session/DocumentSession.h"

#include "base/UiText.h"
#include "documents/DocumentFiles.h"
#include "documents/EdtDocument.h"
#include "session/DocumentHistory.h"
#include "session/FieldNotesStep.h"
#include "translation/DocumentChecks.h"
#include "translation/FieldStates.h"
#include "translation/ReviewMarks.h"
#include "translation/SourceGroups.h"
#include "translation/TranslationStatus.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QTemporaryFile>
#include <QUndoStack>

#include <algorithm>

namespace scrivlet {

FileFingerprint FingerprintOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Not for security: only to tell a rewrite with other bytes from a touch.
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file))
        return {};
    return {file.size(), hash.result()};
}

DocumentSession::DocumentSession(std::unique_ptr<EdtDocument> document, const QString& name,
                                 QFileSystemWatcher* watcher, QObject* parent)
    : QObject(parent),
      document_(std::move(document)),
      review_(std::make_unique<ReviewMarks>(*document_)),
      states_(std::make_unique<FieldStates>(*document_)),
      status_(std::make_unique<TranslationStatus>(*document_)),
      checks_(std::make_unique<DocumentChecks>(*document_, checkSettings_)),
      history_(std::make_unique<DocumentHistory>(document_.get())),
      watcher_(watcher),
      name_(name)
{
    status_->SetReviewMarks(review_.get());
    status_->SetFieldStates(states_.get());
    connect(history_.get(), &DocumentHistory::ModifiedChanged, this,
            &DocumentSession::ModifiedChanged);
    connect(history_.get(), &DocumentHistory::ModifiedChanged, this,
            &DocumentSession::TitleChanged);
    if (watcher_)
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, &DocumentSession::Check);
    // The file as the document matched it, kept while there are edits a change on disk could
    // be merged with; a file already changed under the document is not that file.
    connect(history_.get(), &DocumentHistory::ModifiedChanged, this, [this](bool modified) {
        if (!modified || watched_.isEmpty() || !diskCopy_.isEmpty() ||
            FingerprintOf(watched_) != fingerprint_)
            return;
        if (QFile file(watched_); file.open(QIODevice::ReadOnly))
            diskCopy_ = file.readAll();
    });
}

DocumentSession::~DocumentSession()
{
    Unwatch();
    // The history lets go of the document before it is freed.
    history_.reset();
}

QUndoStack* DocumentSession::UndoStack() const
{
    return history_->Stack();
}

void DocumentSession::SetReference(std::shared_ptr<const EdtDocument> reference)
{
    // The status lets go of the old reference before it is freed.
    status_->SetReference(reference.get());
    checks_->SetReference(reference.get());
    groups_.reset();
    reference_ = std::move(reference);
    emit ReferenceChanged();
}

void DocumentSession::SetGlossary(std::vector<GlossaryTerm> terms)
{
    if (terms.empty() && checkSettings_.glossary.empty())
        return;
    checkSettings_.glossary = std::move(terms);
    checks_->GlossaryChanged();
}

const SourceGroups* DocumentSession::Groups() const
{
    if (!groups_ && reference_)
        groups_ = std::make_unique<SourceGroups>(*reference_);
    return groups_.get();
}

void DocumentSession::SetCheckChoices(CheckMask enabled, const QString& language,
                                      const Speller* speller, const CheckTuning& tuning)
{
    // The background spelling run reads the speller and the patterns.
    checks_->StopSpelling();
    checkSettings_.enabled = speller ? enabled : (enabled & ~Bit(Check::Spelling));
    checkSettings_.language = language;
    checkSettings_.speller = speller;
    checkSettings_.Tune(tuning);
    checks_->RecheckAll();
}

void DocumentSession::SetBoxes(const CheckSettings& boxes, const QString& file)
{
    checks_->StopSpelling();
    checkSettings_.boxes = boxes.boxes;
    checkSettings_.fileBoxes = boxes.fileBoxes;
    checks_->SetBoxFile(file, false);
}

void DocumentSession::SetName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    emit TitleChanged();
}

QString DocumentSession::Title() const
{
    return IsModified() ? QChar(kModifiedMark) + name_ : name_;
}

void DocumentSession::Watch()
{
    const QString path = document_->Path();
    if (!watcher_ || path.isEmpty() || !QFileInfo(path).isFile()) {
        Unwatch();
        return;
    }
    if (watched_ != path)
        Unwatch();
    watched_ = path;
    removed_ = false;
    fingerprint_ = FingerprintOf(path);
    diskCopy_.clear();
    // A replacing save gives the path a new file, which the watcher has to be told about.
    watcher_->removePath(path);
    watcher_->addPath(path);
}

void DocumentSession::Unwatch()
{
    if (watcher_ && !watched_.isEmpty())
        watcher_->removePath(watched_);
    watched_.clear();
    fingerprint_ = {};
}

void DocumentSession::Check(const QString& path)
{
    if (path != watched_)
        return;
    if (!QFileInfo(path).isFile()) {
        // Told once, however many events the removal brings.
        if (!removed_) {
            removed_ = true;
            emit FileRemoved();
        }
        return;
    }
    removed_ = false;
    // A file replaced by rename is a new one the watcher has dropped.
    if (!watcher_->files().contains(path))
        watcher_->addPath(path);
    const FileFingerprint now = FingerprintOf(path);
    if (now == fingerprint_)
        return;  // our own save, or only its time changed
    fingerprint_ = now;
    emit FileChanged();
}

bool DocumentSession::Reload(const EdtDocument& loaded)
{
    if (!history_->Reload(loaded))
        return false;
    Watch();
    return true;
}

}  // namespace scrivlet

namespace scrivlet {

bool DocumentSession::SetText(int record, int column, QStringView text, const QString& stepName)
{
    return history_->SetText(record, column, text, stepName);
}

bool DocumentSession::SetTexts(const TextPlan& plan, const QString& stepName)
{
    return history_->SetTexts(plan, stepName);
}

bool DocumentSession::AppendRecord()
{
    return history_->AppendRecord();
}

std::vector<std::pair<int, int>> DocumentSession::PropagationTargets(int record, int field) const
{
    const SourceGroups* groups = Groups();
    if (!groups)
        return {};
    return scrivlet::PropagationTargets(*groups, *document_, *reference_, record, field);
}

int DocumentSession::Propagate(int record, int field)
{
    const std::vector<std::pair<int, int>> targets = PropagationTargets(record, field);
    if (targets.empty())
        return 0;
    TextPlan plan;
    if (!plan.Add(targets.front().first, targets.front().second,
                  document_->FieldText(record, field)))
        return 0;
    for (size_t k = 1; k < targets.size(); ++k) {
        if (!plan.AddSame(targets[k].first, targets[k].second))
            return 0;
    }
    const int count = static_cast<int>(plan.Size());
    return SetTexts(plan, UiCount("count.propagateUndo", count)) ? count : 0;
}

bool DocumentSession::ConfirmReview(int record, int column)
{
    const int field = document_->FieldOfColumn(column);
    return field >= 0 && review_->Clear(record, field);
}

bool DocumentSession::SetStates(const std::vector<std::pair<int, int>>& fields, StoredState state,
                                const QString& stepName)
{
    std::vector<PlacedNote> before, after;
    for (const auto& [record, field] : fields) {
        if (record < 0 || record >= document_->RecordCount() || field < 0 ||
            field >= document_->TextFieldCount())
            return false;
        if (state != StoredState::NeedsWork && state != StoredState::None &&
            document_->FieldText(record, field).isEmpty())
            return false;
        const FieldNote* now = states_->At(record, field);
        FieldNote was = now ? *now : FieldNote{};
        FieldNote next = states_->Stamped(record, field, state, was.comment);
        // Translated by its text needs nothing stored.
        if (state == StoredState::Translated &&
            status_->State(record, field) != FieldState::SameAsReference &&
            !(now && now->state == StoredState::Translated))
            next = FieldNote{StoredState::None, 0, was.comment};
        if (state != StoredState::NeedsWork)
            review_->Clear(record, field);
        if (next == was)
            continue;
        before.push_back({record, field, was});
        after.push_back({record, field, next});
    }
    if (after.empty())
        return false;
    const int column = document_->TextColumn(after.front().field);
    history_->Stack()->push(new FieldNotesStep(document_.get(), states_.get(), std::move(before),
                                               std::move(after), column, stepName));
    return true;
}

bool DocumentSession::ToggleNeedsWork(const std::vector<std::pair<int, int>>& fields,
                                      const QString& stepName)
{
    const bool anyWithout = std::any_of(fields.begin(), fields.end(), [this](const auto& place) {
        return status_->State(place.first, place.second) != FieldState::NeedsWork;
    });
    return SetStates(fields, anyWithout ? StoredState::NeedsWork : StoredState::None, stepName);
}

bool DocumentSession::SetTextsWithNotes(const TextPlan& plan, const std::vector<PlacedNote>& notes,
                                        const QString& stepName)
{
    std::vector<PlacedNote> before, after;
    for (const PlacedNote& placed : notes) {
        if (placed.record < 0 || placed.record >= document_->RecordCount() || placed.field < 0 ||
            placed.field >= document_->TextFieldCount())
            continue;
        const FieldNote* now = states_->At(placed.record, placed.field);
        const FieldNote was = now ? *now : FieldNote{};
        if (was == placed.note)
            continue;
        before.push_back({placed.record, placed.field, was});
        after.push_back(placed);
    }
    if (after.empty())
        return SetTexts(plan, stepName);
    if (plan.IsEmpty()) {
        const int column = document_->TextColumn(after.front().field);
        history_->Stack()->push(new FieldNotesStep(
            document_.get(), states_.get(), std::move(before), std::move(after), column, stepName));
        return true;
    }
    // The notes follow the texts, so that each holds for the text it was given with.
    auto follow = [states = QPointer<FieldStates>(states_.get()), before = std::move(before),
                   after = std::move(after)](bool done) {
        if (!states)
            return;
        for (const PlacedNote& placed : done ? after : before)
            states->Set(placed.record, placed.field, placed.note);
    };
    return history_->SetTexts(plan, stepName, std::move(follow));
}

bool DocumentSession::SetComment(int record, int field, const QString& comment,
                                 const QString& stepName)
{
    if (record < 0 || record >= document_->RecordCount() || field < 0 ||
        field >= document_->TextFieldCount())
        return false;
    const FieldNote* now = states_->At(record, field);
    const FieldNote was = now ? *now : FieldNote{};
    FieldNote next = was;
    next.comment = comment;
    if (next == was)
        return false;
    history_->Stack()->push(new FieldNotesStep(document_.get(), states_.get(),
                                               {{record, field, was}}, {{record, field, next}},
                                               document_->TextColumn(field), stepName));
    return true;
}

bool DocumentSession::IsModified() const
{
    return history_->IsModified();
}

void DocumentSession::MarkChanged()
{
    history_->SetChangedOutside();
}

std::optional<MergeCounts> DocumentSession::MergeDiskChanges(const QString& stepName)
{
    const QString path = document_->Path();
    QFile file(path);
    if (diskCopy_.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray disk = file.readAll();
    file.close();
    // The base is read as the file is: through a file of its own, in the document's type.
    QTemporaryFile baseFile(QDir::temp().filePath(QStringLiteral("scrivlet-base-XXXXXX")));
    if (!baseFile.open() || baseFile.write(diskCopy_) != diskCopy_.size() || !baseFile.flush())
        return std::nullopt;
    const auto load = [&](const QString& from) {
        return LoadDocument(from, document_->GetFileType(), document_->GetEncoding(),
                            document_->Format(), document_->FormatIndex(), true)
            .document;
    };
    const std::unique_ptr<EdtDocument> base = load(baseFile.fileName()), theirs = load(path);
    DocumentMerge merge;
    if (!base || !theirs || !MergeDocuments(*base, *document_, *theirs, &merge))
        return std::nullopt;
    if (merge.counts.merged > 0 && !history_->Replace(*merge.output, stepName))
        return std::nullopt;
    Watch();
    diskCopy_ = disk;
    // Undone to its last save, the document is still not what the file now holds.
    history_->SetChangedOutside();
    return merge.counts;
}

void DocumentSession::MarkSaved()
{
    history_->SetSaved();
    Watch();
    // Before Saved: the project then clears the marks of exactly the edits just saved.
    review_->ForgetEdited();
    emit Saved();
}

}  // namespace scrivlet
