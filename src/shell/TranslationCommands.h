#pragma once

class QWidget;

// Export Translations and Import Translations of the File menu, for one document.

namespace scrivlet {

class DialogHost;
class DocumentSession;
class EdtDocument;
class FieldStates;

// Asks for a PO or XLIFF file (the type by its extension, PO without one) and writes the
// document's texts there: with a reference the sources are its texts and the document's
// differing texts the translations, without one a template; with states, their needs work,
// approvals and comments go along where the format can carry them.
void ExportTranslationsCommand(DialogHost& host, QWidget* parent, const EdtDocument& document,
                               const EdtDocument* reference = nullptr,
                               const FieldStates* states = nullptr);

// Asks for a PO or XLIFF file and puts its translations into the document as one step of its
// history; asks whether to take fuzzy entries when there are any, and ends with a report.
void ImportTranslationsCommand(DialogHost& host, QWidget* parent, DocumentSession& session);

}  // namespace scrivlet
