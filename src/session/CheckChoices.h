#pragma once

#include "store/ProjectBoxes.h"
#include "store/ProjectChecks.h"
#include "translation/DocumentChecks.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// The choices the quality checks run with, kept in the open project (which wins) or in the
// user's settings: which checks are on, the spelling language and its word list, the
// project's placeholder patterns. Also where each document's ignored problems are kept: the
// project's table for a file of the project, a file beside the document otherwise.

namespace scrivlet {

class DocumentSession;
class ProjectFile;
class SpellingDictionary;

class CheckChoices : public QObject {
    Q_OBJECT

public:
    // project gives the open project file (null for none); relative the project's name of a
    // document's file (empty when it is none of the project's); sessions the open documents.
    CheckChoices(std::function<ProjectFile*()> project,
                 std::function<QString(const QString&)> relative,
                 std::function<std::vector<DocumentSession*>()> sessions,
                 QObject* parent = nullptr);
    ~CheckChoices() override;

    // The checks that run now (spelling only with a language).
    CheckMask Enabled() const { return enabled_; }
    // As the user chose them: spelling may be chosen while no language is.
    CheckMask Chosen() const { return chosen_; }
    void SetEnabled(Check check, bool on);
    // "en", "de", "pl", "ru"; empty: spelling off.
    QString Language() const { return language_; }
    void SetLanguage(const QString& code);
    QStringList WordList() const { return words_; }
    void SetWordList(const QStringList& words);
    void AddWord(const QString& word);
    // The project's patterns, length ratio and fields that may start in lower case.
    const CheckTuning& Tuning() const { return tuning_; }
    void SetTuning(const CheckTuning& tuning);
    // The dictionary of the language with the word list; null while spelling is off.
    const SpellingDictionary* Dictionary() const { return dictionary_.get(); }

    // The game's text boxes of the open project, with their fonts; what kept a font from
    // loading.
    const CheckSettings& Boxes() const { return boxes_; }
    const QStringList& BoxProblems() const { return boxProblems_; }
    // The project's name of the session's file; empty when it is none of the project's.
    QString FileOf(const DocumentSession& session) const;
    // Keeps a box in the project (with its font as given) and checks every document again.
    Result SetBox(const StoredBox& box);

    // A document just opened: its checks take the choices and its ignores.
    void Follow(DocumentSession* session);
    // The project was opened or closed: every choice is read again and every document
    // re-checked.
    void Reload();

signals:
    // The choices changed.
    void Changed();

private:
    void Apply(DocumentSession* session);
    void ApplyAll();
    void StoreIgnores(DocumentSession* session);
    std::vector<IgnoredProblem> LoadIgnores(DocumentSession* session) const;
    void LoadDictionary();
    // Before the dictionary changes or goes: no document's run may still ask it.
    void StopSpelling();
    // The project's value of key when it has one, else fallback.
    QString Stored(const char* key, const QString& fallback) const;
    void Store(const char* key, const QString& value);

    std::function<ProjectFile*()> project_;
    std::function<QString(const QString&)> relative_;
    std::function<std::vector<DocumentSession*>()> sessions_;
    CheckMask chosen_ = kAllChecks;  // as stored; spelling then needs a language
    CheckMask enabled_ = 0;
    QString language_;
    QStringList words_;
    CheckTuning tuning_;
    CheckSettings boxes_;  // only its boxes and fileBoxes
    QStringList boxProblems_;
    std::unique_ptr<SpellingDictionary> dictionary_;
};

}  // namespace scrivlet
