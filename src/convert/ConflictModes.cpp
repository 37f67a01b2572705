#include "convert/ConflictModes.h"

#include "base/UiText.h"
#include "convert/ConvertSession.h"
#include "store/GitConflicts.h"

#include <QDir>

#include <algorithm>

namespace scrivlet::convert {
namespace {

QString Head(const ConflictedFile& file, int record, int field)
{
    return QStringLiteral("{\"file\": %1, \"record\": %2, \"field\": %3")
        .arg(QString::fromUtf8(JsonString(file.place.relative)))
        .arg(record)
        .arg(field);
}

QString TextKey(const char* key, const QString& text)
{
    return QStringLiteral(", \"%1\": ").arg(QLatin1String(key)) +
           QString::fromUtf8(JsonString(text));
}

// Files that cannot be read and unmerged files of another kind, each told on stderr; whether
// any could not be read.
bool TellUnlisted(const ConflictList& list)
{
    bool failed = false;
    for (const ConflictedFile& file : list.files) {
        if (!file.error.isEmpty()) {
            Print(stderr, QStringLiteral("scrivlet-convert: %1\n").arg(file.error));
            failed = true;
        }
    }
    for (const QString& path : list.others)
        Print(stderr,
              QStringLiteral("scrivlet-convert: %1\n").arg(UiText("conflict.otherKind").arg(path)));
    return failed;
}

}  // namespace

QString ResolveRequestProblem(const ResolveRequest& request)
{
    if (request.record < 0 || request.field < 0 || request.take.isEmpty())
        return QStringLiteral("--resolve needs --record, --field and --take");
    if (request.take != QLatin1String("ours") && request.take != QLatin1String("theirs"))
        return QStringLiteral("--take is ours or theirs, not '%1'").arg(request.take);
    return {};
}

int ListConflicts(ProjectFile& project, const FormatCatalogue& catalogue)
{
    ConflictList list;
    if (Result found = FindConflicts(project, catalogue, &list); !found)
        return Failed(found.Error());
    const bool failed = TellUnlisted(list);
    QString out;
    for (const ConflictedFile& file : list.files) {
        for (const FieldConflict& c : file.open)
            out += Head(file, c.record, c.field) + TextKey("base", c.base) +
                   TextKey("ours", c.ours) + TextKey("theirs", c.theirs) + QStringLiteral("}\n");
    }
    Print(stdout, out);
    return failed ? kExitFailed : kExitOk;
}

int ResolveProjectConflict(ProjectFile& project, const FormatCatalogue& catalogue,
                           const ResolveRequest& request)
{
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(request.file));
    ConflictList list;
    if (Result found = FindConflicts(project, catalogue, &list); !found)
        return Failed(found.Error());
    // The translation comes first where an original of the same path is unmerged too.
    const auto file =
        std::find_if(list.files.begin(), list.files.end(),
                     [&](const ConflictedFile& f) { return f.place.relative == path; });
    if (file == list.files.end())
        return Failed(UiText("conflict.noFile").arg(path));
    if (!file->error.isEmpty())
        return Failed(file->error);
    const EdtDocument& document = *file->working;
    if (request.record >= document.RecordCount())
        return Failed(
            UiText("states.noRecord").arg(request.record).arg(path).arg(document.RecordCount()));
    if (request.field >= document.TextFieldCount())
        return Failed(
            UiText("states.noField").arg(request.field).arg(path).arg(document.TextFieldCount()));
    const Side take = request.take == QLatin1String("ours") ? Side::Ours : Side::Theirs;
    bool staged = false;
    if (Result resolved = ResolveConflict(*file, request.record, request.field, take, &staged);
        !resolved)
        return Failed(resolved.Error());
    Print(stdout,
          Head(*file, request.record, request.field) +
              TextKey("text", document.FieldText(request.record, request.field).toString()) +
              QStringLiteral("}\n"));
    return kExitOk;
}

}  // namespace scrivlet::convert
