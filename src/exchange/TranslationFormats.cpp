#include "exchange/Exchange.h"
#include "exchange/ExchangeFiles.h"

#include <QFileInfo>

// The registry of translation file formats: each one wraps its writer and reader.

namespace scrivlet {

namespace {

class PoFormat : public TranslationFileFormat {
public:
    QLatin1StringView Name() const override { return QLatin1StringView("po"); }
    QStringList Suffixes() const override { return {QStringLiteral("po")}; }
    Result Write(const exchange::OutFile& file, QFileDevice& device) const override
    {
        return exchange::WritePo(file, device);
    }
    Result Read(const QString& path, std::vector<TranslationEntry>* entries) const override
    {
        return exchange::ReadPo(path, entries);
    }
};

class XliffFormat : public TranslationFileFormat {
public:
    QLatin1StringView Name() const override { return QLatin1StringView("xliff"); }
    QStringList Suffixes() const override
    {
        return {QStringLiteral("xlf"), QStringLiteral("xliff")};
    }
    Result Write(const exchange::OutFile& file, QFileDevice& device) const override
    {
        return exchange::WriteXliff(file, device);
    }
    Result Read(const QString& path, std::vector<TranslationEntry>* entries) const override
    {
        return exchange::ReadXliff(path, entries);
    }
};

const PoFormat kPo;
const XliffFormat kXliff;
const TranslationFileFormat* const kFormats[] = {&kPo, &kXliff};

}  // namespace

std::span<const TranslationFileFormat* const> TranslationFileFormats()
{
    return kFormats;
}

const TranslationFileFormat& TranslationFormatForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const TranslationFileFormat* format : kFormats) {
        if (format->Suffixes().contains(suffix, Qt::CaseInsensitive))
            return *format;
    }
    // PO is the file every translation tool reads.
    return kPo;
}

const TranslationFileFormat* TranslationFormatNamed(QStringView name)
{
    for (const TranslationFileFormat* format : kFormats) {
        if (format->Name() == name)
            return format;
    }
    return nullptr;
}

}  // namespace scrivlet
