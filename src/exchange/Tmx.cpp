#include "exchange/Tmx.h"

#include "base/UiText.h"
#include "exchange/ExchangeFiles.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>

namespace scrivlet {
namespace {

constexpr int kMaxDepth = 256;  // as for XLIFF: far deeper than inline markup goes

// Inline elements whose content is the original's markup, not text.
bool IsCode(QStringView name)
{
    for (const char* code : {"bpt", "ept", "ph", "it", "ut", "sub"}) {
        if (name == QLatin1String(code))
            return true;
    }
    return false;
}

// TMX's "YYYYMMDDThhmmssZ" as seconds since 1970, 0 when it is none. By hand: QDateTime's
// parser with a format string took most of a large import's time.
qint64 ParseDate(QStringView text)
{
    if (text.size() != 16 || text[8] != u'T' || text[15] != u'Z')
        return 0;
    int parts[6] = {};
    const int starts[] = {0, 4, 6, 9, 11, 13}, lengths[] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        parts[i] = text.mid(starts[i], lengths[i]).toInt(&ok);
        if (!ok)
            return 0;
    }
    const QDateTime time(QDate(parts[0], parts[1], parts[2]), QTime(parts[3], parts[4], parts[5]),
                         Qt::UTC);
    return time.isValid() ? time.toSecsSinceEpoch() : 0;
}

// One <tu> being read.
struct Unit {
    TmxPair pair;
    bool haveSource = false, haveTarget = false;
    QString* seg = nullptr;  // the text being read, null outside a wanted <seg>
    int segDepth = 0;        // of the open <seg> of any language, 0 outside one
    int codeDepth = 0;
    bool inOrigin = false;
    qint64 line = 0;
    qsizetype text = 0;  // characters in its segments so far
    bool tooLarge = false;
};

struct TmxReader {
    TmxReader(QIODevice* device, const QString& sourceLanguage, const QString& targetLanguage,
              const std::function<Result(TmxPair&&)>& taker, const TmxLimits& limits)
        : xml(device),
          source(PrimaryLanguage(sourceLanguage)),
          target(PrimaryLanguage(targetLanguage)),
          take(taker),
          limits(limits)
    {
    }

    QXmlStreamReader xml;
    QString source, target;
    const std::function<Result(TmxPair&&)>& take;
    const TmxLimits& limits;
    TmxNotes notes;
    int depth = 0;
    Unit unit;
    QString lang;  // of the open <tuv>

    Result Fail(const QString& why) const
    {
        return Result::Failure(
            UiText("xchg.tmxError").arg(xml.lineNumber()).arg(xml.columnNumber()).arg(why));
    }

    void Start()
    {
        const QStringView name = xml.name();
        if (unit.segDepth) {
            if (unit.codeDepth == 0 && IsCode(name))
                unit.codeDepth = depth;
        } else if (name == QLatin1String("tu")) {
            unit = Unit();
            unit.line = xml.lineNumber();
            unit.pair.time = ParseDate(xml.attributes().value(QLatin1String("creationdate")));
        } else if (name == QLatin1String("prop")) {
            unit.inOrigin =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("x-origin");
        } else if (name == QLatin1String("tuv")) {
            QStringView code = xml.attributes().value(QLatin1String("xml:lang"));
            if (code.isEmpty())
                code = xml.attributes().value(QLatin1String("lang"));  // TMX 1.1
            lang = PrimaryLanguage(code);
            if (!lang.isEmpty() && !notes.languages.contains(lang))
                notes.languages << lang;
        } else if (name == QLatin1String("seg")) {
            if (lang == source && !unit.haveSource)
                unit.seg = &unit.pair.source, unit.haveSource = true;
            else if (lang == target && !unit.haveTarget)
                unit.seg = &unit.pair.target, unit.haveTarget = true;
            unit.segDepth = depth;
        }
    }

    // A segment's text, counted against the limit whatever its language; a unit past it lets
    // go of what it held and is only noted.
    void Text()
    {
        unit.text += xml.text().size();
        if (unit.tooLarge || unit.text <= limits.maxUnitText) {
            if (!unit.tooLarge && unit.seg && unit.codeDepth == 0)
                unit.seg->append(xml.text());
            return;
        }
        unit.tooLarge = true;
        unit.seg = nullptr;
        unit.pair = TmxPair();
    }

    Result End()
    {
        if (depth == unit.codeDepth)
            unit.codeDepth = 0;
        if (unit.segDepth && depth == unit.segDepth) {
            unit.seg = nullptr;
            unit.segDepth = 0;
        } else if (!unit.segDepth && xml.name() == QLatin1String("prop")) {
            unit.inOrigin = false;
        } else if (!unit.segDepth && xml.name() == QLatin1String("tu")) {
            if (unit.tooLarge) {
                if (notes.tooLargeLines.size() < TmxNotes::kLinesKept)
                    notes.tooLargeLines.push_back(unit.line);
                ++notes.tooLarge;
            } else if (!unit.pair.source.isEmpty() && !unit.pair.target.isEmpty()) {
                ++notes.taken;
                return take(std::move(unit.pair));
            }
        }
        return {};
    }

    Result Units(const TmxProgress& progress)
    {
        constexpr int kProgressStep = 4096;  // tokens between two reports
        const QIODevice* device = xml.device();
        for (int tokens = 0; !xml.atEnd(); ++tokens) {
            if (progress && tokens % kProgressStep == 0 && !progress(device->pos(), device->size()))
                return Result::Failure(UiText("memory.stopped"));
            switch (xml.readNext()) {
                case QXmlStreamReader::StartElement:
                    if (++depth > kMaxDepth)
                        return Fail(UiText("xchg.xmlDepth").arg(kMaxDepth));
                    Start();
                    break;
                case QXmlStreamReader::Characters:
                case QXmlStreamReader::EntityReference:
                    if (unit.segDepth)
                        Text();
                    else if (unit.inOrigin)
                        unit.pair.origin.append(xml.text());
                    break;
                case QXmlStreamReader::EndElement:
                    if (Result taken = End(); !taken)
                        return taken;
                    --depth;
                    break;
                case QXmlStreamReader::DTD:
                    return Fail(UiText("xchg.tmxDoctype"));
                default:
                    break;
            }
        }
        return xml.hasError() ? Fail(xml.errorString()) : Result();
    }
};

}  // namespace

QString PrimaryLanguage(QStringView code)
{
    code = code.trimmed();
    qsizetype end = 0;
    while (end < code.size() && code[end] != u'-' && code[end] != u'_')
        ++end;
    return code.left(end).toString().toLower();
}

Result ReadTmx(const QString& path, const QString& sourceLanguage, const QString& targetLanguage,
               const std::function<Result(TmxPair&&)>& take, TmxNotes* notes,
               const TmxLimits& limits, const TmxProgress& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::Failure(file.errorString());
    TmxReader reader(&file, sourceLanguage, targetLanguage, take, limits);
    QXmlStreamReader& xml = reader.xml;
    // Entities are expanded without a total limit: a document type may only name its DTD.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD && !exchange::NamesExternalDtdOnly(xml))
            return reader.Fail(UiText("xchg.tmxDoctype"));
    }
    if (xml.hasError())
        return reader.Fail(xml.errorString());
    if (xml.tokenType() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("tmx"))
        return reader.Fail(UiText("xchg.tmxRoot"));
    reader.depth = 1;
    Result read = reader.Units(progress);
    if (notes)
        *notes = std::move(reader.notes);
    return read;
}

TmxWriter::TmxWriter(QFileDevice* device, const QString& sourceLanguage)
    : device_(device), xml_(device)
{
    xml_.setAutoFormatting(true);
    xml_.writeStartDocument();
    xml_.writeStartElement(QStringLiteral("tmx"));
    xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.4"));
    xml_.writeEmptyElement(QStringLiteral("header"));
    const std::pair<const char*, QString> header[] = {
        {"creationtool", QStringLiteral("Scrivlet")},
        {"creationtoolversion", QStringLiteral("1.0")},
        {"datatype", QStringLiteral("plaintext")},
        {"segtype", QStringLiteral("block")},
        {"adminlang", QStringLiteral("en")},
        {"srclang", sourceLanguage},
        {"o-tmf", QStringLiteral("Scrivlet")}};
    for (const auto& [name, value] : header)
        xml_.writeAttribute(QLatin1String(name), value);
    xml_.writeStartElement(QStringLiteral("body"));
}

namespace {

// A <tuv> whose carriage returns survive the reader's line-end normalisation.
void WriteVariant(QXmlStreamWriter& xml, const QString& language, QStringView text)
{
    xml.writeStartElement(QStringLiteral("tuv"));
    xml.writeAttribute(QStringLiteral("xml:lang"), language);
    xml.writeStartElement(QStringLiteral("seg"));
    for (qsizetype start = 0;;) {
        const qsizetype cr = text.indexOf(u'\r', start);
        xml.writeCharacters(text.mid(start, cr < 0 ? -1 : cr - start).toString());
        if (cr < 0)
            break;
        xml.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    xml.writeEndElement();
    xml.writeEndElement();
}

}  // namespace

void TmxWriter::Add(const QString& sourceLanguage, const QString& targetLanguage,
                    const TmxPair& pair)
{
    if (exchange::FirstNonXml(pair.source) >= 0 || exchange::FirstNonXml(pair.target) >= 0 ||
        exchange::FirstNonXml(pair.origin) >= 0) {
        ++leftOut_;
        return;
    }
    xml_.writeStartElement(QStringLiteral("tu"));
    if (pair.time > 0) {
        xml_.writeAttribute(QStringLiteral("creationdate"),
                            QDateTime::fromSecsSinceEpoch(pair.time, Qt::UTC)
                                .toString(Qt::ISODate)
                                .remove(u'-')
                                .remove(u':'));
    }
    if (!pair.origin.isEmpty()) {
        xml_.writeStartElement(QStringLiteral("prop"));
        xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("x-origin"));
        xml_.writeCharacters(pair.origin);
        xml_.writeEndElement();
    }
    WriteVariant(xml_, sourceLanguage, pair.source);
    WriteVariant(xml_, targetLanguage, pair.target);
    xml_.writeEndElement();
    ++written_;
}

Result TmxWriter::Finish()
{
    xml_.writeEndDocument();
    if (xml_.hasError() || !device_->flush())
        return Result::Failure(UiText("xchg.writeFailed").arg(exchange::WriteReason(*device_)));
    return {};
}

}  // namespace scrivlet
