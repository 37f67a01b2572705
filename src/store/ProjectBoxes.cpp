#include "store/ProjectBoxes.h"

#include "base/UiText.h"
#include "store/ProjectFile.h"
#include "translation/BoxFonts.h"

#include <QDir>
#include <QFileInfo>

#include <map>

namespace scrivlet {

std::vector<StoredBox> ProjectBoxes(ProjectFile& project)
{
    std::vector<StoredBox> boxes;
    sql::Statement query = project.Database().Prepare(
        "SELECT format, field, file, font, size, width, lines, breaks FROM text_boxes"
        " ORDER BY format, field, file");
    while (query.IsValid() && query.Step()) {
        StoredBox stored;
        stored.field = {static_cast<int>(query.Int(0)), static_cast<int>(query.Int(1))};
        stored.file = query.Text(2);
        stored.box.font = query.Text(3);
        stored.box.size = query.Text(4).toDouble();
        stored.box.width = static_cast<int>(query.Int(5));
        stored.box.lines = static_cast<int>(query.Int(6));
        stored.box.breaks = BoxBreakNamed(query.Text(7)).value_or(BoxBreak::Spaces);
        boxes.push_back(std::move(stored));
    }
    return boxes;
}

Result StoreProjectBox(ProjectFile& project, const StoredBox& stored)
{
    sql::Statement put = project.Database().Prepare(
        "INSERT OR REPLACE INTO text_boxes VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    put.Bind(1, stored.field.format).Bind(2, stored.field.field).Bind(3, stored.file);
    put.Bind(4, stored.box.font).Bind(5, QString::number(stored.box.size));
    put.Bind(6, stored.box.width).Bind(7, stored.box.lines);
    put.Bind(8, QString::fromLatin1(BoxBreakName(stored.box.breaks)));
    put.Step();
    if (Result done = put.Done(); !done)
        return Result::Failure(UiText("project.cannotWrite").arg(project.Path(), done.Error()));
    return project.Publish();
}

Result RemoveProjectBox(ProjectFile& project, const FormatField& field, const QString& file)
{
    sql::Statement remove = project.Database().Prepare(
        "DELETE FROM text_boxes WHERE format = ? AND field = ? AND file = ?");
    remove.Bind(1, field.format).Bind(2, field.field).Bind(3, file);
    remove.Step();
    if (Result done = remove.Done(); !done)
        return Result::Failure(UiText("project.cannotWrite").arg(project.Path(), done.Error()));
    return project.Publish();
}

QString KeptFontPath(const ProjectFile& project, const QString& font)
{
    const QDir folder = QFileInfo(project.Path()).absoluteDir();
    const QString absolute = QFileInfo(font).absoluteFilePath();
    const QString relative = folder.relativeFilePath(absolute);
    // A font on another drive has no relative path.
    return QDir::isRelativePath(relative) ? relative : absolute;
}

QString FontPathOf(const ProjectFile& project, const QString& kept)
{
    return QDir::cleanPath(QFileInfo(project.Path()).absoluteDir().absoluteFilePath(kept));
}

QStringList LoadProjectBoxes(ProjectFile& project, CheckSettings* settings)
{
    settings->boxes.clear();
    settings->fileBoxes.clear();
    QStringList problems;
    // Fields that share a font share its measure.
    std::map<std::pair<QString, double>, std::shared_ptr<const TextMeasure>> loaded;
    for (StoredBox stored : ProjectBoxes(project)) {
        stored.box.font = FontPathOf(project, stored.box.font);
        std::shared_ptr<const TextMeasure>& measure = loaded[{stored.box.font, stored.box.size}];
        if (!measure) {
            if (Result load = LoadBoxFont(stored.box, &measure); !load) {
                problems << load.Error();
                continue;
            }
        }
        FittedBox fitted{stored.box, measure};
        if (stored.file.isEmpty())
            settings->boxes[stored.field] = std::move(fitted);
        else
            settings->fileBoxes[{stored.file, stored.field.field}] = std::move(fitted);
    }
    problems.removeDuplicates();
    return problems;
}

}  // namespace scrivlet
