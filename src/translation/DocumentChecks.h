#pragma once

#include "translation/Checks.h"

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QThreadPool>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The quality checks of a whole document: a mark per field with the checks it fails, counts
// per check, and each field's problems told in words on demand. The first run spreads over
// all cores; an edit re-checks only the fields it touched and the fields that share their
// reference text (the inconsistency group), found through an index of the reference's texts.
// Spelling, slower than all the rest together, runs over a big document in the background on
// a copy of its texts: its marks and counts arrive when that run ends. An edit spells its
// fields at once.

namespace scrivlet {

class ProjectTranslations;

// A problem the translator chose to ignore. It holds while the field's translation and
// reference still hash to what they were when it was ignored.
struct IgnoredProblem {
    int record = 0;
    int field = 0;
    Check check = Check::TooLong;
    quint64 hash = 0;
    bool operator==(const IgnoredProblem&) const = default;
};

// Stable across runs and builds (it is stored): the first 64 bits of SHA-1 over both texts.
quint64 IgnoreHash(QStringView text, QStringView reference);

class DocumentChecks : public QObject {
    Q_OBJECT

public:
    // document, the settings and the reference (when given) must outlive this object. Checks
    // every field now, and again as the document changes.
    DocumentChecks(const EdtDocument& document, const CheckSettings& settings,
                   const EdtDocument* reference = nullptr, QObject* parent = nullptr);
    ~DocumentChecks() override;

    const CheckSettings& Settings() const { return settings_; }
    const EdtDocument& Document() const { return document_; }
    // After the settings or the reference changed: checks everything again.
    void SetReference(const EdtDocument* reference);
    void RecheckAll();
    // After the settings' glossary changed: indexes it again and checks everything.
    void GlossaryChanged();
    // After the texts of records first..last changed.
    void Recheck(int firstRecord, int lastRecord);
    // The project's other files take part in each field's consistency: others (which must
    // outlive this object or be replaced first) as given by the files other than file; null
    // for the document alone. Checks everything again.
    void SetProjectTranslations(const ProjectTranslations* others, int file);
    // The document's path as the project names it, for the boxes of its own fields (the
    // settings' fileBoxes); checks everything again when one of them applies, unless the
    // caller is about to.
    void SetBoxFile(const QString& file, bool recheck = true);
    // The box the text field is drawn in; null for none.
    const FittedBox* BoxOf(int field) const
    {
        return field >= 0 && static_cast<size_t>(field) < boxOf_.size()
                   ? boxOf_[static_cast<size_t>(field)]
                   : nullptr;
    }
    // A field being typed in is checked with text in place of the document's until the edit
    // ends; the document and its history are left alone.
    void SetPendingText(int record, int field, const QString& text);
    void ClearPendingText();

    // Whether the background spelling run goes on, and how far it is (0-100).
    bool SpellingRunning() const { return spelling_ != nullptr; }
    int SpellingPercent() const;
    // Blocks until the run, if any, has ended and its results are in (for a caller without an
    // event loop).
    void WaitForSpelling();
    // Cancels the run, if any, and waits for its threads to let go of the speller and the
    // placeholders: to be called before either changes. The spelling marks stay as they are.
    void StopSpelling();
    // Documents of at most this many fields are spelled at once, on the calling thread.
    static constexpr size_t kSpellingInline = 2048;

    CheckMask Mask(int record, int field) const
    {
        return masks_[static_cast<size_t>(record) * fields_ + field];
    }
    // The ignored problems the field still has (hidden from Mask and the counts).
    CheckMask IgnoredMask(int record, int field) const
    {
        return ignoredMasks_.empty() ? 0
                                     : ignoredMasks_[static_cast<size_t>(record) * fields_ + field];
    }
    // Problems in all (each failed check of each field counts once), and per check; ignored
    // ones count in neither.
    qint64 Count() const;
    // Text fields of all records.
    size_t FieldCount() const { return masks_.size(); }
    qint64 IgnoredCount() const;
    qint64 CountOf(Check check) const { return counts_[static_cast<size_t>(check)]; }
    // The problems of a field, in check order, told in the interface language; the ignored
    // ones too when asked.
    std::vector<Problem> Details(int record, int field, bool withIgnored = false) const;
    // Every problem of the document in record, field and check order.
    void ForEachProblem(const std::function<void(const Problem&)>& each) const;

    // Replaces the ignored problems (a document just opened, a project's list); checks again
    // unless the caller is about to.
    void SetIgnored(const std::vector<IgnoredProblem>& ignored, bool recheck = true);
    // Every ignore, also those whose texts have changed since.
    std::vector<IgnoredProblem> Ignored() const;
    // Ignores a problem the field has now, or takes an ignore back; false when nothing changed.
    bool Ignore(int record, int field, Check check);
    // What an ignore of the field's problem holds for now (IgnoreHash of its texts).
    quint64 IgnoreHashAt(int record, int field) const;
    bool StopIgnoring(int record, int field, Check check);

signals:
    void ProblemsChanged();
    // A spelling run started, went on or ended (SpellingRunning, SpellingPercent).
    void SpellingProgress();
    // Ignore or StopIgnoring changed the list (not SetIgnored).
    void IgnoredChanged();

private:
    // Records first..last came: those added at the end beside no reference record are checked
    // alone; anything else moves fields against their references and groups, so all again.
    void RecordsInserted(int first, int last);
    FieldInput Input(size_t at) const;
    TextStorage Storage() const;
    std::vector<int> Index(const std::vector<size_t>& hashes);
    void CheckRange(size_t first, size_t last, std::vector<size_t>* hashes, CheckMask only);
    bool Eligible(size_t at) const;
    QStringView Text(size_t at) const;
    // Sets or clears the inconsistency of the group's fields; counted when asked.
    void JudgeGroup(int head, bool count);
    void Count(CheckMask mask, int sign);
    // The raw mask of a field less its ignored problems, noting those in ignoredMasks_.
    CheckMask Silence(size_t at, CheckMask raw);
    void StartSpelling();
    // StopSpelling without telling anyone (also from the destructor).
    void CancelSpelling();
    void ApplySpelling();
    CheckMask IgnoredAt(size_t at) const { return ignoredMasks_.empty() ? 0 : ignoredMasks_[at]; }
    // The checks that may run on the field at place at (start case is off for some fields).
    CheckMask FieldChecks(size_t at) const { return fieldChecks_[at % fields_]; }
    static quint64 Key(int record, int field)
    {
        return (static_cast<quint64>(static_cast<quint32>(record)) << 32) |
               static_cast<quint32>(field);
    }

    const EdtDocument& document_;
    const CheckSettings& settings_;
    const EdtDocument* reference_ = nullptr;
    const ProjectTranslations* others_ = nullptr;
    int file_ = -1;
    // The place of the field being typed in (npos for none) and its text.
    size_t pendingAt_ = static_cast<size_t>(-1);
    QString pendingText_;
    FieldChecker checker_;
    size_t fields_ = 0;
    std::vector<CheckMask> masks_;        // record r, field k: masks_[r * fields + k]
    std::vector<CheckMask> fieldChecks_;  // by text field
    std::vector<const FittedBox*> boxOf_;  // by text field
    QString boxFile_;
    std::array<qint64, kCheckCount> counts_{};
    // Fields sharing a non-empty reference text, chained in document order: the first field
    // of each one's group (-1 for none), and the next field of the group (-1 at the end).
    std::vector<int> groupOf_;
    std::vector<int> nextInGroup_;
    // Ignores by field (Key), with the hash each holds for; read by the pool's threads.
    QHash<quint64, std::vector<std::pair<Check, quint64>>> ignores_;
    std::vector<CheckMask> ignoredMasks_;  // empty while nothing is ignored

    // The background spelling run: its copy of the texts, the records edited since it began
    // (spelled at once, so its results for them are stale), and its cancel flag, which the
    // workers look at between fields.
    struct SpellingRun;
    std::unique_ptr<SpellingRun> spelling_;
    std::vector<std::pair<int, int>> editedDuringRun_;
    std::atomic<bool> stopSpelling_{false};
    QFutureWatcher<std::vector<size_t>> spellingWatcher_;
    // Our own threads rather than the global pool: a forked process inherits a pool whose
    // threads it does not have. Declared last, so it ends (waiting for its tasks) first.
    QThreadPool pool_;
};

}  // namespace scrivlet
