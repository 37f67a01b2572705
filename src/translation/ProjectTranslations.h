#pragma once

#include <QMultiHash>
#include <QStringView>

#include <functional>
#include <utility>

// The translations the files of a project give each reference text, so that a field can be
// judged against the same text translated in the project's other files. Texts are kept as
// 64-bit hashes: a project of a million fields needs tens of megabytes, not its texts again,
// and two different texts that hash alike are a chance of one in billions.

namespace scrivlet {

class EdtDocument;

class ProjectTranslations {
public:
    // The hash texts are known by here.
    static quint64 HashOf(QStringView text);

    // The translated fields of document (compared with reference, its original) as file's: a
    // field counts when it is not empty and differs from its reference, as in one document.
    void Add(int file, const EdtDocument& document, const EdtDocument& reference);
    void Add(int file, QStringView reference, QStringView translation);
    // Calls each distinct translation (its hash) of reference that another file gives.
    void ForOthers(QStringView reference, int file,
                   const std::function<void(quint64 translation)>& each) const;
    bool HasOthers(QStringView reference, int file) const;
    bool IsEmpty() const { return byReference_.isEmpty(); }

private:
    // Each (file, translation) once per reference text, all by hash.
    QMultiHash<quint64, std::pair<int, quint64>> byReference_;
};

}  // namespace scrivlet
