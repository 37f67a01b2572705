#pragma once

#include "translation/Checks.h"
#include "translation/DocumentMerge.h"
#include "translation/FieldStates.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QFileSystemWatcher;
class QUndoStack;

// One open document and everything that belongs to it alone: the document, the reference it
// is compared with and the translation status over both, its edit history, the name of its
// recovery copy and the watch on its file. The frame makes one when a document opens; the tab
// and the grid view are given it and never own any of it.

namespace scrivlet {

class DocumentChecks;
class DocumentHistory;
class EdtDocument;
class FieldStates;
class ReviewMarks;
class SourceGroups;
class TextPlan;
class TranslationStatus;

// The modified mark in front of a title.
constexpr char16_t kModifiedMark = u'\u2022';

// What identifies a file's contents cheaply enough to keep for every open document: a change
// of its time alone (a touch, a backup tool) is no change.
struct FileFingerprint {
    qint64 size = -1;
    QByteArray hash;
    bool operator==(const FileFingerprint&) const = default;
};

// The fingerprint of the file at path now; size -1 when it cannot be read.
FileFingerprint FingerprintOf(const QString& path);

class DocumentSession : public QObject {
    Q_OBJECT

public:
    // watcher is the frame's, shared by every session, and may be null (nothing is watched).
    DocumentSession(std::unique_ptr<EdtDocument> document, const QString& name,
                    QFileSystemWatcher* watcher, QObject* parent = nullptr);
    ~DocumentSession() override;

    EdtDocument* Document() const { return document_.get(); }
    // The read-only document the translation is compared with; null for none.
    const EdtDocument* Reference() const { return reference_.get(); }
    // Shared, so that an undo step can give an earlier reference back.
    std::shared_ptr<const EdtDocument> SharedReference() const { return reference_; }
    void SetReference(std::shared_ptr<const EdtDocument> reference);
    // The reference's fields grouped by text, indexed on first use; null without a reference.
    const SourceGroups* Groups() const;
    TranslationStatus* Status() const { return status_.get(); }
    // The quality checks over the document and its reference.
    DocumentChecks* Checks() const { return checks_.get(); }
    // The checks' choices: which run, the translation's language and its speller (which must
    // outlive the session or be replaced first), the project's patterns (invalid ones are left
    // out) and its other choices. The checks run again at once.
    void SetCheckChoices(CheckMask enabled, const QString& language, const Speller* speller,
                         const CheckTuning& tuning);
    const CheckSettings& CheckChoices() const { return checkSettings_; }
    // The game's text boxes (those of boxes' settings) and the document's name in the project
    // for its own; they count from the next SetCheckChoices on.
    void SetBoxes(const CheckSettings& boxes, const QString& file);
    // The fields waiting for review since the original changed.
    ReviewMarks* Review() const { return review_.get(); }
    // The states and comments set on the fields (needs work, approved, a confirmed name).
    FieldStates* States() const { return states_.get(); }
    // The terms of the glossary check (the project's, for a document of the open project);
    // everything is checked again.
    void SetGlossary(std::vector<GlossaryTerm> terms);
    DocumentHistory* History() const { return history_.get(); }
    QUndoStack* UndoStack() const;

    // --- changing the texts: each a step of the history ----------------------------------
    // One field's text (column is the document's); false when nothing changed.
    bool SetText(int record, int column, QStringView text, const QString& stepName);
    // A planner's texts; false when the plan is empty or no memory is left.
    bool SetTexts(const TextPlan& plan, const QString& stepName);
    // An empty record at the end (the grid's add-row).
    bool AppendRecord();
    // The fields with the same original as (record, field) that are untranslated and that its
    // translation fits; none without a reference or when the field itself is untranslated.
    std::vector<std::pair<int, int>> PropagationTargets(int record, int field) const;
    // The translation of (record, field) given to each of its PropagationTargets, as one step;
    // how many fields took it.
    int Propagate(int record, int field);
    // The review mark of (record, document column) taken away; false when it has none.
    bool ConfirmReview(int record, int column);
    // --- states and comments: each a step of the history that changes no file ------------
    // The fields (record, text field) given state on their present texts, their comments
    // kept; a review mark of a field given another state than needs work is settled too.
    // False when nothing changes or a field is empty and given translated or approved.
    bool SetStates(const std::vector<std::pair<int, int>>& fields, StoredState state,
                   const QString& stepName);
    // Needs work on the fields where any lacks it, else off (translated by their texts).
    bool ToggleNeedsWork(const std::vector<std::pair<int, int>>& fields, const QString& stepName);
    bool SetComment(int record, int field, const QString& comment, const QString& stepName);
    // A planner's texts with the notes that go with them (an import's states and comments, the
    // needs work of a guess; an empty note takes a field's away) as one step; false when
    // nothing changes or no memory is left. The notes are on the texts the fields have after.
    bool SetTextsWithNotes(const TextPlan& plan, const std::vector<PlacedNote>& notes,
                           const QString& stepName);

    // --- modified ----------------------------------------------------------------------------
    // Whether the document differs from its file (the history's clean state, or a change no
    // step covers).
    bool IsModified() const;
    // The document differs from its file in a way no step covers (new, restored from a
    // recovery copy, read with bytes left out, its file removed); only a save clears it.
    void MarkChanged();
    // The document was written to its file by the user's Save, Save As or Save All As: it is
    // unmodified, its file is followed anew, the review marks of edits just saved are
    // forgotten, and Saved is told.
    void MarkSaved();

    // A file name or "New", without the modified mark.
    QString Name() const { return name_; }
    void SetName(const QString& name);
    // The name, after the modified mark while the document has unsaved changes.
    QString Title() const;

    // The recovery copy this document writes to; empty until the recovery writer names one.
    QString RecoveryId() const { return recoveryId_; }
    void SetRecoveryId(const QString& id) { recoveryId_ = id; }

    // Takes the file at the document's path as it is now (just read or written) and follows
    // it; a document without a file is not watched.
    void Watch();
    void Unwatch();
    // Takes loaded's texts as one step of the history, which leaves the document unmodified:
    // undoing it brings back what the user had. The document keeps its tab, reference and
    // status.
    bool Reload(const EdtDocument& loaded);
    // The bytes the file had when the document last matched it (read as the first edit after
    // a load or a save comes, so that an open document costs no copy); empty when unknown.
    const QByteArray& DiskCopy() const { return diskCopy_; }
    // Another program changed the file of the edited document (a pull, say): the file's
    // changes merged into the edits field by field, against DiskCopy, as one step named
    // stepName; a field both changed keeps the document's text. The document stays modified
    // until saved, whatever is undone. Nullopt, with nothing changed, where the file as the
    // document matched it is unknown or a version does not read.
    std::optional<MergeCounts> MergeDiskChanges(const QString& stepName);

signals:
    void TitleChanged();
    void ModifiedChanged(bool modified);
    void ReferenceChanged();
    // Another program changed the file's bytes, or removed it (sent once until it is back).
    void FileChanged();
    void FileRemoved();
    // The document was written to its file by the user's Save, Save As or Save All As.
    void Saved();

private:
    void Check(const QString& path);

    CheckSettings checkSettings_;
    std::unique_ptr<EdtDocument> document_;
    std::shared_ptr<const EdtDocument> reference_;
    mutable std::unique_ptr<SourceGroups> groups_;  // goes before the reference it points into
    std::unique_ptr<ReviewMarks> review_;           // goes after the status that reads it
    std::unique_ptr<FieldStates> states_;           // as the review marks
    std::unique_ptr<TranslationStatus> status_;     // goes before the documents it reads
    std::unique_ptr<DocumentChecks> checks_;        // as the status
    std::unique_ptr<DocumentHistory> history_;
    QFileSystemWatcher* watcher_;
    QString watched_;  // the path followed, empty for none
    FileFingerprint fingerprint_;
    QByteArray diskCopy_;
    bool removed_ = false;  // FileRemoved was sent for the file now missing
    QString name_;
    QString recoveryId_;
};

}  // namespace scrivlet
