#include "store/FieldNotes.h"

#include "store/ProjectFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace scrivlet {
namespace {

const QString kFields = QStringLiteral("fields");
const QString kRecord = QStringLiteral("record");
const QString kField = QStringLiteral("field");
const QString kState = QStringLiteral("state");
// Hex: JSON numbers hold 53 bits, the hash has 64.
const QString kHash = QStringLiteral("hash");
const QString kComment = QStringLiteral("comment");

class ProjectNotes : public FieldNoteStore {
public:
    ProjectNotes(ProjectFile& project, const QString& file, bool withReview)
        : project_(project), file_(file), withReview_(withReview)
    {
    }
    Result Read(std::vector<PlacedNote>* notes) override
    {
        *notes = project_.FileNotes(file_, withReview_);
        return {};
    }
    Result Write(const std::vector<PlacedNote>& notes) override
    {
        return project_.ReplaceFileNotes(file_, notes, withReview_);
    }

private:
    ProjectFile& project_;
    QString file_;
    bool withReview_;
};

class SideFileNotes : public FieldNoteStore {
public:
    SideFileNotes(const QString& notesPath, bool removeWhenEmpty)
        : path_(notesPath), removeWhenEmpty_(removeWhenEmpty)
    {
    }
    Result Read(std::vector<PlacedNote>* notes) override;
    Result Write(const std::vector<PlacedNote>& notes) override;

private:
    QString path_;
    bool removeWhenEmpty_;
};

Result SideFileNotes::Read(std::vector<PlacedNote>* notes)
{
    notes->clear();
    QFile file(path_);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return Result::Failure(file.errorString());
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return Result::Failure(error.errorString());
    for (const QJsonValue entry : json.object().value(kFields).toArray()) {
        const QJsonObject o = entry.toObject();
        FieldNote note;
        note.state = StoredStateNamed(o.value(kState).toString()).value_or(StoredState::None);
        note.hash = static_cast<qint64>(o.value(kHash).toString().toULongLong(nullptr, 16));
        note.comment = o.value(kComment).toString();
        if (!note.IsEmpty())
            notes->push_back({o.value(kRecord).toInt(), o.value(kField).toInt(), note});
    }
    std::sort(notes->begin(), notes->end(), [](const PlacedNote& a, const PlacedNote& b) {
        return std::pair(a.record, a.field) < std::pair(b.record, b.field);
    });
    return {};
}

Result SideFileNotes::Write(const std::vector<PlacedNote>& notes)
{
    QJsonArray fields;
    for (const PlacedNote& placed : notes) {
        if (placed.note.IsEmpty())
            continue;
        QJsonObject o{{kRecord, placed.record}, {kField, placed.field}};
        if (placed.note.state != StoredState::None) {
            o.insert(kState, QLatin1String(StoredStateName(placed.note.state)));
            o.insert(kHash, QString::number(static_cast<quint64>(placed.note.hash), 16));
        }
        if (!placed.note.comment.isEmpty())
            o.insert(kComment, placed.note.comment);
        fields.append(o);
    }
    if (fields.isEmpty() && removeWhenEmpty_) {
        QFile file(path_);
        if (file.exists() && !file.remove())
            return Result::Failure(file.errorString());
        return {};
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return Result::Failure(file.errorString());
    file.write(QJsonDocument(QJsonObject{{kFields, fields}}).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return Result::Failure(file.errorString());
    return {};
}

}  // namespace

QString NotesFilePath(const QString& documentPath)
{
    return documentPath + kNotesSuffix;
}

std::unique_ptr<FieldNoteStore> NotesInProject(ProjectFile& project, const QString& file,
                                               bool withReview)
{
    return std::make_unique<ProjectNotes>(project, file, withReview);
}

std::unique_ptr<FieldNoteStore> NotesBesideFile(const QString& documentPath)
{
    return std::make_unique<SideFileNotes>(NotesFilePath(documentPath), true);
}

std::unique_ptr<FieldNoteStore> NotesFile(const QString& notesPath)
{
    return std::make_unique<SideFileNotes>(notesPath, false);
}

bool IsNotesFile(const QString& path)
{
    return path.endsWith(kNotesSuffix);
}

}  // namespace scrivlet
