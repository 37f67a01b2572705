#pragma once

#include "catalogue/FormatCatalogue.h"
#include "documents/TextPlan.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// One open document: its format, where it lives, how it is stored, and the text of every text
// field of every record. Label columns are not stored: a view computes them from the format.
//
// The texts live in one contiguous UTF-16 arena with an (offset, length) slot per text field,
// so a million records cost three allocations instead of millions. An edit appends the new
// text to the arena and points the slot at it; the old text stays behind as garbage until the
// document is closed (edits are small next to a loaded file).

namespace scrivlet {

enum FileType : int {
    kFileTypeAll = 0,  // "all supported" in the file dialogs
    kFileTypeEdt = 1,
    kFileTypeText = 2,
};

class EdtDocument : public QObject {
    Q_OBJECT

public:
    // formatIndex is the format's place in the catalogue (-1 when it comes from elsewhere).
    explicit EdtDocument(const EdtFormat& format, int formatIndex = -1, QObject* parent = nullptr);
    ~EdtDocument() override;

    // --- properties ------------------------------------------------------------------------
    const EdtFormat& Format() const { return format_; }
    int FormatIndex() const { return formatIndex_; }
    QString Path() const { return path_; }
    void SetPath(const QString& path);
    int GetFileType() const { return fileType_; }
    void SetFileType(int fileType);
    int GetEncoding() const { return encoding_; }
    void SetEncoding(int encoding);

    // A copy of the texts and properties without parent or connections, for a writer on
    // another thread while this document goes on changing. Null when no memory is left.
    std::unique_ptr<EdtDocument> Snapshot() const;

    // --- layout ----------------------------------------------------------------------------
    // Columns are the format's fields up to the first empty caption.
    int ColumnCount() const { return static_cast<int>(slotOfColumn_.size()); }
    bool IsTextColumn(int column) const;
    // Number of text fields per record.
    int TextFieldCount() const { return textFields_; }
    // The column of the k-th text field.
    int TextColumn(int k) const { return textColumns_[k]; }
    // The text field (0..TextFieldCount() - 1) a column shows; -1 for a label column or one
    // outside the format.
    int FieldOfColumn(int column) const
    {
        return column >= 0 && column < ColumnCount() ? slotOfColumn_[column] : -1;
    }

    // --- texts -----------------------------------------------------------------------------
    int RecordCount() const { return records_; }
    // The text of a text field; empty for another column or a record outside the document.
    // The view is valid until the next change of the document.
    QStringView TextView(int record, int column) const;
    QString Text(int record, int column) const { return TextView(record, column).toString(); }
    // The same by text field (0..TextFieldCount() - 1) for a record inside the document,
    // without the checks: the file writers ask for every field of every record.
    QStringView FieldText(int record, int field) const
    {
        const Slot& slot = slots_[static_cast<size_t>(record) * textFields_ + field];
        return QStringView(arena_.get() + slot.start, slot.length);
    }
    // False (and nothing changes) when the cell is no text field or already holds text.
    bool SetText(int record, int column, QStringView text);
    // Empty records before record `at` (0..RecordCount()); false when no memory is left.
    bool InsertRecords(int at, int count);
    bool AppendRecord() { return InsertRecords(records_, 1); }
    // Removes records [at, at + count); false for a range outside the document.
    bool RemoveRecords(int at, int count);

    // --- for the edit history ---------------------------------------------------------------
    // A text the document holds. Texts are only ever added to the arena, never moved within it
    // or freed before the document goes, so a reference stays good for the document's life:
    // an undo step keeps a field's old and new text as two references instead of copies.
    struct TextRef {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    // A text field of a record (field 0..TextFieldCount() - 1) and a text for it.
    struct FieldEdit {
        int record = 0;
        int field = 0;
        TextRef text;
    };
    // Copies text into the document without giving it to any field; nullopt when no memory is
    // left.
    std::optional<TextRef> StoreText(QStringView text);
    // Copies a plan's texts into the document in one piece and gives back its entries as edits
    // of the document's fields, for ExchangeTexts; nullopt when no memory is left.
    std::optional<std::vector<FieldEdit>> StoreTexts(const TextPlan& plan);
    // A plan's texts put in place at once, without a history (the converter, a file changed on
    // disk); false, changing nothing, when no memory is left.
    bool ApplyPlan(const TextPlan& plan);
    // Gives each field its entry's text and leaves the field's previous text in the entry, so
    // that the same call again undoes it. Entries outside the document are passed over. Tells
    // by one TextChanged for a single entry, else by one TextsChanged.
    void ExchangeTexts(std::span<FieldEdit> entries);

    // --- for the file readers: records appended without signals --------------------------
    // Room for `records` records of `units` characters in all, so a big load does not regrow.
    bool ReserveForLoad(qsizetype records, qsizetype units);
    // Bytes a load of `records` records of `units` characters in all asks for at least.
    qint64 LoadBytes(qint64 records, qint64 units) const;
    // Room for `units` more characters: write them there, then AddLoadedText(units). Null
    // when no memory is left.
    char16_t* LoadSpace(qsizetype units);
    void AddLoadedText(qsizetype units);
    bool AddLoadedText(QStringView text);
    // Closes a record once each of its text fields has been added.
    void EndLoadedRecord() { ++records_; }

signals:
    void TextChanged(int record, int column);
    // Texts of records first..last changed at once.
    void TextsChanged(int first, int last);
    void RecordsInserted(int first, int last);
    void RecordsRemoved(int first, int last);
    // Path, file type or encoding changed.
    void PropertiesChanged();

private:
    struct Slot {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    struct ArenaDeleter {
        void operator()(char16_t* p) const { std::free(p); }
    };

    bool Grow(qsizetype units);
    bool Holds(TextRef ref) const;

    EdtFormat format_;
    int formatIndex_ = -1;
    QString path_;
    int fileType_ = kFileTypeEdt;
    int encoding_ = 0;

    std::vector<int> slotOfColumn_;  // per column: index of its text field, or -1
    std::vector<int> textColumns_;
    int textFields_ = 0;

    int records_ = 0;
    std::vector<Slot> slots_;  // record r, text field k: slots_[r * textFields_ + k]
    // Realloc'd rather than a std::vector: growing a big arena then moves pages instead of
    // copying them, and the arena is never zero-filled first.
    std::unique_ptr<char16_t, ArenaDeleter> arena_;
    qsizetype used_ = 0;
    qsizetype capacity_ = 0;
};

}  // namespace scrivlet
