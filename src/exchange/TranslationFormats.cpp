#include "exchange/Exchange.h"
#include "exchange/ExchangeFiles.h"

#include <QFileInfo>

// The registry of translation file formats: each one wraps its writer and reader.

namespace scrivlet {

namespace {

// A document a file; the field's size only in the note's words; the fuzzy flag as its state.
class PoFormat : public TranslationFileFormat {
public:
    QLatin1StringView Name() const override { return QLatin1StringView("po"); }
    QStringList Suffixes() const override { return {QStringLiteral("po")}; }
    Capabilities Abilities() const override { return Notes | States; }
    Result Write(const exchange::OutFile& file, QFileDevice& device) const override
    {
        return exchange::WritePo(file, device);
    }
    std::unique_ptr<exchange::PartWriter> StartBundle(QFileDevice*) const override
    {
        return nullptr;
    }
    Result Read(const QString& path, std::vector<TranslationEntry>* entries,
                std::vector<BundlePart>*) const override
    {
        return exchange::ReadPo(path, entries);
    }
};

// A <file> a document; maxwidth, <note>, and state and approved on each unit.
class XliffFormat : public TranslationFileFormat {
public:
    QLatin1StringView Name() const override { return QLatin1StringView("xliff"); }
    QStringList Suffixes() const override
    {
        return {QStringLiteral("xlf"), QStringLiteral("xliff")};
    }
    Capabilities Abilities() const override
    {
        return Bundle | Notes | States | SizeLimits | XmlText;
    }
    Result Write(const exchange::OutFile& file, QFileDevice& device) const override
    {
        return exchange::WriteXliff(file, device);
    }
    std::unique_ptr<exchange::PartWriter> StartBundle(QFileDevice* device) const override
    {
        return std::make_unique<exchange::XliffWriter>(device);
    }
    Result Read(const QString& path, std::vector<TranslationEntry>* entries,
                std::vector<BundlePart>* parts) const override
    {
        return exchange::ReadXliff(path, entries, parts);
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
