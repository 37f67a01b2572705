#include "session/CheckChoices.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "session/DocumentSession.h"
#include "session/LayoutFont.h"
#include "session/Settings.h"
#include "store/IgnoreFile.h"
#include "store/ProjectFile.h"
#include "translation/BoxFonts.h"
#include "translation/Spelling.h"

namespace scrivlet {

CheckChoices::CheckChoices(std::function<ProjectFile*()> project,
                           std::function<QString(const QString&)> relative,
                           std::function<std::vector<DocumentSession*>()> sessions, QObject* parent)
    : QObject(parent),
      project_(std::move(project)),
      relative_(std::move(relative)),
      sessions_(std::move(sessions))
{
    // The editor measures TrueType boxes as its preview draws them.
    UseLayoutFonts();
}

CheckChoices::~CheckChoices()
{
    // The documents may outlive the dictionary their spelling runs with.
    StopSpelling();
}

void CheckChoices::StopSpelling()
{
    for (DocumentSession* session : sessions_())
        session->Checks()->StopSpelling();
}

QString CheckChoices::Stored(const char* key, const QString& fallback) const
{
    ProjectFile* project = project_();
    const QString value = project ? project->Value(QString::fromLatin1(key)) : QString();
    return value.isNull() ? fallback : value;
}

void CheckChoices::Store(const char* key, const QString& value)
{
    if (ProjectFile* project = project_())
        (void)project->SetValue(QString::fromLatin1(key), value);
}

void CheckChoices::Reload()
{
    const QStringList off =
        Stored(kProjectDisabledChecks, DisabledChecks().join(u'\n')).split(u'\n');
    chosen_ = kAllChecks;
    for (const QString& name : off) {
        if (const std::optional<Check> check = CheckNamed(name))
            chosen_ &= ~Bit(*check);
    }
    language_ = Stored(kProjectSpelling, SpellingLanguage());
    // A project keeps its own word list and patterns; the user's list serves without one.
    ProjectFile* project = project_();
    words_ = project ? ProjectWordList(*project) : UserWordList();
    tuning_ = project ? ProjectCheckTuning(*project) : CheckTuning();
    StopSpelling();
    boxes_.boxes.clear(), boxes_.fileBoxes.clear(), boxProblems_.clear();
    if (project)
        boxProblems_ = LoadProjectBoxes(*project, &boxes_);
    LoadDictionary();
    ApplyAll();
}

void CheckChoices::LoadDictionary()
{
    StopSpelling();
    dictionary_.reset();
    if (!language_.isEmpty()) {
        auto dictionary = std::make_unique<SpellingDictionary>();
        // A language without its dictionary on this system checks no spelling.
        if (dictionary->Load(language_)) {
            dictionary->SetWordList(words_);
            dictionary_ = std::move(dictionary);
        }
    }
    enabled_ = dictionary_ ? chosen_ : (chosen_ & ~Bit(Check::Spelling));
}

void CheckChoices::ApplyAll()
{
    for (DocumentSession* session : sessions_())
        Apply(session);
    emit Changed();
}

void CheckChoices::Apply(DocumentSession* session)
{
    // The ignores first, so that the document is checked once.
    session->Checks()->SetIgnored(LoadIgnores(session), false);
    const QString path = session->Document()->Path();
    session->SetBoxes(boxes_, path.isEmpty() ? QString() : relative_(path));
    session->SetCheckChoices(enabled_, language_, dictionary_.get(), tuning_);
}

void CheckChoices::Follow(DocumentSession* session)
{
    connect(session->Checks(), &DocumentChecks::IgnoredChanged, this,
            [this, session] { StoreIgnores(session); });
    Apply(session);
}

std::vector<IgnoredProblem> CheckChoices::LoadIgnores(DocumentSession* session) const
{
    std::vector<IgnoredProblem> ignored;
    const QString path = session->Document()->Path();
    if (path.isEmpty())
        return ignored;
    ProjectFile* project = project_();
    if (const QString relative = relative_(path); project && !relative.isEmpty())
        return project->IgnoredProblems(relative);
    // Unreadable: nothing ignored; the next ignore writes the file anew.
    (void)ReadIgnoreFile(path, &ignored);
    return ignored;
}

void CheckChoices::StoreIgnores(DocumentSession* session)
{
    const QString path = session->Document()->Path();
    // A document not yet saved keeps its ignores until it is closed.
    if (path.isEmpty())
        return;
    const std::vector<IgnoredProblem> ignored = session->Checks()->Ignored();
    ProjectFile* project = project_();
    if (const QString relative = relative_(path); project && !relative.isEmpty())
        (void)project->ReplaceIgnoredProblems(relative, ignored);
    else
        (void)WriteIgnoreFile(path, ignored);
}

void CheckChoices::SetEnabled(Check check, bool on)
{
    chosen_ = on ? (chosen_ | Bit(check)) : (chosen_ & ~Bit(check));
    QStringList off;
    for (int c = 0; c < kCheckCount; ++c) {
        if (!(chosen_ & Bit(static_cast<Check>(c))))
            off << QString::fromLatin1(CheckName(static_cast<Check>(c)));
    }
    if (project_())
        Store(kProjectDisabledChecks, off.join(u'\n'));
    else
        SetDisabledChecks(off);
    enabled_ = dictionary_ ? chosen_ : (chosen_ & ~Bit(Check::Spelling));
    ApplyAll();
}

void CheckChoices::SetLanguage(const QString& code)
{
    if (project_())
        Store(kProjectSpelling, code);
    else
        SetSpellingLanguage(code);
    language_ = code;
    LoadDictionary();
    ApplyAll();
}

void CheckChoices::SetWordList(const QStringList& words)
{
    words_ = words;
    words_.removeDuplicates();
    if (ProjectFile* project = project_())
        (void)StoreProjectWordList(*project, words_);
    else
        SetUserWordList(words_);
    if (dictionary_) {
        StopSpelling();
        dictionary_->SetWordList(words_);
    }
    ApplyAll();
}

void CheckChoices::AddWord(const QString& word)
{
    if (!word.isEmpty() && !words_.contains(word))
        SetWordList(words_ + QStringList{word});
}

void CheckChoices::SetTuning(const CheckTuning& tuning)
{
    tuning_ = tuning;
    if (ProjectFile* project = project_())
        (void)StoreCheckTuning(*project, tuning_);
    ApplyAll();
}

QString CheckChoices::FileOf(const DocumentSession& session) const
{
    const QString path = session.Document()->Path();
    return path.isEmpty() || !project_() ? QString() : relative_(path);
}

Result CheckChoices::SetBox(const StoredBox& box)
{
    ProjectFile* project = project_();
    if (!project)
        return Result::Failure(UiText("box.noProject"));
    StoredBox kept = box;
    kept.box.font = KeptFontPath(*project, box.box.font);
    // The font must load before the project keeps it.
    std::shared_ptr<const TextMeasure> measure;
    if (Result loaded = LoadBoxFont(box.box, &measure); !loaded)
        return loaded;
    if (Result stored = StoreProjectBox(*project, kept); !stored)
        return stored;
    Reload();
    return {};
}

}  // namespace scrivlet
