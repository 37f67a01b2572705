#pragma once

#include "documents/DocumentPrompts.h"
#include "catalogue/FormatCatalogue.h"
#include "grid/GridCell.h"
#include "grid/RecordGrid.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <initializer_list>

// Shared by the codec tests: formats built in code, scripted prompts, bytes of units, and the
// cell texts of a grid.

namespace scrivlet::test {

class ScriptedPrompts : public DocumentPrompts {
public:
    explicit ScriptedPrompts(bool answer = false) : answer(answer) {}
    bool AskOpenInvalidSize() override { return ++asked, answer; }
    void NotifyTextTooLong() override { ++notices; }

    bool answer;
    int asked = 0, notices = 0;
};

inline FieldDef LabelField(const QString& caption, QStringList labels = {})
{
    FieldDef field;
    field.caption = caption, field.width = -1, field.type = kLabelField;
    field.labels = std::move(labels);
    return field;
}

inline FieldDef TextField(const QString& caption, int offset, int size, int width = 120)
{
    FieldDef field;
    field.caption = caption, field.width = width, field.type = kTextField;
    field.offset = offset, field.size = size;
    return field;
}

inline EdtFormat MakeFormat(int recordLength, std::initializer_list<FieldDef> fields,
                            const QString& path = {})
{
    EdtFormat format;
    format.name = QStringLiteral("Test"), format.path = path, format.recordLength = recordLength;
    int k = 0;
    for (const FieldDef& field : fields)
        format.fields[k++] = field;
    return format;
}

// Replaces the global catalogue; answers the index of the first format.
inline int InstallFormats(std::initializer_list<EdtFormat> formats)
{
    GlobalCatalogue().Clear();
    for (const EdtFormat& format : formats)
        GlobalCatalogue().Append(format);
    return 0;
}

inline QByteArray Units(const QList<int>& units)
{
    QByteArray bytes;
    for (int unit : units)
        bytes.append(char(unit & 0xFF)).append(char((unit >> 8) & 0xFF));
    return bytes;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every record's cell texts, in column order; "<none>" for a missing cell.
inline QList<QStringList> RecordTexts(const RecordGrid& grid)
{
    QList<QStringList> rows;
    for (int row = 0; row < grid.RecordCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < grid.ColumnCount(); ++column) {
            QVariant value;
            GridCell* cell = grid.CellAt(row, column);
            texts << (cell && cell->GetValue(&value) ? value.toString() : QStringLiteral("<none>"));
        }
        rows << texts;
    }
    return rows;
}

// Appends records with the given texts for the text columns (label columns are left to the
// grid's own numbering through AppendNewRecord).
inline void FillTexts(RecordGrid& grid, const QList<QStringList>& rows)
{
    for (const QStringList& texts : rows) {
        const int row = grid.RecordCount();
        grid.AppendNewRecord();
        int next = 0;
        for (int column = 0; column < grid.ColumnCount() && next < texts.size(); ++column) {
            GridCell* cell = grid.CellAt(row, column);
            if (cell && cell->GetKind() == kCellKindText)
                cell->SetValue(texts[next++]);
        }
    }
}

}  // namespace scrivlet::test
