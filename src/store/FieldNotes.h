#pragma once

#include "base/Result.h"
#include "translation/FieldStates.h"

#include <QString>

#include <memory>
#include <vector>

// Where the states and comments of a document's fields are kept: with the project for its
// files, beside the file ("name.edt.states", JSON) for one outside a project. The session and
// the converter see only this interface.

namespace scrivlet {

class ProjectFile;

class FieldNoteStore {
public:
    virtual ~FieldNoteStore() = default;
    // Every note, by record and field; none kept: empty.
    virtual Result Read(std::vector<PlacedNote>* notes) = 0;
    // Replaces them all in one step that a crash leaves done or undone.
    virtual Result Write(const std::vector<PlacedNote>& notes) = 0;
};

// The notes of file (relative path) in project, which must outlive the store; with review,
// its review marks are needs work (the editor holds them apart, as ReviewMarks).
std::unique_ptr<FieldNoteStore> NotesInProject(ProjectFile& project, const QString& file,
                                               bool withReview = true);
std::unique_ptr<FieldNoteStore> NotesBesideFile(const QString& documentPath);

// A notes file named by itself (git's merge driver gets the three versions under names of its
// own; with no notes it stays, empty, where the store beside a document removes it), and
// whether a path names one.
std::unique_ptr<FieldNoteStore> NotesFile(const QString& notesPath);
bool IsNotesFile(const QString& path);

inline constexpr QLatin1StringView kNotesSuffix(".states");
QString NotesFilePath(const QString& documentPath);

}  // namespace scrivlet
