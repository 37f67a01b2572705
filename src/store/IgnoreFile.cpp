#include "store/IgnoreFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace scrivlet {
namespace {

const QString kProblems = QStringLiteral("problems");
const QString kRecord = QStringLiteral("record");
const QString kField = QStringLiteral("field");
const QString kCheck = QStringLiteral("check");
// Hex: JSON numbers hold 53 bits, the hash has 64.
const QString kHash = QStringLiteral("hash");

}  // namespace

QString IgnoreFilePath(const QString& documentPath)
{
    return documentPath + QStringLiteral(".ignore");
}

Result ReadIgnoreFile(const QString& documentPath, std::vector<IgnoredProblem>* ignored)
{
    ignored->clear();
    QFile file(IgnoreFilePath(documentPath));
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return Result::Failure(file.errorString());
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return Result::Failure(error.errorString());
    for (const QJsonValue entry : json.object().value(kProblems).toArray()) {
        const QJsonObject o = entry.toObject();
        const std::optional<Check> check = CheckNamed(o.value(kCheck).toString());
        bool hex = false;
        const quint64 hash = o.value(kHash).toString().toULongLong(&hex, 16);
        if (check && hex)
            ignored->push_back({o.value(kRecord).toInt(), o.value(kField).toInt(), *check, hash});
    }
    return {};
}

Result WriteIgnoreFile(const QString& documentPath, const std::vector<IgnoredProblem>& ignored)
{
    const QString path = IgnoreFilePath(documentPath);
    if (ignored.empty()) {
        QFile file(path);
        if (file.exists() && !file.remove())
            return Result::Failure(file.errorString());
        return {};
    }
    QJsonArray problems;
    for (const IgnoredProblem& p : ignored)
        problems.append(QJsonObject{{kRecord, p.record},
                                    {kField, p.field},
                                    {kCheck, QString::fromLatin1(CheckName(p.check))},
                                    {kHash, QString::number(p.hash, 16)}});
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result::Failure(file.errorString());
    file.write(QJsonDocument(QJsonObject{{kProblems, problems}}).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return Result::Failure(file.errorString());
    return {};
}

}  // namespace scrivlet
