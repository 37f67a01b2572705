#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

// The translations the files of a project give each reference text, so that a field can be
// judged against the same text translated in the project's other files.

namespace scrivlet {

class EdtDocument;

class ProjectTranslations {
public:
    // The translated fields of document (compared with reference, its original) as file's: a
    // field counts when it is not empty and differs from its reference, as in one document.
    void Add(int file, const EdtDocument& document, const EdtDocument& reference);
    void Add(int file, const QString& reference, const QString& translation);
    // Calls each distinct translation of reference that another file than file gives.
    void ForOthers(QStringView reference, int file,
                   const std::function<void(QStringView)>& each) const;
    bool HasOthers(QStringView reference, int file) const;
    bool IsEmpty() const { return byReference_.isEmpty(); }

private:
    // Each (file, translation) once per reference text.
    QHash<QString, std::vector<std::pair<int, QString>>> byReference_;
};

}  // namespace scrivlet
