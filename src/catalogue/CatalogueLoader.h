#pragma once

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"

#include <QString>

// Fills a FormatCatalogue from a catalogue file: sections FORMAT<i> (keys name, path, width)
// and FORMAT<i>.COLUMN<j> (keys desc, width, type, dataoffset, datasize, label.<k>).

namespace scrivlet {

class IniFile;

// Reads "formats.<code>.ini" of the language from the executable's directory, or else from
// ../share/scrivlet/ beside it (an installed copy). On a missing file returns false and gives
// the bare file name ("formats.en.ini") for the caller's message.
bool LoadFormatCatalogue(FormatCatalogue& catalogue, UiLanguage language, QString* missingFileName);

// Reads a catalogue file at any path. False when it cannot be opened.
bool LoadFormatCatalogueFile(FormatCatalogue& catalogue, const QString& path);

// "formats.en.ini" and so on: named after the language code of the interface texts.
QString CatalogueFileName(UiLanguage language);

// The section that holds the format at index in a catalogue file ("FORMAT3"), and back (-1 for
// any other name). A format keeps its section in every language, unlike its name.
QString FormatSectionKey(int index);
int FormatIndexOfKey(const QString& key);

// Replaces the catalogue's formats with those of an already loaded file.
void ReadFormatCatalogue(FormatCatalogue& catalogue, const IniFile& ini);

}  // namespace scrivlet
