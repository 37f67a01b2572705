#include "convert/BoxModes.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "convert/ConvertSession.h"
#include "store/ProjectBoxes.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"
#include "translation/BoxFonts.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace scrivlet::convert {

namespace {

bool IsFont(const QString& path)
{
    return QFileInfo(path).suffix().compare(u"fnt", Qt::CaseInsensitive) != 0;
}

int TextFields(const EdtFormat& format)
{
    int count = 0;
    for (int k = 0; k < format.FieldCount(); ++k)
        count += format.fields[static_cast<size_t>(k)].type == kTextField ? 1 : 0;
    return count;
}

QString ValueOf(const QStringList& args, const char* option)
{
    const qsizetype at = args.indexOf(QLatin1String(option));
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : QString();
}

}  // namespace

int SetProjectBox(ProjectFile& project, const FormatCatalogue& catalogue, const BoxRequest& request,
                  const QString& file)
{
    const FormatField field{request.setBox->first.toInt(), request.setBox->second.toInt()};
    const EdtFormat* format = catalogue.At(field.format);
    if (!format)
        return Failed(QStringLiteral("no format %1 in the catalogue").arg(field.format));
    if (field.field >= TextFields(*format))
        return Failed(QStringLiteral("format %1 has %2 text fields")
                          .arg(field.format)
                          .arg(TextFields(*format)));
    if (!file.isEmpty()) {
        const std::vector<ProjectEntry> entries = ListProject(project, catalogue).entries;
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const ProjectEntry& e) { return e.hasOriginal && e.path == file; }))
            return Failed(UiText("project.noSuchOriginal").arg(file));
    }
    StoredBox stored{field, file, RequestedBox(request)};
    // The font must load before the project keeps it.
    std::shared_ptr<const TextMeasure> measure;
    if (Result loaded = LoadBoxFont(stored.box, &measure); !loaded)
        return Failed(loaded.Error());
    stored.box.font = KeptFontPath(project, request.font);
    if (Result kept = StoreProjectBox(project, stored); !kept)
        return Failed(kept.Error());
    Print(stdout, QStringLiteral("{\"format\": %1, \"field\": %2, \"font\": %3, \"size\": %4, "
                                 "\"width\": %5, \"lines\": %6, \"break\": \"%7\"}\n")
                      .arg(field.format)
                      .arg(field.field)
                      .arg(QString::fromUtf8(JsonString(stored.box.font)))
                      .arg(stored.box.size)
                      .arg(stored.box.width)
                      .arg(stored.box.lines)
                      .arg(QLatin1String(BoxBreakName(stored.box.breaks))));
    return kExitOk;
}

bool NeedsTextLayout(const QStringList& args)
{
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--box")) {
            QString problem;
            if (const auto argument = ParseBoxArgument(args[i + 1], &problem);
                argument && IsFont(argument->second.font))
                return true;
        }
    }
    if (args.contains(QLatin1String("--set-box")))
        return IsFont(ValueOf(args, "--font"));
    const QString path = ValueOf(args, "--project");
    if (path.isEmpty() || !args.contains(QLatin1String("--check")) || !QFileInfo(path).isFile())
        return false;
    // The run opens the project again; what this open did (a conversion, a text read again)
    // is done for it.
    ProjectFile project;
    if (!project.Open(path))
        return false;
    const std::vector<StoredBox> boxes = ProjectBoxes(project);
    return std::any_of(boxes.begin(), boxes.end(),
                       [](const StoredBox& stored) { return IsFont(stored.box.font); });
}

}  // namespace scrivlet::convert
