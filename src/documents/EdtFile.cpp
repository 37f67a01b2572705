// The .edt file type: headerless records of record-length 16-bit units, little-endian, each
// text field at its offset, ended by a zero unit or by the end of the field.

#include "base/UiText.h"
#include "documents/DocumentFileFormat.h"
#include "documents/DocumentPrompts.h"
#include "documents/EdtDocument.h"
#include "documents/Encodings.h"
#include "documents/LoadNotes.h"

#include <QFile>
#include <QLocale>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <limits>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace scrivlet {
namespace {

constexpr qint64 kUnitBytes = 2;

// The file's little-endian units in the host's order, and back (the same swap).
void SwapToHost(uint16_t* units, qsizetype count)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian)
        qFromLittleEndian<uint16_t>(units, count, units);
}

// What the system can still give this process: free memory and swap (Linux), the free
// physical and page-file memory (Windows); elsewhere no limit is known.
qint64 AvailableMemory()
{
#if defined(Q_OS_LINUX)
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return std::numeric_limits<qint64>::max();
    qint64 kilobytes = 0;
    bool known = false;
    for (const QByteArray& line : meminfo.readAll().split('\n')) {
        if (line.startsWith("MemAvailable:") || line.startsWith("SwapFree:")) {
            kilobytes += line.simplified().split(' ').value(1).toLongLong();
            known = true;
        }
    }
    return known ? kilobytes * 1024 : std::numeric_limits<qint64>::max();
#elif defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(status.ullAvailPageFile);
#else
    return std::numeric_limits<qint64>::max();
#endif
}

// Whole records of a chunk at most, and at least one record, however long it is.
qint64 ChunkRecords(qint64 recordUnits, qint64 records)
{
    return std::min(std::max<qint64>(1, kIoChunkBytes / (recordUnits * kUnitBytes)), records);
}

// Reads exactly `bytes`; false when the file ends before (it shrank since its size was taken)
// or cannot be read.
bool ReadFully(QIODevice& in, char* data, qint64 bytes)
{
    while (bytes > 0) {
        const qint64 n = in.read(data, bytes);
        if (n <= 0)
            return false;
        data += n;
        bytes -= n;
    }
    return true;
}

class EdtFile : public DocumentFileFormat {
public:
    Result Read(QIODevice& in, EdtDocument& document, const ReadContext& context) const override;
    Result Write(QIODevice& out, const EdtDocument& document, int lastRecord,
                 int encoding) const override;
};

Result EdtFile::Read(QIODevice& in, EdtDocument& document, const ReadContext& context) const
{
    const std::optional<RecordLayout> layout = MakeRecordLayout(document.Format());
    if (!layout)
        return FileFailure(str::FileErrorUnusableFormat);
    const qint64 recordUnits = layout->recordLength;
    const qint64 fileSize = in.size();
    const qint64 recordBytes = recordUnits * kUnitBytes;
    if (fileSize % recordBytes != 0 &&
        (context.quiet || !context.prompts ||
         !context.prompts->AskOpenInvalidSize(context.path, fileSize, recordBytes))) {
        return Result::Failure(UiText(str::FileErrorInvalidSize) + u'\n' +
                               InvalidSizeText(fileSize, recordBytes));
    }
    if (context.notes)
        context.notes->bytesLeftOut = fileSize % recordBytes;
    // An incomplete record at the end is never read.
    const qint64 recordCount = fileSize / (recordUnits * kUnitBytes);
    if (recordCount == 0)
        return {};
    // Records are counted in int, and a view needs one row more for its add-row.
    if (recordCount > INT_MAX - 1)
        return FileFailure(str::FileErrorTooManyRecords);

    qint64 unitsPerRecord = 0;
    for (const TextSlot& span : layout->texts)
        unitsPerRecord += span.size;
    // Texts are at most what their fields hold, and usually much less; never ask for more than
    // the file holds, as fields may overlap. A failed reservation only means regrowing.
    const qint64 units = std::min(unitsPerRecord, recordUnits) * recordCount;
    // Refused before anything is allocated: 2 GB of one-unit records need 18 GB of memory.
    const qint64 needed = document.LoadBytes(recordCount, units);
    if (const qint64 available = AvailableMemory(); needed > available)
        return Result::Failure(
            UiText("fileError.needsMemory").arg(needed >> 20).arg(available >> 20));
    (void)document.ReserveForLoad(recordCount, units);

    const qint64 chunkRecords = ChunkRecords(recordUnits, recordCount);
    std::vector<uint16_t> buffer(static_cast<size_t>(chunkRecords * recordUnits));
    const int encoding = document.GetEncoding();
    for (qint64 record = 0; record < recordCount;) {
        const qint64 records = std::min(chunkRecords, recordCount - record);
        if (!ReadFully(in, reinterpret_cast<char*>(buffer.data()),
                       records * recordUnits * kUnitBytes))
            return FileFailure(str::FileErrorReadFailed);
        SwapToHost(buffer.data(), records * recordUnits);
        for (qint64 r = 0; r < records; ++r, ++record) {
            const uint16_t* units = buffer.data() + r * recordUnits;
            for (const TextSlot& span : layout->texts) {
                // Decoded straight into the document; a field holds no more than its text.
                char16_t* text = document.LoadSpace(span.size);
                if (!text)
                    return FileFailure(str::FileErrorNoMemory);
                document.AddLoadedText(
                    DecodeEdtText(encoding, units + span.offset, span.size, text));
            }
            document.EndLoadedRecord();
        }
    }
    return {};
}

Result EdtFile::Write(QIODevice& out, const EdtDocument& document, int lastRecord,
                      int encoding) const
{
    const std::optional<RecordLayout> layout = MakeRecordLayout(document.Format());
    if (!layout)
        return FileFailure(str::FileErrorUnusableFormat);
    if (lastRecord < 0)
        return {};
    const qint64 recordUnits = layout->recordLength;
    const qint64 chunkRecords = ChunkRecords(recordUnits, qint64{lastRecord} + 1);
    std::vector<uint16_t> buffer(static_cast<size_t>(chunkRecords * recordUnits));
    for (int record = 0; record <= lastRecord;) {
        const qint64 records = std::min<qint64>(chunkRecords, qint64{lastRecord} - record + 1);
        // Units that no field covers are zero in every file written.
        std::fill_n(buffer.begin(), records * recordUnits, uint16_t{0});
        for (qint64 r = 0; r < records; ++r, ++record) {
            uint16_t* units = buffer.data() + r * recordUnits;
            for (int k = 0; k < static_cast<int>(layout->texts.size()); ++k) {
                const TextSlot& span = layout->texts[k];
                const QStringView text = document.FieldText(record, k);
                const qsizetype n = std::min(text.size(), span.size);
                EncodeEdtUnits(encoding, text.utf16(), units + span.offset, n);
                // A later field overwrites an earlier one where they overlap and clears the
                // rest of itself, so that no tail of the earlier text survives inside it.
                if (layout->overlapping)
                    std::fill(units + span.offset + n, units + span.offset + span.size, 0);
            }
        }
        SwapToHost(buffer.data(), records * recordUnits);
        const qint64 bytes = records * recordUnits * kUnitBytes;
        if (out.write(reinterpret_cast<const char*>(buffer.data()), bytes) != bytes)
            return FileFailure(str::FileErrorWriteFailed);
    }
    return {};
}

}  // namespace

const DocumentFileFormat& EdtFileFormat()
{
    static const EdtFile format;
    return format;
}

}  // namespace scrivlet
