#include "store/ProjectGlossary.h"

#include "base/UiText.h"
#include "exchange/Glossary.h"
#include "store/ProjectFile.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace scrivlet {
namespace {

// Qt has no CSV writer: the quoting is the few lines RFC 4180 asks for, matched to our reader.
QByteArray CsvField(const QString& text)
{
    const bool quote =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r');
    if (!quote)
        return text.toUtf8();
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return '"' + quoted.toUtf8() + '"';
}

}  // namespace

Result ImportProjectGlossary(ProjectFile& project, const QString& path, GlossaryImport* counts)
{
    *counts = {};
    std::vector<GlossaryTerm> terms;
    if (Result read = ReadGlossary(path, QString(), &terms); !read)
        return read;
    sql::Database& db = project.Database();
    if (Result begun = db.Begin(); !begun) {
        counts->projectFailed = true;
        return Result::Failure(UiText("project.cannotWrite").arg(project.Path(), begun.Error()));
    }
    sql::Statement put = db.Prepare(
        "INSERT OR IGNORE INTO glossary(source, target, note, origin)"
        " VALUES(?, ?, ?, ?)");
    sql::Statement changed = db.Prepare("SELECT changes()");
    Result done = put.IsValid() && changed.IsValid() ? Result() : Result::Failure(db.Error());
    const QString origin = QFileInfo(path).fileName();
    for (size_t i = 0; done && i < terms.size(); ++i) {
        for (const QString& target : terms[i].targets) {
            put.Reset();
            put.Bind(1, terms[i].source).Bind(2, target).Bind(3, terms[i].note).Bind(4, origin);
            put.Step();
            if (!(done = put.Done()))
                break;
            changed.Reset();
            const bool added = changed.Step() && changed.Int(0) > 0;
            ++counts->terms;
            ++(added ? counts->added : counts->duplicates);
        }
    }
    if (done)
        done = db.Commit();
    if (!done) {
        db.Rollback();
        *counts = {};
        counts->projectFailed = true;
        return Result::Failure(UiText("project.cannotWrite").arg(project.Path(), done.Error()));
    }
    return project.Publish();
}

std::vector<GlossaryTerm> ProjectGlossaryTerms(ProjectFile& project)
{
    std::vector<GlossaryTerm> terms;
    QHash<QString, size_t> bySource;
    sql::Statement query =
        project.Database().Prepare("SELECT source, target, note FROM glossary ORDER BY id");
    while (query.IsValid() && query.Step()) {
        const QString source = query.Text(0);
        auto it = bySource.constFind(source);
        if (it == bySource.cend()) {
            it = bySource.insert(source, terms.size());
            terms.push_back({source, {}, query.Text(2)});
        }
        GlossaryTerm& term = terms[*it];
        term.targets << query.Text(1);
        if (term.note.isEmpty())
            term.note = query.Text(2);
    }
    return terms;
}

Result ClearProjectGlossary(ProjectFile& project)
{
    const Result done = project.Database().Exec("DELETE FROM glossary");
    return done ? project.Publish() : done;
}

QByteArray GlossaryCsv(const std::vector<GlossaryTerm>& terms)
{
    QByteArray out = "source,target,note\r\n";
    for (const GlossaryTerm& term : terms) {
        for (const QString& target : term.targets)
            out +=
                CsvField(term.source) + ',' + CsvField(target) + ',' + CsvField(term.note) + "\r\n";
    }
    return out;
}

Result ExportProjectGlossary(ProjectFile& project, const QString& path, qint64* exported)
{
    const std::vector<GlossaryTerm> terms = ProjectGlossaryTerms(project);
    *exported = 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(GlossaryCsv(terms)) < 0 || !file.commit())
        return Result::Failure(UiText(str::SaveFailed).arg(path) + u' ' + file.errorString());
    for (const GlossaryTerm& term : terms)
        *exported += term.targets.size();
    return {};
}

}  // namespace scrivlet
