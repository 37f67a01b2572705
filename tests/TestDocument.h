#pragma once

#include "catalogue/FormatCatalogue.h"
#include "documents/DocumentPrompts.h"
#include "documents/EdtDocument.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>

// A document built from a layout and rows, as a reader builds it, and the prompts a test
// scripts. Rows hold the texts of the text fields only, in field order.

namespace scrivlet::test {

using Rows = QList<QStringList>;

class ScriptedPrompts : public DocumentPrompts {
public:
    explicit ScriptedPrompts(bool answer = false) : answer(answer) {}
    bool AskOpenInvalidSize(const QString&, qint64, qint64) override { return ++asked, answer; }
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

inline EdtFormat MakeFormat(int recordLength, std::initializer_list<FieldDef> fields)
{
    EdtFormat format;
    format.name = QStringLiteral("Test"), format.recordLength = recordLength;
    int k = 0;
    for (const FieldDef& field : fields)
        format.fields[k++] = field;
    return format;
}

// An unmodified document of the format holding rows; a row with fewer texts than the format
// has text fields leaves the rest empty.
inline std::unique_ptr<EdtDocument> MakeDocument(const EdtFormat& format, const Rows& rows,
                                                 int formatIndex = -1)
{
    auto document = std::make_unique<EdtDocument>(format, formatIndex);
    for (const QStringList& texts : rows) {
        for (int k = 0; k < document->TextFieldCount(); ++k)
            document->AddLoadedText(k < texts.size() ? texts[k] : QString());
        document->EndLoadedRecord();
    }
    return document;
}

inline Rows TextsOf(const EdtDocument& document)
{
    Rows rows;
    for (int record = 0; record < document.RecordCount(); ++record) {
        QStringList texts;
        for (int k = 0; k < document.TextFieldCount(); ++k)
            texts << document.FieldText(record, k).toString();
        rows << texts;
    }
    return rows;
}

}  // namespace scrivlet::test
