#include "store/ProjectPlace.h"

#include "catalogue/FormatCatalogue.h"
#include "catalogue/FormatDetection.h"
#include "store/ProjectFile.h"
#include "store/ProjectWalk.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace scrivlet {
namespace {

const QString kProjectPattern = QStringLiteral("*.scrivlet");

// path below folder, both absolute and clean; empty when it is not below it.
QString Below(const QString& path, const QString& folder)
{
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    return path.startsWith(prefix) ? path.mid(prefix.size()) : QString();
}

int FormatOf(ProjectFile& project, const FormatCatalogue& catalogue, const QString& relative)
{
    const QString original = QDir::cleanPath(project.OriginalsDir() + u'/' + relative);
    const Detection detection = FormatDetector(catalogue).Detect(original);
    const int format =
        project.FormatOverrides().value(relative, detection.ask ? -1 : detection.format);
    return catalogue.At(format) ? format : -1;
}

}  // namespace

QString FindProjectAbove(const QString& folder)
{
    for (QDir dir(QFileInfo(folder).absoluteFilePath());;) {
        const QStringList found = dir.entryList({kProjectPattern}, QDir::Files, QDir::Name);
        if (!found.isEmpty())
            return dir.filePath(found.front());
        if (!dir.cdUp())
            return {};
    }
}

QStringList FindProjectsBelow(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, {kProjectPattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QDir(folder).relativeFilePath(path).startsWith(QLatin1String(".git/")))
            found << path;
    }
    found.sort();
    return found;
}

std::optional<DocumentPlace> PlaceInProject(ProjectFile& project, const FormatCatalogue& catalogue,
                                            const QString& path)
{
    const QFileInfo info(path);
    // Clean paths first; canonical ones too, for a path that reaches the folder through a link.
    const QString paths[] = {QDir::cleanPath(info.absoluteFilePath()), info.canonicalFilePath()};
    for (const bool canonical : {false, true}) {
        for (const bool translation : {true, false}) {
            const QString dir = translation ? project.TranslationsDir() : project.OriginalsDir();
            const QString folder =
                canonical ? QFileInfo(dir).canonicalFilePath() : QDir::cleanPath(dir);
            const QString relative = Below(paths[canonical ? 1 : 0], folder);
            if (folder.isEmpty() || relative.isEmpty())
                continue;
            const ProjectSettings& settings = project.Settings();
            return DocumentPlace{
                relative, translation, FormatOf(project, catalogue, relative),
                translation ? settings.translationEncoding : settings.originalEncoding};
        }
    }
    return std::nullopt;
}

std::optional<DocumentPlace> PlaceByName(ProjectFile& project, const FormatCatalogue& catalogue,
                                         const QString& name)
{
    std::optional<DocumentPlace> place;
    const ProjectSettings& settings = project.Settings();
    for (const ProjectEntry& entry : ListProject(project, catalogue).entries) {
        if (QFileInfo(entry.path).fileName() != name)
            continue;
        const DocumentPlace found{
            entry.path, entry.hasTranslation, FormatOf(project, catalogue, entry.path),
            entry.hasTranslation ? settings.translationEncoding : settings.originalEncoding};
        if (place && (place->format != found.format || place->encoding != found.encoding))
            return std::nullopt;
        place = found;
    }
    return place;
}

}  // namespace scrivlet
