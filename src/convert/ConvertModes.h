#pragma once

#include "convert/ConvertSession.h"

// What the converter does with a document once it is loaded: one function per mode, here or in
// a file of modes of its own (CheckModes, UpdateModes). A new mode is an option
// (ConvertOptions) and one entry in the table of ConvertModes.cpp.

namespace scrivlet {
class FormatCatalogue;
}

namespace scrivlet::convert {

// Prints the catalogue as a JSON array.
void ListFormats(const FormatCatalogue& catalogue);

// Runs the mode the options ask for.
int RunMode(Session& session);

}  // namespace scrivlet::convert
