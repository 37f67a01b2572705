#pragma once

#include "catalogue/FormatCatalogue.h"

#include <span>

// The record layout the core benchmarks generate their documents in: text fields of the given
// sizes laid end to end, after a label column when asked for.
inline scrivlet::EdtFormat BenchFormat(std::span<const int> fieldSizes, bool labelColumn)
{
    using namespace scrivlet;
    EdtFormat format;
    format.name = QStringLiteral("bench");
    size_t column = 0;
    if (labelColumn) {
        format.fields[column].caption = QStringLiteral("No");
        format.fields[column++].type = kLabelField;
    }
    int offset = 0;
    for (size_t k = 0; k < fieldSizes.size(); ++k, ++column) {
        FieldDef& field = format.fields[column];
        field.caption = QStringLiteral("Text %1").arg(k + 1);
        field.type = kTextField;
        field.size = fieldSizes[k];
        field.offset = offset;
        offset += field.size;
    }
    format.recordLength = offset;
    return format;
}
