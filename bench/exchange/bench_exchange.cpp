// Times the export of every text field to a PO and an XLIFF file and the import of the file
// back: with a reference, so every entry has a translation and the import replaces every
// field (the most work an import does). Two sizes, the second a quarter of the first, show
// whether the time grows linearly. Each is set against a yardstick in the same run: the same
// entries through the file library alone (libgettextpo's create and write, read, walk and
// free; Qt's XML writer and a reader that only walks the tokens), so the ratio is the share of
// the time that is ours. Usage: bench_exchange [text fields] [folder]
#include "BenchFormat.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "exchange/Exchange.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <gettext-po.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace scrivlet;

namespace {

constexpr int kDefaultFields = 1000000;
constexpr int kFieldSizes[] = {32, 64};

// Texts of 1 to size letters, Latin and Cyrillic, some with a quote or a line break.
std::unique_ptr<EdtDocument> Generate(const EdtFormat& format, int records, quint32 seed)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz абвгдежзийклмн\"\n");
    QRandomGenerator random(seed);
    auto document = std::make_unique<EdtDocument>(format);
    document->SetEncoding(4);
    document->SetPath(QStringLiteral("bench.edt"));
    document->ReserveForLoad(records, qsizetype(records) * (32 + 64) / 2 + 16);
    for (int r = 0; r < records; ++r) {
        for (int size : kFieldSizes) {
            QString text(1 + static_cast<int>(random.bounded(size)), Qt::Uninitialized);
            for (QChar& c : text)
                c = letters[static_cast<int>(random.bounded(letters.size()))];
            document->AddLoadedText(text);
        }
        document->EndLoadedRecord();
    }
    return document;
}

struct Times {
    qint64 exportMs = -1, importMs = -1, exportFloorMs = -1, importFloorMs = -1;
    qint64 bytes = 0;
};

// The entries as the file library takes them, made before the clock starts.
struct RawEntry {
    QByteArray context, source, target;  // for gettext
    QString id, sourceText, targetText;  // for Qt's XML streams
};

std::vector<RawEntry> RawEntries(const EdtDocument& translated, const EdtDocument& reference)
{
    std::vector<RawEntry> entries;
    for (int r = 0; r < reference.RecordCount(); ++r) {
        for (int k = 0; k < reference.TextFieldCount(); ++k) {
            const QStringView source = reference.FieldText(r, k);
            const QStringView own = translated.FieldText(r, k);
            const QString id = QString::number(r) + u':' + QString::number(k);
            const QString target = own == source ? QString() : own.toString();
            entries.push_back(
                {id.toLatin1(), source.toUtf8(), target.toUtf8(), id, source.toString(), target});
        }
    }
    return entries;
}

void NoProblem(int, po_message_t, const char*, size_t, size_t, int, const char*) {}
void NoProblem2(int, po_message_t, const char*, size_t, size_t, int, const char*, po_message_t,
                const char*, size_t, size_t, int, const char*)
{
}
const po_xerror_handler kQuiet = {NoProblem, NoProblem2};

// libgettextpo alone: write the entries with their comment and source line, read them back.
void PoFloor(const std::vector<RawEntry>& entries, const QString& path, Times* times)
{
    const QByteArray file = QFile::encodeName(path);
    QElapsedTimer timer;
    timer.start();
    po_file_t po = po_file_create();
    po_message_iterator_t iterator = po_message_iterator(po, nullptr);
    po_message_t header = po_message_create();
    po_message_set_msgid(header, "");
    po_message_set_msgstr(header, "Content-Type: text/plain; charset=UTF-8\n");
    po_message_insert(iterator, header);
    for (const RawEntry& entry : entries) {
        po_message_t message = po_message_create();
        po_message_set_msgctxt(message, entry.context.constData());
        po_message_set_msgid(message, entry.source.constData());
        po_message_set_msgstr(message, entry.target.constData());
        po_message_set_extracted_comments(message, "Text, at most 64 units");
        po_message_add_filepos(message, "bench.edt", 1);
        po_message_insert(iterator, message);
    }
    po_message_iterator_free(iterator);
    po_file_write(po, file.constData(), &kQuiet);
    po_file_free(po);
    times->exportFloorMs = timer.restart();
    po = po_file_read(file.constData(), &kQuiet);
    size_t bytes = 0;
    iterator = po_message_iterator(po, nullptr);
    while (po_message_t message = po_next_message(iterator))
        bytes += std::strlen(po_message_msgstr(message));
    po_message_iterator_free(iterator);
    po_file_free(po);
    times->importFloorMs = timer.elapsed();
    if (bytes == 0)
        std::fprintf(stderr, "the library read nothing back\n");
}

// Qt's XML writer and reader alone, with the elements and attributes of our files.
void XliffFloor(const std::vector<RawEntry>& entries, const QString& path, Times* times)
{
    QElapsedTimer timer;
    timer.start();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        const QString ns = QStringLiteral("urn:oasis:names:tc:xliff:document:1.2");
        QXmlStreamWriter xml(&file);
        xml.setAutoFormatting(true);
        xml.writeStartDocument();
        xml.writeStartElement(ns, QStringLiteral("xliff"));
        for (const RawEntry& entry : entries) {
            xml.writeStartElement(ns, QStringLiteral("trans-unit"));
            xml.writeAttribute(QStringLiteral("id"), entry.id);
            xml.writeAttribute(QStringLiteral("maxwidth"), QStringLiteral("64"));
            xml.writeAttribute(QStringLiteral("size-unit"), QStringLiteral("char"));
            xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            xml.writeTextElement(ns, QStringLiteral("source"), entry.sourceText);
            if (!entry.targetText.isEmpty())
                xml.writeTextElement(ns, QStringLiteral("target"), entry.targetText);
            xml.writeTextElement(ns, QStringLiteral("note"), QStringLiteral("Text"));
            xml.writeEndElement();
        }
        xml.writeEndDocument();
    }
    times->exportFloorMs = timer.restart();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QXmlStreamReader xml(&file);
    qsizetype units = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::Characters)
            units += xml.text().size();
    }
    times->importFloorMs = timer.elapsed();
    if (units == 0 || xml.hasError())
        std::fprintf(stderr, "the XML reader read nothing back\n");
}

Times Measure(int fields, const QString& path)
{
    const EdtFormat format = BenchFormat(kFieldSizes, false);
    const int records = fields / 2;
    const auto reference = Generate(format, records, 1);
    const auto translated = Generate(format, records, 2);
    Times times;
    const std::vector<RawEntry> raw = RawEntries(*translated, *reference);
    if (TranslationFormatForPath(path).Can(TranslationFileFormat::XmlText))
        XliffFloor(raw, path, &times);
    else
        PoFloor(raw, path, &times);
    QElapsedTimer timer;
    timer.start();
    if (!ExportTranslations(*translated, reference.get(), path, TranslationFormatForPath(path)))
        return times;
    times.exportMs = timer.elapsed();
    times.bytes = QFileInfo(path).size();
    timer.restart();
    std::vector<TranslationEntry> entries;
    ImportPlan plan;
    if (!ReadTranslations(path, TranslationFormatForPath(path), &entries) ||
        !PlanImport(*reference, entries, true, &plan))
        return times;
    reference->ApplyPlan(plan.texts);
    times.importMs = timer.elapsed();
    // A generated translation may equal its source by chance.
    const int seen =
        plan.report.count[ImportReport::Imported] + plan.report.count[ImportReport::Unchanged];
    if (seen != fields)
        std::fprintf(stderr, "only %d of %d entries read back\n", seen, fields);
    return times;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int fields = argc > 1 ? std::atoi(argv[1]) : kDefaultFields;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    std::printf("%-6s %9s %10s %9s %6s %10s %9s %6s %11s\n", "file", "fields", "export ms",
                "floor ms", "ratio", "import ms", "floor ms", "ratio", "bytes");
    for (const char* suffix : {"po", "xlf"}) {
        for (int n : {fields / 4, fields}) {
            const QString path = QDir(folder).filePath(QStringLiteral("bench.") + suffix);
            const Times times = Measure(n, path);
            std::printf("%-6s %9d %10lld %9lld %6.2f %10lld %9lld %6.2f %11lld\n", suffix, n,
                        times.exportMs, times.exportFloorMs,
                        double(times.exportMs) / double(std::max<qint64>(1, times.exportFloorMs)),
                        times.importMs, times.importFloorMs,
                        double(times.importMs) / double(std::max<qint64>(1, times.importFloorMs)),
                        times.bytes);
            QFile::remove(path);
        }
    }
    return 0;
}
