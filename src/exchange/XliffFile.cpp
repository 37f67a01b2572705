// XLIFF 1.2 through Qt's XML stream reader and writer.

#include "base/UiText.h"
#include "exchange/ExchangeFiles.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace scrivlet::exchange {

namespace {

const QString kNamespace = QStringLiteral("urn:oasis:names:tc:xliff:document:1.2");
const QString kNamespace11 = QStringLiteral("urn:oasis:names:tc:xliff:document:1.1");

// A text element whose carriage returns survive: the writer leaves them raw, and a reader turns
// a raw one into a line feed.
void WriteText(QXmlStreamWriter& xml, const QString& name, QStringView text,
               const QString& state = QString())
{
    xml.writeStartElement(kNamespace, name);
    if (!state.isEmpty())
        xml.writeAttribute(QStringLiteral("state"), state);
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

// A target in one of these states is a draft, as a fuzzy PO entry is: new, needs-translation,
// needs-adaptation, needs-l10n and the needs-review ones. translated, final, signed-off, no
// state and a tool's own "x-" states are translations.
bool NeedsReview(QStringView state)
{
    return state == QLatin1String("new") || state.startsWith(QLatin1String("needs-"));
}

bool SignedOff(QStringView state)
{
    return state == QLatin1String("signed-off") || state == QLatin1String("final");
}

const QString kTranslator = QStringLiteral("translator");

// The trans-units of a document, token by token: Qt's readElementText recurses once per nested
// element, and 60,000 nested <g> in one target overflowed the stack.
class UnitReader {
public:
    UnitReader(std::vector<TranslationEntry>* entries, std::vector<BundlePart>* parts)
        : entries_(entries), parts_(parts)
    {
    }

    void Start(const QXmlStreamReader& xml, int depth)
    {
        if (collecting_)
            return;  // inline markup a tool added: dropped, its text kept
        const QStringView name = xml.name();
        const QXmlStreamAttributes attributes = xml.attributes();
        if (unitDepth_ == 0) {
            if (parts_ && name == QLatin1String("file"))
                parts_->push_back({attributes.value(QLatin1String("original")).toString(),
                                   entries_->size(), xml.lineNumber()});
            if (name != QLatin1String("trans-unit"))
                return;
            unitDepth_ = depth;
            entry_ = TranslationEntry();
            reference_[0].clear(), reference_[1].clear();
            ParseEntryName(attributes.value(QLatin1String("id")), &entry_);
            unitApproved_ = attributes.value(QLatin1String("approved")) == QLatin1String("yes");
            // The header translate-toolkit's po2xliff carries over from PO holds no field.
            header_ = attributes.value(QLatin1String("restype")) ==
                      QLatin1String("x-gettext-domain-header");
            return;
        }
        // Only the unit's own source and target count: those inside an <alt-trans> are a
        // tool's suggestion.
        if (depth == unitDepth_ + 1 && name == QLatin1String("source")) {
            Collect(&entry_.source, depth);
        } else if (depth == unitDepth_ + 1 && name == QLatin1String("target")) {
            // A target nobody approved is a draft, unless its state says it was signed off.
            const QStringView state = attributes.value(QLatin1String("state"));
            entry_.approved = SignedOff(state) && !NeedsReview(state);
            entry_.fuzzy = NeedsReview(state) || (!unitApproved_ && !entry_.approved);
            Collect(&entry_.text, depth);
        } else if (depth == unitDepth_ + 1 && name == QLatin1String("note") &&
                   (attributes.value(QLatin1String("from")) == kTranslator ||
                    attributes.value(QLatin1String("from")) == QLatin1String("po-translator"))) {
            Collect(&entry_.comment, depth);
        } else if (depth == unitDepth_ + 1 && name == QLatin1String("context-group")) {
            inReference_ = attributes.value(QLatin1String("name")) == QLatin1String("po-reference");
        } else if (inReference_ && depth == unitDepth_ + 2 && name == QLatin1String("context")) {
            const QStringView type = attributes.value(QLatin1String("context-type"));
            if (type == QLatin1String("sourcefile"))
                Collect(&reference_[0], depth);
            else if (type == QLatin1String("linenumber"))
                Collect(&reference_[1], depth);
        }
    }

    void Text(const QXmlStreamReader& xml)
    {
        if (collecting_)
            collecting_->append(xml.text());
    }

    void End(int depth)
    {
        if (collecting_) {
            if (depth == collectDepth_)
                collecting_ = nullptr;
        } else if (depth == unitDepth_ + 1) {
            inReference_ = false;
        } else if (depth == unitDepth_) {
            unitDepth_ = 0;
            // A unit whose id is none of ours may name its field as a location, "record:field",
            // which is where translate-toolkit keeps an XLIFF id through PO and back.
            if (entry_.record < 0 && !reference_[1].isEmpty())
                ParseEntryName(QString(reference_[0] + u':' + reference_[1]), &entry_);
            // Our own position note, which lconvert hands back as the translator's.
            if (entry_.comment.startsWith(QLatin1String("position ")) &&
                (entry_.record >= 0 || entry_.recordId >= 0)) {
                TranslationEntry place;
                ParseEntryName(QStringView(entry_.comment).mid(9), &place);
                if (place.record >= 0)
                    entry_.comment.clear();
            }
            if (!header_)
                entries_->push_back(std::move(entry_));
        }
    }

private:
    void Collect(QString* into, int depth)
    {
        into->clear();
        collecting_ = into;
        collectDepth_ = depth;
    }

    std::vector<TranslationEntry>* entries_;
    std::vector<BundlePart>* parts_;
    TranslationEntry entry_;
    QString reference_[2];  // a po-reference location's source file and line number
    QString* collecting_ = nullptr;
    int collectDepth_ = 0;
    int unitDepth_ = 0;  // depth of the open trans-unit, 0 outside one
    bool inReference_ = false;
    bool header_ = false;
    bool unitApproved_ = false;
};

template <typename Fail>
Result ReadUnits(QXmlStreamReader& xml, const Fail& fail, std::vector<TranslationEntry>* entries,
                 std::vector<BundlePart>* parts)
{
    // Far deeper than any tool nests inline markup; the whole document counts.
    constexpr int kMaxDepth = 256;
    int depth = 1;  // the root is open
    UnitReader units(entries, parts);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (++depth > kMaxDepth)
                    return fail(UiText("xchg.xmlDepth").arg(kMaxDepth));
                units.Start(xml, depth);
                break;
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference:
                units.Text(xml);
                break;
            case QXmlStreamReader::EndElement:
                units.End(depth--);
                break;
            case QXmlStreamReader::DTD:
                return fail(UiText("xchg.xmlDoctype"));  // a second one, after the root
            default:
                break;
        }
    }
    if (xml.hasError())
        return fail(xml.errorString());
    return {};
}

}  // namespace

bool NamesExternalDtdOnly(const QXmlStreamReader& xml)
{
    return !xml.text().contains(u'[') && xml.entityDeclarations().isEmpty() &&
           xml.notationDeclarations().isEmpty();
}

// Qt's writer refuses these characters without saying which; the export names them first.
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

void WriteContext(QXmlStreamWriter& xml, const QString& type, const QString& text)
{
    xml.writeStartElement(kNamespace, QStringLiteral("context"));
    xml.writeAttribute(QStringLiteral("context-type"), type);
    xml.writeCharacters(text);
    xml.writeEndElement();
}

void WriteDeveloperNote(QXmlStreamWriter& xml, const QString& text)
{
    xml.writeStartElement(kNamespace, QStringLiteral("note"));
    xml.writeAttribute(QStringLiteral("from"), QStringLiteral("developer"));
    xml.writeAttribute(QStringLiteral("annotates"), QStringLiteral("source"));
    xml.writeCharacters(text);
    xml.writeEndElement();
}

}  // namespace

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
    QXmlStreamWriter& xml = xml_;
    xml.writeStartElement(kNamespace, QStringLiteral("file"));
    xml.writeAttribute(QStringLiteral("original"), out.fileName);
    xml.writeAttribute(QStringLiteral("source-language"), out.sourceLanguage);
    xml.writeAttribute(QStringLiteral("target-language"), out.targetLanguage);
    xml.writeAttribute(QStringLiteral("datatype"), QStringLiteral("plaintext"));
    xml.writeStartElement(kNamespace, QStringLiteral("body"));
    // A field holds so many UTF-16 units. In the code-page encodings every character a field
    // can store is one unit, so the limit is exact in Unicode characters, the unit tools count.
    // In the Unicode encoding a character beyond the BMP takes two, and no count of characters
    // is exact; the bytes of the text in UTF-16 are, two a unit.
    const bool bytes = out.wideCharacters;
    const QString unit = bytes ? QStringLiteral("byte") : QStringLiteral("char");
    std::vector<QString> sizes;
    for (const OutField& field : out.fields)
        sizes.push_back(QString::number(bytes ? 2 * field.size : field.size));
    for (const OutEntry& entry : out.entries) {
        xml.writeStartElement(kNamespace, QStringLiteral("trans-unit"));
        xml.writeAttribute(QStringLiteral("id"), EntryName(entry));
        xml.writeAttribute(QStringLiteral("maxwidth"), sizes[static_cast<size_t>(entry.field)]);
        xml.writeAttribute(QStringLiteral("size-unit"), unit);
        // Spaces, tabs and line breaks are part of the texts.
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        // A target left unapproved is a draft to lconvert and translate-toolkit, which then
        // mark it for review or fuzzy. Untranslated fields have no target at all.
        const bool needsWork = entry.state == StoredState::NeedsWork;
        if (!entry.target.isEmpty() && !needsWork)
            xml.writeAttribute(QStringLiteral("approved"), QStringLiteral("yes"));
        WriteText(xml, QStringLiteral("source"), entry.source);
        if (!entry.target.isEmpty())
            WriteText(xml, QStringLiteral("target"), entry.target,
                      needsWork ? QStringLiteral("needs-review-translation")
                      : entry.state == StoredState::Approved ? QStringLiteral("signed-off")
                                                             : QStringLiteral("translated"));
        // Where the unit comes from: Qt's lconvert keeps it and names the file by it when it
        // writes XLIFF again (it leaves <file original> empty otherwise, and the file's units
        // could not be placed).
        xml.writeStartElement(kNamespace, QStringLiteral("context-group"));
        xml.writeAttribute(QStringLiteral("purpose"), QStringLiteral("location"));
        WriteContext(xml, QStringLiteral("sourcefile"), out.fileName);
        WriteContext(xml, QStringLiteral("linenumber"), QString::number(entry.record + 1));
        xml.writeEndElement();
        // The program's own notes on the field, marked as the developer's: unmarked, lconvert
        // hands a unit's last note back as the translator's, a comment nobody wrote.
        WriteDeveloperNote(xml, out.fields[static_cast<size_t>(entry.field)].caption);
        if (entry.recordId >= 0)
            WriteDeveloperNote(xml, EntryPosition(entry));
        // Last: lconvert keeps only a unit's last note of each kind.
        if (!entry.comment.isEmpty()) {
            xml.writeStartElement(kNamespace, QStringLiteral("note"));
            xml.writeAttribute(QStringLiteral("from"), kTranslator);
            xml.writeCharacters(entry.comment.toString());
            xml.writeEndElement();
        }
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
                 std::vector<BundlePart>* parts)
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
    // references to one declared entity take gigabytes. A document type that declares anything
    // is refused before any entity is used.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD && !NamesExternalDtdOnly(xml))
            return fail(UiText("xchg.xmlDoctype"));
    }
    if (xml.hasError())
        return fail(xml.errorString());
    if (xml.tokenType() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("xliff"))
        return fail(UiText("xchg.xliffRoot"));
    // XLIFF 1.1 (translate-toolkit's po2xliff writes it) has the same units.
    if (xml.namespaceUri() != kNamespace && xml.namespaceUri() != kNamespace11) {
        return fail(xml.namespaceUri().isEmpty()
                        ? UiText("xchg.xliffNoNamespace")
                        : UiText("xchg.xliffNamespace").arg(xml.namespaceUri()));
    }
    return ReadUnits(xml, fail, entries, parts);
}

}  // namespace scrivlet::exchange
