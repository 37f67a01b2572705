#pragma once

#include "documents/EdtDocument.h"

#include <QList>
#include <QStringList>

#include <initializer_list>
#include <memory>

// A document built from a layout and rows, as a file reader would leave it.

namespace scrivlet::test {

// A label field (size 0) or a text field of size units; width -1 is the view's default.
inline FieldDef Field(const QString& caption, int type, int size = 0, int width = -1,
                      const QStringList& labels = {})
{
    FieldDef field;
    field.caption = caption, field.type = type, field.size = size, field.width = width;
    field.labels = labels;
    return field;
}

inline EdtFormat Layout(std::initializer_list<FieldDef> fields)
{
    EdtFormat format;
    format.name = QStringLiteral("test");
    int k = 0;
    for (const FieldDef& field : fields) {
        format.fields[k++] = field;
        format.recordLength += field.size;
    }
    return format;
}

// rows[r] holds the texts of record r's text fields in order (missing ones are empty). The
// document is not modified.
inline std::unique_ptr<EdtDocument> MakeDocument(const EdtFormat& layout,
                                                 const QList<QStringList>& rows)
{
    auto document = std::make_unique<EdtDocument>(layout);
    for (const QStringList& texts : rows) {
        for (int k = 0; k < document->TextFieldCount(); ++k)
            document->AddLoadedText(k < texts.size() ? QStringView(texts[k]) : QStringView());
        document->EndLoadedRecord();
    }
    return document;
}

}  // namespace scrivlet::test
