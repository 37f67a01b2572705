// XLIFF 1.2 through Qt's XML stream reader and writer.

#include "base/UiText.h"
#include "exchange/ExchangeFiles.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace scrivlet::exchange {

namespace {

const QString kNamespace = QStringLiteral("urn:oasis:names:tc:xliff:document:1.2");

// A text element whose carriage returns survive: the writer leaves them raw, and a reader turns
// a raw one into a line feed.
void WriteText(QXmlStreamWriter& xml, const QString& name, QStringView text)
{
    xml.writeStartElement(kNamespace, name);
    for (qsizetype start = 0;;) {
        const qsizetype cr = text.indexOf(u'\r', start);
        // The writer takes a QString; one over the document's own characters copies nothing.
        const QStringView piece = text.mid(start, cr < 0 ? -1 : cr - start);
        xml.writeCharacters(QString::fromRawData(piece.data(), piece.size()));
        if (cr < 0)
            break;
        xml.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    xml.writeEndElement();
}

// The first character XML 1.0 cannot hold (controls other than tab and line breaks, lone
// surrogates, U+FFFE and U+FFFF), or -1. Qt's writer refuses them without saying which.
qsizetype FirstNonXml(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || QChar::isSurrogate(c) ||
            c == 0xFFFE || c == 0xFFFF)
            return i;
    }
    return -1;
}

// A target in one of these states is a draft, as a fuzzy PO entry is: new, needs-translation,
// needs-adaptation, needs-l10n and the needs-review ones. translated, final, signed-off, no
// state and a tool's own "x-" states are translations.
bool NeedsReview(QStringView state)
{
    return state == QLatin1String("new") || state.startsWith(QLatin1String("needs-"));
}

}  // namespace

static Result CheckXmlTexts(const OutFile& out)
{
    for (const OutEntry& entry : out.entries) {
        for (const QStringView text : {entry.source, entry.target}) {
            if (const qsizetype at = FirstNonXml(text); at >= 0) {
                return Result::Failure(UiText("xchg.xmlChar")
                                           .arg(entry.record)
                                           .arg(entry.field)
                                           .arg(QString::number(text[at].unicode(), 16)
                                                    .toUpper()
                                                    .rightJustified(4, u'0')));
            }
        }
    }
    return {};
}

XliffWriter::XliffWriter(QIODevice* device) : xml_(device)
{
    xml_.setAutoFormatting(true);
    xml_.writeStartDocument();
    xml_.writeDefaultNamespace(kNamespace);
    xml_.writeStartElement(kNamespace, QStringLiteral("xliff"));
    xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.2"));
}

Result XliffWriter::Add(const OutFile& out)
{
    if (Result usable = CheckXmlTexts(out); !usable)
        return usable;
    QXmlStreamWriter& xml = xml_;
    xml.writeStartElement(kNamespace, QStringLiteral("file"));
    xml.writeAttribute(QStringLiteral("original"), out.fileName);
    xml.writeAttribute(QStringLiteral("source-language"), out.sourceLanguage);
    xml.writeAttribute(QStringLiteral("target-language"), out.targetLanguage);
    xml.writeAttribute(QStringLiteral("datatype"), QStringLiteral("plaintext"));
    xml.writeStartElement(kNamespace, QStringLiteral("body"));
    std::vector<QString> sizes;
    for (const OutField& field : out.fields)
        sizes.push_back(QString::number(field.size));
    for (const OutEntry& entry : out.entries) {
        xml.writeStartElement(kNamespace, QStringLiteral("trans-unit"));
        xml.writeAttribute(QStringLiteral("id"), EntryName(entry.record, entry.field));
        xml.writeAttribute(QStringLiteral("maxwidth"), sizes[static_cast<size_t>(entry.field)]);
        xml.writeAttribute(QStringLiteral("size-unit"), QStringLiteral("char"));
        // Spaces, tabs and line breaks are part of the texts.
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        WriteText(xml, QStringLiteral("source"), entry.source);
        if (!entry.target.isEmpty())
            WriteText(xml, QStringLiteral("target"), entry.target);
        xml.writeTextElement(kNamespace, QStringLiteral("note"),
                             out.fields[static_cast<size_t>(entry.field)].caption);
        xml.writeEndElement();
    }
    xml.writeEndElement();  // body
    xml.writeEndElement();  // file
    return xml.hasError() ? Result::Failure(xml.device()->errorString()) : Result();
}

Result XliffWriter::Finish()
{
    xml_.writeEndDocument();
    return xml_.hasError() ? Result::Failure(xml_.device()->errorString()) : Result();
}

Result WriteXliff(const OutFile& out, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Result::Failure(file.errorString());
    XliffWriter writer(&file);
    Result done = writer.Add(out);
    if (done)
        done = writer.Finish();
    if (done && !file.flush())
        return Result::Failure(file.errorString());
    file.close();
    return done;
}

Result ReadXliff(const QString& path, std::vector<TranslationEntry>* entries,
                 std::vector<XliffPart>* parts)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::Failure(file.errorString());
    QXmlStreamReader xml(&file);
    auto fail = [&xml](const QString& why) {
        return Result::Failure(
            UiText("xchg.xmlError").arg(xml.lineNumber()).arg(xml.columnNumber()).arg(why));
    };
    if (!xml.readNextStartElement())
        return fail(xml.hasError() ? xml.errorString() : UiText("xchg.xliffRoot"));
    if (xml.name() != QLatin1String("xliff"))
        return fail(UiText("xchg.xliffRoot"));
    TranslationEntry entry;
    bool inUnit = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (parts && xml.name() == QLatin1String("file")) {
                parts->push_back(
                    {xml.attributes().value(QLatin1String("original")).toString(), entries->size()});
            } else if (xml.name() == QLatin1String("trans-unit")) {
                entry = TranslationEntry();
                ParseEntryName(xml.attributes().value(QLatin1String("id")), &entry);
                inUnit = true;
            } else if (inUnit && xml.name() == QLatin1String("target")) {
                entry.fuzzy = NeedsReview(xml.attributes().value(QLatin1String("state")));
                // Inline markup a tool may have added is dropped, its text kept.
                entry.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (token == QXmlStreamReader::EndElement &&
                   xml.name() == QLatin1String("trans-unit")) {
            entries->push_back(std::move(entry));
            inUnit = false;
        }
    }
    if (xml.hasError())
        return fail(xml.errorString());
    return {};
}

}  // namespace scrivlet::exchange
