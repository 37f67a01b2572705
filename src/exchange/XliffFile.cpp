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

}  // namespace

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

namespace {

// A target in one of these states is a draft, as a fuzzy PO entry is: new, needs-translation,
// needs-adaptation, needs-l10n and the needs-review ones. translated, final, signed-off, no
// state and a tool's own "x-" states are translations.
bool NeedsReview(QStringView state)
{
    return state == QLatin1String("new") || state.startsWith(QLatin1String("needs-"));
}

// Every trans-unit below the root. Read token by token: Qt's readElementText recurses once per
// nested element, and 60,000 nested <g> in one target overflowed the stack.
template <typename Fail>
Result ReadUnits(QXmlStreamReader& xml, const Fail& fail, std::vector<TranslationEntry>* entries,
                 std::vector<XliffPart>* parts)
{
    // Far deeper than any tool nests inline markup; the whole document counts.
    constexpr int kMaxDepth = 256;
    int depth = 1;        // the root is open
    int targetDepth = 0;  // depth of the open <target>, 0 outside one
    int sourceDepth = 0;  // the same for <source>
    bool sourceSeen = false;
    TranslationEntry entry;
    bool inUnit = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (++depth > kMaxDepth)
                    return fail(UiText("xchg.xmlDepth").arg(kMaxDepth));
                if (targetDepth > 0 || sourceDepth > 0)
                    break;  // inline markup a tool added: dropped, its text kept
                if (parts && xml.name() == QLatin1String("file")) {
                    parts->push_back({xml.attributes().value(QLatin1String("original")).toString(),
                                      entries->size()});
                } else if (xml.name() == QLatin1String("trans-unit")) {
                    entry = TranslationEntry();
                    sourceSeen = false;
                    ParseEntryName(xml.attributes().value(QLatin1String("id")), &entry);
                    inUnit = true;
                } else if (inUnit && !sourceSeen && xml.name() == QLatin1String("source")) {
                    // The unit's own source comes first; an alternative's comes later.
                    sourceSeen = true;
                    sourceDepth = depth;
                } else if (inUnit && xml.name() == QLatin1String("target")) {
                    entry.fuzzy = NeedsReview(xml.attributes().value(QLatin1String("state")));
                    entry.text.clear();
                    targetDepth = depth;
                }
                break;
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference:
                if (targetDepth > 0)
                    entry.text.append(xml.text());
                else if (sourceDepth > 0)
                    entry.source.append(xml.text());
                break;
            case QXmlStreamReader::EndElement:
                if (depth == sourceDepth)
                    sourceDepth = 0;
                if (depth-- == targetDepth) {
                    targetDepth = 0;
                } else if (targetDepth == 0 && xml.name() == QLatin1String("trans-unit")) {
                    entries->push_back(std::move(entry));
                    inUnit = false;
                }
                break;
            case QXmlStreamReader::DTD:
                return fail(UiText("xchg.xmlDoctype"));
            default:
                break;
        }
    }
    if (xml.hasError())
        return fail(xml.errorString());
    return {};
}

}  // namespace

static Result CheckXmlTexts(const OutFile& out)
{
    for (const OutEntry& entry : out.entries) {
        for (const QStringView text : {entry.source, entry.target}) {
            if (const qsizetype at = FirstNonXml(text); at >= 0) {
                // Named as the editor's messages name them: by row label and caption.
                return Result::Failure(UiText("xchg.xmlChar")
                                           .arg(out.recordName ? out.recordName(entry.record)
                                                               : QString::number(entry.record + 1),
                                                out.fields[size_t(entry.field)].caption,
                                                QString::number(text[at].unicode(), 16)
                                                    .toUpper()
                                                    .rightJustified(4, u'0')));
            }
        }
    }
    return {};
}

XliffWriter::XliffWriter(QFileDevice* device) : device_(device), xml_(device)
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
    // The writer stops at the first failed write without saying why; the device knows.
    if (xml.hasError())
        return Result::Failure(UiText("xchg.writeFailed").arg(WriteReason(*device_)));
    return {};
}

Result XliffWriter::Finish()
{
    xml_.writeEndDocument();
    if (xml_.hasError() || !device_->flush())
        return Result::Failure(UiText("xchg.writeFailed").arg(WriteReason(*device_)));
    return {};
}

Result WriteXliff(const OutFile& out, QFileDevice& file)
{
    XliffWriter writer(&file);
    Result done = writer.Add(out);
    return done ? writer.Finish() : done;
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
    // Qt expands each entity within a limit but not their total: a few hundred kilobytes of
    // references to one declared entity take gigabytes. XLIFF needs no document type, so a
    // declaration is refused before any entity is used.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD)
            return fail(UiText("xchg.xmlDoctype"));
    }
    if (xml.hasError())
        return fail(xml.errorString());
    if (xml.tokenType() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("xliff"))
        return fail(UiText("xchg.xliffRoot"));
    if (xml.namespaceUri() != kNamespace) {
        return fail(xml.namespaceUri().isEmpty()
                        ? UiText("xchg.xliffNoNamespace")
                        : UiText("xchg.xliffNamespace").arg(xml.namespaceUri()));
    }
    return ReadUnits(xml, fail, entries, parts);
}

}  // namespace scrivlet::exchange
