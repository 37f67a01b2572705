#pragma once

#include <QString>

// Reading and writing a document: an .edt file (headerless fixed-size records of 16-bit
// units) or its .txt rendering (one line per text field, one group of lines per record).
// The format comes from the global catalogue by index; the grid holds the records.

namespace scrivlet {

class RecordGrid;
class DocumentPrompts;

// Fills an empty grid from the file at path. quiet fails a file whose size is no whole
// number of records without asking; prompts may be null (then nothing is asked and the
// answer is No). False when the file cannot be read, the format or encoding is unusable, or
// the size question is answered No. A failed load leaves a partly filled grid.
bool LoadDocument(RecordGrid& grid, const QString& path, int fileType, int encoding, int format,
                  bool quiet, DocumentPrompts* prompts = nullptr);

// Writes the grid to its own path, type, encoding and format, replacing the old file only
// once the new one is complete. On failure the old file and the modified flag are as before.
bool SaveDocument(RecordGrid& grid);

// Columns, font and the add-row of an empty document of a format; no records.
void NewDocument(RecordGrid& grid, int format);

// Takes path and encoding, the file type unless it is 0 and the format unless it is -1,
// then saves.
bool SaveDocumentAs(RecordGrid& grid, const QString& path, int fileType, int encoding, int format);

// The file type a path's extension stands for: ".edt" in any case is EDT, anything else text.
int FileTypeFromPath(const QString& path);

}  // namespace scrivlet
