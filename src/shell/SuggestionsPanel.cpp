#include "shell/SuggestionsPanel.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "grid/GridCommands.h"
#include "grid/GridView.h"
#include "session/DocumentSession.h"
#include "session/Project.h"
#include "session/Settings.h"
#include "session/Workspace.h"
#include "shell/DocumentTab.h"
#include "translation/WordDifference.h"

#include <QAction>
#include <QApplication>
#include <QFutureWatcher>
#include <QLocale>
#include <QMutex>
#include <QTextBrowser>
#include <QtConcurrent>

#include <atomic>

namespace scrivlet {

// The memory as the look-up thread holds it. An SQLite connection must not be used by two
// threads at once: the pool's single thread is the only user, and it keeps the connection
// open between look-ups.
struct SuggestionsPanel::Worker {
    std::atomic<int> latest{0};
    // Set when the panel goes: a look-up waiting on a server gives up within a tenth of a second.
    std::shared_ptr<std::atomic<bool>> abandon = std::make_shared<std::atomic<bool>>(false);
    QString location;
    int timeout = 0;
    std::unique_ptr<TranslationMemory> memory;

    Found Find(const QString& where, int seconds, const QString& source, int generation)
    {
        Found found;
        found.generation = generation;
        // Typing ran ahead of this one: its answer would be dropped anyway.
        if (generation != latest.load())
            return found;
        if (!memory || location != where || timeout != seconds) {
            memory.reset();
            location = where;
            timeout = seconds;
            if (Result opened = OpenMemory(where, &memory, {seconds, abandon}); !opened) {
                memory.reset();
                found.error = opened.Error();
                return found;
            }
        }
        MemoryLanguages languages;
        Result done = memory->Languages(&languages);
        if (done && !languages.IsEmpty())
            done = memory->Suggest(languages, source, kMinScore, kMaxMatches, &found.matches);
        if (!done) {
            // A server may come back: the next look-up opens again.
            memory.reset();
            found.error = done.Error();
        }
        return found;
    }
};

SuggestionsPanel::SuggestionsPanel(QWidget* parent)
    : QDockWidget(UiText("suggest.title"), parent),
      view_(new QTextBrowser(this)),
      worker_(std::make_shared<Worker>())
{
    setObjectName(QStringLiteral("suggestionsPanel"));
    pool_.setMaxThreadCount(1);
    // The connection stays open while the panel lives.
    pool_.setExpiryTimeout(-1);
    view_->setOpenLinks(false);
    setWidget(view_);
    ShowNote(QString());
    for (int n = 1; n <= kMaxMatches; ++n) {
        auto* use = new QAction(UiText("suggest.use").arg(n), this);
        use->setObjectName(QStringLiteral("useSuggestion%1").arg(n));
        use->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(n)));
        use->setShortcutContext(Qt::WindowShortcut);
        connect(use, &QAction::triggered, this, [this, n] { UseSuggestion(n); });
        (parent ? parent : this)->addAction(use);
    }
}

SuggestionsPanel::~SuggestionsPanel()
{
    worker_->latest = -1;
    worker_->abandon->store(true);
    pool_.waitForDone();
}

void SuggestionsPanel::SetLocation(const QString& location)
{
    if (location == location_)
        return;
    location_ = location;
    LookupSelected();
}

void SuggestionsPanel::FollowWorkspace(const Workspace& workspace)
{
    SetLocation(workspace.MemoryInUse());
    connect(&workspace.CurrentProject(), &Project::Changed, this,
            [this, &workspace] { SetLocation(workspace.MemoryInUse()); });
}

void SuggestionsPanel::Follow(DocumentTab* tab)
{
    if (tab_ == tab)
        return;
    if (tab_)
        disconnect(tab_, nullptr, this, nullptr);
    tab_ = tab;
    if (tab)
        connect(tab, &DocumentTab::SourceChanged, this, &SuggestionsPanel::LookupSelected);
    LookupSelected();
}

void SuggestionsPanel::LookupSelected()
{
    const QString source = tab_ ? tab_->SelectedSource() : QString();
    Lookup(source);
}

void SuggestionsPanel::Lookup(const QString& source)
{
    source_ = source;
    current_ = false;
    worker_->latest = ++generation_;
    if (location_.isEmpty() || source.isEmpty()) {
        matches_.clear();
        current_ = true;
        ShowNote(UiText(location_.isEmpty() ? "suggest.noMemory" : "suggest.noSource"));
        emit MatchesShown();
        return;
    }
    auto* watcher = new QFutureWatcher<Found>(this);
    connect(watcher, &QFutureWatcher<Found>::finished, this, [this, watcher] {
        watcher->deleteLater();
        const Found found = watcher->result();
        if (found.generation == generation_)
            Show(found);
    });
    watcher->setFuture(
        QtConcurrent::run(&pool_, [worker = worker_, location = location_,
                                   timeout = MemoryTimeout(), source, generation = generation_] {
            return worker->Find(location, timeout, source, generation);
        }));
}

std::optional<QString> SuggestionsPanel::Target(int n) const
{
    if (!current_ || n < 1 || n > static_cast<int>(matches_.size()))
        return std::nullopt;
    return matches_[static_cast<size_t>(n - 1)].target;
}

bool SuggestionsPanel::UseSuggestion(int n)
{
    const std::optional<QString> target = Target(n);
    if (!tab_ || !target) {
        QApplication::beep();
        return false;
    }
    if (taker_ && taker_(*target))
        return true;
    return tab_->Commands()->PutText(*target);
}

namespace {

// The memory's source with what the selected field's source lacks struck out and what it
// adds underlined.
QString MarkedSource(const QString& memorySource, const QString& source)
{
    QString html;
    for (const DiffPiece& piece : WordDifference(memorySource, source)) {
        const QString text = piece.text.toHtmlEscaped();
        switch (piece.kind) {
            case DiffPiece::Same:
                html += text;
                break;
            case DiffPiece::Removed:
                html += QStringLiteral("<s style=\"background:#f8d0d0\">%1</s>").arg(text);
                break;
            case DiffPiece::Added:
                html += QStringLiteral("<u style=\"background:#cdeccd\">%1</u>").arg(text);
                break;
        }
    }
    return html;
}

}  // namespace

void SuggestionsPanel::Show(const Found& found)
{
    matches_ = found.matches;
    current_ = true;
    if (!found.error.isEmpty()) {
        ShowNote(UiText("suggest.failed").arg(ShownLocation(location_), found.error));
    } else if (matches_.empty()) {
        ShowNote(UiText("suggest.none"));
    } else {
        // One block per match, the translation under its source: columns side by side broke
        // the words of a narrow dock, and of German headings, letter by letter.
        QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">");
        const QLocale locale;
        for (size_t k = 0; k < matches_.size(); ++k) {
            const MemoryMatch& match = matches_[k];
            html +=
                QStringLiteral(
                    "<tr><td style=\"background:#eef2f7\"><b>Ctrl+%1</b> &nbsp; %2 %3%</td></tr>"
                    "<tr><td style=\"color:#555\">%4: %5</td></tr>"
                    "<tr><td>%6: <b>%7</b></td></tr>")
                    .arg(k + 1)
                    .arg(UiText("suggest.score"), locale.toString(match.score),
                         UiText("suggest.source"), MarkedSource(match.source, source_),
                         UiText("suggest.target"), match.target.toHtmlEscaped());
        }
        view_->setHtml(html + QStringLiteral("</table>"));
    }
    emit MatchesShown();
}

void SuggestionsPanel::ShowNote(const QString& note)
{
    view_->setHtml(QStringLiteral("<p style=\"color:gray\">%1</p>").arg(note.toHtmlEscaped()));
}

}  // namespace scrivlet
