#pragma once

#include "base/Result.h"
#include "store/Sqlite.h"
#include "translation/Alignment.h"
#include "translation/DocumentChecks.h"
#include "translation/FieldStates.h"
#include "translation/TranslationCounts.h"

#include <QHash>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <span>
#include <vector>

// The project (*.scrivlet): what a team shares as text (the project file with its settings,
// format overrides and glossary; beside each translation the notes of its fields: the source a
// translation was made from, a review mark, a state, a comment, ignored problems, record ids),
// and an SQLite database in WAL mode beside it (*.scrivlet-cache) that holds all of it, a cache
// of every file's counts and the memory: built from the text when missing, and the text written
// anew from it after every change of a shared row (see ProjectText.h). A project of the kind
// that kept everything in the database is converted when opened. Paths in it are relative to
// the project file's folder (settings) or to the originals folder (files), always with '/'.

namespace scrivlet {

struct ProjectSettings {
    QString originals;     // folder, relative to the project file's folder
    QString translations;  // the same
    int originalEncoding = 0;
    int translationEncoding = 0;
};

// What is known about one original and its translation. The counts hold while both files
// still have the size, time and hash they had when counted, with the same format and
// encodings.
struct FileStamp {
    qint64 size = -1;     // -1: no such file
    qint64 modified = 0;  // ms since the epoch
    qint64 hash = 0;
    bool operator==(const FileStamp&) const = default;
};

struct CachedCounts {
    FileStamp original;
    FileStamp translation;
    qint64 layout = 0;         // the format's fingerprint and the encodings
    TranslationCounts counts;  // sourceChanged is not cached: the marks are counted live
};

// Per field of a translation: what the memory, the checks and the update work need, and what
// the translator and the reviewer said of it. A review mark is a needs-work state with its
// reason (and the old source); a state set by hand is kept with the hash of its text.
struct FieldMarks {
    QString source;                            // the original's text the translation was made from
    ReviewReason review = ReviewReason::None;  // why the field waits for the translator
    QString note;                              // the translator's comment
    StoredState state = StoredState::None;
    qint64 stateHash = 0;
    bool operator==(const FieldMarks&) const = default;
    // The state and comment; with review, a review mark needs work.
    FieldNote Note(bool withReview = true) const;
};

// The lasting names of a file's records, which the exports give their entries: ids[i] names the
// original's record i, and next is the first id never given in this file. An update of the
// originals carries each record's id to its new place and gives new records new ones. A file
// never updated has no ids stored and names its records by their positions.
struct RecordIds {
    std::vector<qint32> ids;
    qint64 next = 0;
    bool operator==(const RecordIds&) const = default;

    // The id of every record of an original of count records: the stored ones, then (an
    // original that grew other than through an update) ids never given, in order.
    std::vector<qint32> Of(int count) const;
    // The ids after an update that put new record j where old record fromOld[j] was (-1: new)
    // in an original that had oldCount records: kept ids stay, new records get new ones.
    RecordIds Carried(const std::vector<int>& fromOld, int oldCount) const;
};

class ProjectFile {
public:
    // The schema this build writes; older files are migrated step by step when opened.
    static constexpr int kSchemaVersion = 9;

    // Makes a new project file (failing when path exists) with these settings.
    Result Create(const QString& path, const ProjectSettings& settings);
    // Opens an existing one, migrating an older schema; a newer one, or another program's
    // database, is refused before anything is written to it. An update of the originals that
    // was cut short is finished or rolled back (see PendingNote).
    Result Open(const QString& path);
    // What Open did with an interrupted update of the originals; empty when there was none.
    const QString& PendingNote() const { return pendingNote_; }

    const QString& Path() const { return path_; }
    // The database beside the project file.
    QString CachePath() const;
    // Writes the text of every project or file whose shared rows changed since it was last
    // written; a no-op inside a transaction (the commit is not made yet). The writers here call
    // it; a part of the store that changes shared rows through Database() calls it after.
    Result Publish();
    const ProjectSettings& Settings() const { return settings_; }
    // The settings' folders made absolute.
    QString OriginalsDir() const;
    QString TranslationsDir() const;
    int SchemaVersion();

    // A format chosen for one file (relative path), overriding detection; -1 removes it.
    Result SetFormatOverride(const QString& file, int format);
    QHash<QString, int> FormatOverrides();

    // Every cached row, by relative path of the original.
    QHash<QString, CachedCounts> Cache();
    // Replaces the cache with these rows in one transaction: files gone from the folders go.
    Result StoreCache(const QHash<QString, CachedCounts>& rows);

    Result SetFieldMarks(const QString& file, int record, int field, const FieldMarks& marks);
    // Nullopt when nothing was set for the field.
    std::optional<FieldMarks> Marks(const QString& file, int record, int field);
    struct PlacedMarks {
        int record = 0, field = 0;
        FieldMarks marks;
    };
    // Every field's marks of one file, by record and field.
    std::vector<PlacedMarks> FileMarks(const QString& file);
    // Replaces them in one transaction.
    Result ReplaceFileMarks(const QString& file, const std::vector<PlacedMarks>& rows);
    // The states and comments of one file's fields, by record and field; with review, a review
    // mark reads as needs work (the editor keeps review marks apart).
    std::vector<PlacedNote> FileNotes(const QString& file, bool withReview = true);
    // Replaces the states and comments of one file's fields in one transaction, keeping their
    // sources; with review, a field given no needs work loses its review mark. The file's
    // cached counts go.
    Result ReplaceFileNotes(const QString& file, const std::vector<PlacedNote>& notes,
                            bool withReview = true);
    // The record ids of one file (relative path); none stored: empty, next 0.
    RecordIds FileRecordIds(const QString& file);
    Result SetFileRecordIds(const QString& file, const RecordIds& ids);
    // Takes the review mark off these fields only, each now following source, and leaves every
    // other field's marks as the file holds them, whoever wrote them: for a save that must not
    // undo what another program (the converter's update) marked meanwhile.
    struct ReviewedField {
        int record = 0, field = 0;
        QString source;
    };
    Result ClearReviewMarks(const QString& file, std::span<const ReviewedField> fields);
    // Whether another connection (another program, or another ProjectFile) committed a change
    // to the project since the last call; the first call only starts watching.
    bool ChangedElsewhere();
    // Reads the settings again, as another program may have changed them (an update of the
    // originals points the project at another folder); a failure keeps those read before.
    Result ReadSettingsAgain();
    // A value of the settings table beyond the folders and encodings (the checks' choices);
    // null when none is stored. A null value removes the key.
    QString Value(const QString& key);
    Result SetValue(const QString& key, const QString& value);

    // The problems ignored in one file (relative path), and their replacement in one
    // transaction.
    std::vector<IgnoredProblem> IgnoredProblems(const QString& file);
    Result ReplaceIgnoredProblems(const QString& file, const std::vector<IgnoredProblem>& rows);

    // Links among the translations (relative paths) that may lead outside their folder: the
    // project's word that writing through them is meant. AllowOutsideLink names one more.
    const QStringList& OutsideLinks() const { return outsideLinks_; }
    Result AllowOutsideLink(const QString& link);

    // Points the project at another originals folder (absolute, or relative to the project
    // file's folder).
    Result SetOriginalsDir(const QString& dir);
    // For the store's other parts that keep tables in the project (the glossary).
    sql::Database& Database() { return db_; }

    // An update of the originals as one transaction across files: BeginUpdate (one at a time
    // per project), each new translation written to StagedPath beside its file and recorded
    // with its marks and record ids by StageUpdate (a file without a translation by
    // StageRecordIds alone), then SwitchUpdate: the project takes the new originals, the marks
    // and the ids in one commit, and the staged files replace the translations.
    // AbandonUpdate removes what was staged.
    static QString StagedPath(const QString& translation);
    Result BeginUpdate();
    Result StageUpdate(const QString& file, const std::vector<PlacedMarks>& marks,
                       const RecordIds& ids);
    Result StageRecordIds(const QString& file, const RecordIds& ids);
    Result SwitchUpdate(const QString& originals);
    void AbandonUpdate();

private:
    Result Build(const QString& part, const ProjectSettings& settings);
    static Result Configure(sql::Database& db);
    Result OpenDatabase(const QString& file);
    Result OpenCache();
    Result ConvertDatabase();
    Result ReadText();
    Result Published(Result done) { return done ? Publish() : done; }
    Result CheckKnown();
    Result Step(int version, const char* sql);
    Result Migrate();
    Result ReadSettings();
    Result WriteSettings(const ProjectSettings& settings);
    ProjectSettings SettingsWithOriginals(const QString& dir) const;
    QString UpdateLockPath() const;
    Result RenameStaged();
    Result ClearPending(const QString& state);
    void RemoveStaged();
    Result FinishPendingUpdate();

    sql::Database db_;
    QString path_;
    ProjectSettings settings_;
    QStringList outsideLinks_;
    QString pendingNote_;
    std::unique_ptr<QLockFile> updateLock_;
    qint64 dataVersion_ = -1;
};

}  // namespace scrivlet
