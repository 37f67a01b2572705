#include "convert/StateModes.h"

#include "base/UiText.h"
#include "convert/ConvertSession.h"
#include "documents/EdtDocument.h"
#include "store/FieldNotes.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"
#include "translation/FieldStates.h"
#include "translation/TranslationStatus.h"

#include <QDir>

#include <algorithm>

namespace scrivlet::convert {
namespace {

QString StateName(FieldState state)
{
    switch (state) {
        case FieldState::NeedsWork:
            return QStringLiteral("needs_work");
        case FieldState::Approved:
            return QStringLiteral("approved");
        case FieldState::Translated:
            return QStringLiteral("translated");
        case FieldState::Empty:
        case FieldState::SameAsReference:
            break;
    }
    return QStringLiteral("not_translated");
}

QString StateLine(const QString& file, int record, int field, const QString& state,
                  const QString& comment)
{
    QString line = QStringLiteral("{\"file\": %1, \"record\": %2, \"field\": %3, \"state\": \"%4\"")
                       .arg(QString::fromUtf8(JsonString(file)))
                       .arg(record)
                       .arg(field)
                       .arg(state);
    if (!comment.isEmpty())
        line += QStringLiteral(", \"comment\": ") + QString::fromUtf8(JsonString(comment));
    return line + QStringLiteral("}\n");
}

// The notes as the document's texts make them now: an approval of another text reads as
// translated.
QString StateLines(const QString& file, const EdtDocument& document, const EdtDocument* reference,
                   const std::vector<PlacedNote>& notes)
{
    FieldStates states(document);
    states.Restore(notes);
    TranslationStatus status(document);
    status.SetReference(reference);
    status.SetFieldStates(&states);
    QString out;
    for (const PlacedNote& placed : states.All())
        out += StateLine(file, placed.record, placed.field,
                         StateName(status.State(placed.record, placed.field)), placed.note.comment);
    return out;
}

// The request put into notes (kept in record and field order).
Result Apply(const EdtDocument& document, const EdtDocument* reference, const QString& file,
             const StateRequest& request, std::vector<PlacedNote>* notes)
{
    if (request.record >= document.RecordCount())
        return Result::Failure(
            UiText("states.noRecord").arg(request.record).arg(file).arg(document.RecordCount()));
    if (request.field >= document.TextFieldCount())
        return Result::Failure(
            UiText("states.noField").arg(request.field).arg(file).arg(document.TextFieldCount()));
    const QStringView text = document.FieldText(request.record, request.field);
    const StoredState state = *StoredStateNamed(request.state);
    if (text.isEmpty() && state != StoredState::NeedsWork)
        return Result::Failure(UiText("states.emptyField").arg(request.record).arg(request.field));
    const auto at =
        std::lower_bound(notes->begin(), notes->end(), std::pair(request.record, request.field),
                         [](const PlacedNote& p, std::pair<int, int> place) {
                             return std::pair(p.record, p.field) < place;
                         });
    const bool found =
        at != notes->end() && at->record == request.record && at->field == request.field;
    FieldNote note{state, StateHash(text), found ? at->note.comment : QString()};
    if (request.comment)
        note.comment = *request.comment;
    // Translated is stored only where the text alone would not say it.
    const bool sameAsOriginal = reference && request.record < reference->RecordCount() &&
                                reference->FieldText(request.record, request.field) == text;
    if (state == StoredState::Translated && !sameAsOriginal)
        note.state = StoredState::None, note.hash = 0;
    if (note.IsEmpty()) {
        if (found)
            notes->erase(at);
    } else if (found) {
        at->note = note;
    } else {
        notes->insert(at, PlacedNote{request.record, request.field, note});
    }
    return {};
}

QString Relative(const QString& file)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(file));
}

const ProjectEntry* EntryOf(const ProjectListing& listing, const QString& file)
{
    for (const ProjectEntry& entry : listing.entries) {
        if (entry.hasOriginal && entry.path == file)
            return &entry;
    }
    return nullptr;
}

}  // namespace

int ListProjectStates(ProjectFile& project, const FormatCatalogue& catalogue,
                      const ProjectListing& listing, const QString& file)
{
    const QString only = file.isEmpty() ? QString() : Relative(file);
    if (!only.isEmpty() && !EntryOf(listing, only))
        return Failed(UiText("project.noSuchOriginal").arg(only));
    int failed = 0;
    for (const ProjectEntry& entry : listing.entries) {
        if (!entry.hasOriginal || (!only.isEmpty() && entry.path != only))
            continue;
        const std::vector<PlacedNote> notes = project.FileNotes(entry.path);
        if (notes.empty())
            continue;
        LoadedPair pair;
        if (Result loaded = LoadPair(project, catalogue, entry, &pair); !loaded) {
            Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(loaded.Error()));
            ++failed;
            continue;
        }
        Print(stdout, StateLines(entry.path, *pair.translation, pair.original.get(), notes));
    }
    return failed ? kExitFailed : kExitOk;
}

int SetProjectState(ProjectFile& project, const FormatCatalogue& catalogue,
                    const ProjectListing& listing, const QString& file, const StateRequest& request)
{
    const QString path = Relative(file);
    const ProjectEntry* entry = EntryOf(listing, path);
    if (!entry)
        return Failed(UiText("project.noSuchOriginal").arg(path));
    LoadedPair pair;
    if (Result loaded = LoadPair(project, catalogue, *entry, &pair); !loaded)
        return Failed(loaded.Error());
    std::vector<PlacedNote> notes = project.FileNotes(path);
    if (Result applied = Apply(*pair.translation, pair.original.get(), path, request, &notes);
        !applied)
        return Failed(applied.Error());
    if (Result written = NotesInProject(project, path)->Write(notes); !written)
        return Failed(UiText("project.cannotWrite").arg(project.Path(), written.Error()));
    Print(stdout, StateLine(path, request.record, request.field, request.state, {}));
    return kExitOk;
}

int ListFileStates(const EdtDocument& document, const EdtDocument* reference, const QString& path)
{
    std::vector<PlacedNote> notes;
    if (Result read = NotesBesideFile(path)->Read(&notes); !read)
        return Failed("error.openFailed", NotesFilePath(path), read.Error());
    Print(stdout, StateLines(path, document, reference, notes));
    return kExitOk;
}

int SetFileState(const EdtDocument& document, const EdtDocument* reference, const QString& path,
                 const StateRequest& request)
{
    const std::unique_ptr<FieldNoteStore> store = NotesBesideFile(path);
    std::vector<PlacedNote> notes;
    if (Result read = store->Read(&notes); !read)
        return Failed("error.openFailed", NotesFilePath(path), read.Error());
    if (Result applied = Apply(document, reference, path, request, &notes); !applied)
        return Failed(applied.Error());
    if (Result written = store->Write(notes); !written)
        return Failed("error.saveFailed", NotesFilePath(path), written.Error());
    Print(stdout, StateLine(path, request.record, request.field, request.state, {}));
    return kExitOk;
}

}  // namespace scrivlet::convert
