#include "convert/UpdateModes.h"

#include "convert/ConvertOptions.h"
#include "convert/ConvertSession.h"
#include "documents/DocumentFiles.h"
#include "documents/FileTypes.h"
#include "store/ProjectUpdate.h"
#include "translation/Alignment.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace scrivlet::convert {
namespace {

// The counts' keys in the documented order, and the closing brace.
QByteArray CountsJson(const AlignmentCounts& c)
{
    return "\"records\": " + QByteArray::number(c.records) +
           ", \"kept\": " + QByteArray::number(c.kept) +
           ", \"moved\": " + QByteArray::number(c.moved) +
           ", \"changed\": " + QByteArray::number(c.changed) +
           ", \"new\": " + QByteArray::number(c.added) +
           ", \"removed\": " + QByteArray::number(c.removed) +
           (c.fallback ? ", \"fallback\": true}\n" : "}\n");
}

void Write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
}

void ListReview(const std::vector<ReviewField>& review)
{
    QByteArray out;
    for (const ReviewField& field : review) {
        out += "{\"record\": " + QByteArray::number(field.record) +
               ", \"field\": " + QByteArray::number(field.field) + ", \"reason\": \"" +
               ReviewReasonName(field.reason) + "\"}\n";
        if (out.size() > (1 << 16))
            Write(out), out.clear();
    }
    Write(out);
}

// OLD or NEW, in INPUT's format and the references' encoding.
int LoadOriginal(Session& s, const QString& path, LoadResult* loaded)
{
    const Options& o = s.options;
    *loaded = LoadDocument(path, FileTypeForPath(path), o.referenceEncoding.value_or(*o.encoding),
                           s.document.Format(), s.document.FormatIndex(), false, &s.prompts);
    return loaded->document ? kExitOk : Failed(str::OpenFailed, path, loaded->error);
}

void AddCounts(AlignmentCounts* total, const AlignmentCounts& c)
{
    total->records += c.records, total->kept += c.kept, total->moved += c.moved;
    total->changed += c.changed, total->added += c.added, total->removed += c.removed;
    total->fallback = total->fallback || c.fallback;
}

}  // namespace

// The translation rewritten to the new original; OUTPUT written only once all of it is known.
int RunUpdate(Session& s)
{
    const Options& o = s.options;
    const QString output = o.files[1];
    // Written over, INPUT would lose the only translation that pairs with OLD.
    if (QFileInfo(output).exists() && QFileInfo(output) == QFileInfo(o.files[0])) {
        Print(stderr, QStringLiteral("scrivlet-convert: OUTPUT must not be INPUT\n"));
        return kExitUsage;
    }
    LoadResult oldOriginal, newOriginal;
    if (const int failed = LoadOriginal(s, o.oldReference, &oldOriginal))
        return failed;
    if (const int failed = LoadOriginal(s, o.reference, &newOriginal))
        return failed;
    Alignment alignment;
    if (Result aligned =
            AlignTranslation(*oldOriginal.document, *newOriginal.document, s.document, &alignment);
        !aligned) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(aligned.Error()));
        return kExitFailed;
    }
    const Result saved =
        SaveDocumentAs(*alignment.output, output, FileTypeForPath(output), o.OutputEncoding());
    if (!saved)
        return Failed(str::SaveFailed, output, saved.Error());
    ListReview(alignment.review);
    Write("{" + CountsJson(alignment.counts));
    return kExitOk;
}

int UpdateProjectOriginals(ProjectFile& project, const FormatCatalogue& catalogue,
                           const QString& folder)
{
    AlignmentCounts total;
    int files = 0;
    bool failed = false;
    const Result done = UpdateOriginals(project, catalogue, folder, [&](const FileUpdate& file) {
        if (!file.error.isEmpty()) {
            Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(file.error));
            failed = true;
            return;
        }
        // The update stands without them: told, not failed.
        if (!file.memoryError.isEmpty())
            Print(stderr,
                  QStringLiteral("scrivlet-convert: %1: %2\n").arg(file.path, file.memoryError));
        ++files;
        AddCounts(&total, file.counts);
        Write("{\"file\": " + JsonString(file.path) + ", " + CountsJson(file.counts));
        std::fflush(stdout);
    });
    if (!done) {
        Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(done.Error()));
        return kExitFailed;
    }
    Write("{\"files\": " + QByteArray::number(files) + ", " + CountsJson(total));
    return failed ? kExitFailed : kExitOk;
}

}  // namespace scrivlet::convert
