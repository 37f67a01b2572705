#include "shell/EditingPane.h"

#include "base/GuardedRegex.h"
#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "documents/RowLabels.h"
#include "grid/GridView.h"
#include "session/DocumentHistory.h"
#include "session/DocumentSession.h"
#include "shell/BoxPreview.h"
#include "shell/ConflictView.h"
#include "shell/DocumentTab.h"
#include "shell/FieldNoteBox.h"
#include "translation/DocumentChecks.h"
#include "translation/Spelling.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSyntaxHighlighter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

// The pause after a keystroke before the checks follow the typed text.
constexpr int kPendingDelayMs = 150;
// Placeholders that get an Alt+digit each.
constexpr int kKeyedInserts = 9;

const QColor kPlaceholderColour(30, 110, 200);
const QColor kNumberColour(150, 90, 20);
const QColor kTermBackground(255, 245, 200);
const QColor kOverflowBackground(255, 200, 200);

std::vector<TextSpan> PlaceholdersIn(const CheckSettings& settings, QStringView text)
{
    std::vector<TextSpan> spans;
    MatchBudget budget{MatchLimits{}};
    settings.placeholders.Find(text, &budget, &spans);
    return spans;
}

// Marks by the session's check settings; nothing without them.
class SettingsHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;
    void SetSettings(const CheckSettings* settings)
    {
        settings_ = settings;
        rehighlight();
    }

protected:
    const CheckSettings* settings_ = nullptr;
};

// The original: placeholders and tags, numbers and glossary terms marked, line by line.
class OriginalHighlighter : public SettingsHighlighter {
public:
    using SettingsHighlighter::SettingsHighlighter;

protected:
    void highlightBlock(const QString& text) override
    {
        if (!settings_)
            return;
        QTextCharFormat term;
        term.setBackground(kTermBackground);
        for (const GlossaryTerm& glossary : settings_->glossary)
            MarkWholeWords(text, glossary.source, term);
        QTextCharFormat number;
        number.setForeground(kNumberColour);
        for (qsizetype at = 0; at < text.size();) {
            if (!text[at].isDigit()) {
                ++at;
                continue;
            }
            const qsizetype start = at;
            while (at < text.size() && text[at].isDigit())
                ++at;
            setFormat(int(start), int(at - start), number);
        }
        QTextCharFormat placeholder;
        placeholder.setForeground(kPlaceholderColour);
        placeholder.setFontWeight(QFont::Bold);
        for (const TextSpan& span : PlaceholdersIn(*settings_, text))
            setFormat(int(span.start), int(span.length), placeholder);
    }

private:
    void MarkWholeWords(const QString& text, const QString& words, const QTextCharFormat& format)
    {
        if (words.isEmpty())
            return;
        for (qsizetype at = text.indexOf(words, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(words, at + 1, Qt::CaseInsensitive)) {
            const qsizetype end = at + words.size();
            const bool before = at == 0 || !text[at - 1].isLetterOrNumber();
            const bool after = end >= text.size() || !text[end].isLetterOrNumber();
            if (before && after)
                setFormat(int(at), int(words.size()), format);
        }
    }
};

// The translation: words the dictionary does not know, underlined as a spelling checker does.
class SpellingHighlighter : public SettingsHighlighter {
public:
    using SettingsHighlighter::SettingsHighlighter;

protected:
    void highlightBlock(const QString& text) override
    {
        if (!settings_ || !settings_->speller || !(settings_->enabled & Bit(Check::Spelling)))
            return;
        QTextCharFormat wrong;
        wrong.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        wrong.setUnderlineColor(Qt::red);
        for (const TextSpan& word : SpellingWords(text, PlaceholdersIn(*settings_, text))) {
            if (!settings_->speller->Knows(QStringView(text).mid(word.start, word.length)))
                setFormat(int(word.start), int(word.length), wrong);
        }
    }
};

}  // namespace

EditingPane::EditingPane(QWidget* parent)
    : QDockWidget(UiText("pane.title"), parent),
      where_(new QLabel(this)),
      conflict_(new ConflictView(this)),
      original_(new QPlainTextEdit(this)),
      inserts_(new QToolBar(this)),
      translation_(new QPlainTextEdit(this)),
      capacity_(new QLabel(this)),
      note_(new QLabel(this)),
      notes_(new FieldNoteBox(this)),
      pending_(new QTimer(this))
{
    setObjectName(QStringLiteral("editingPane"));
    auto* body = new QWidget(this);
    original_->setObjectName(QStringLiteral("paneOriginal"));
    original_->setReadOnly(true);
    original_->setTabChangesFocus(true);
    translation_->setObjectName(QStringLiteral("paneTranslation"));
    translation_->setTabChangesFocus(true);
    translation_->installEventFilter(this);
    capacity_->setObjectName(QStringLiteral("paneCapacity"));
    note_->setObjectName(QStringLiteral("paneNote"));
    note_->setWordWrap(true);
    inserts_->setObjectName(QStringLiteral("paneInserts"));
    inserts_->setIconSize(QSize(8, 8));
    new OriginalHighlighter(original_->document());
    new SpellingHighlighter(translation_->document());
    auto* originalLabel = new QLabel(UiText("pane.original"), this);
    auto* translationLabel = new QLabel(UiText("pane.translation"), this);
    originalLabel->setBuddy(original_);
    translationLabel->setBuddy(translation_);
    auto* counts = new QHBoxLayout;
    counts->addWidget(translationLabel);
    counts->addStretch(1);
    counts->addWidget(capacity_);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(where_);
    layout->addWidget(conflict_);
    layout->addWidget(originalLabel);
    layout->addWidget(original_, 1);
    layout->addWidget(inserts_);
    layout->addLayout(counts);
    layout->addWidget(translation_, 1);
    layout->addWidget(note_);
    layout->addWidget(notes_);
    layout->addWidget(preview_ = new BoxPreview(body));
    setWidget(body);

    pending_->setSingleShot(true);
    pending_->setInterval(kPendingDelayMs);
    connect(pending_, &QTimer::timeout, this, [this] {
        const int field = tab_ && record_ >= 0 ? tab_->Document()->FieldOfColumn(column_) : -1;
        if (field >= 0 && Dirty())
            tab_->Session()->Checks()->SetPendingText(record_, field, Typed());
    });
    connect(translation_, &QPlainTextEdit::textChanged, this, &EditingPane::TextEdited);
    for (int n = 1; n <= kKeyedInserts; ++n) {
        auto* key = new QShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(n)), this);
        key->setContext(Qt::WidgetWithChildrenShortcut);
        connect(key, &QShortcut::activated, this, [this, n] {
            const QList<QAction*> actions = inserts_->actions();
            if (n <= actions.size())
                actions[n - 1]->trigger();
        });
    }
    Clear(UiText("pane.noField"));
}

EditingPane::~EditingPane() = default;

void EditingPane::Follow(DocumentTab* tab)
{
    if (tab == tab_)
        return;
    KeepDraft();
    if (tab_) {
        tab_->View()->disconnect(this);
        tab_->Document()->disconnect(this);
        tab_->Session()->disconnect(this);
        tab_->Session()->Checks()->disconnect(this);
    }
    UseSettings(nullptr);
    tab_ = tab;
    if (tab_) {
        connect(tab_->View(), &GridView::CellSelected, this, &EditingPane::ShowSelected);
        const auto changed = [this] {
            // A change made elsewhere (the grid, an undo) shows unless the user is typing.
            if (!Dirty())
                ShowField(record_, column_);
        };
        connect(tab_->Document(), &EdtDocument::TextChanged, this, changed);
        connect(tab_->Document(), &EdtDocument::TextsChanged, this, changed);
        connect(tab_->Session(), &DocumentSession::ReferenceChanged, this, changed);
        // A box set or changed meanwhile.
        connect(tab_->Session()->Checks(), &DocumentChecks::ProblemsChanged, this,
                &EditingPane::ShowPreview);
    }
    ShowSelected();
}

void EditingPane::ShowSelected()
{
    if (!tab_) {
        Clear(UiText("pane.noField"));
        return;
    }
    const GridView* view = tab_->View();
    const int row = view->SelectedRow(), column = view->SelectedColumn();
    if (row == record_ && column == column_ && Dirty())
        return;
    KeepDraft();
    if (!view->IsTextCell(row, column)) {
        Clear(UiText("pane.noField"));
        return;
    }
    ShowField(row, column);
}

void EditingPane::ShowField(int record, int column)
{
    const EdtDocument* document = tab_ ? tab_->Document() : nullptr;
    if (!document || record < 0 || record >= document->RecordCount() ||
        !document->IsTextColumn(column)) {
        Clear(UiText("pane.noField"));
        return;
    }
    record_ = record;
    column_ = column;
    UseSettings(&tab_->Session()->CheckChoices());
    const EdtDocument* reference = tab_->Reference();
    const QString original = reference ? reference->Text(record, column) : QString();
    where_->setText(QStringLiteral("%1 \u2014 %2")
                        .arg(RowLabels().RecordName(document->Format(), record),
                             document->Format().fields[static_cast<size_t>(column)].caption));
    original_->setPlainText(original);
    original_->setEnabled(reference != nullptr);
    FillInserts(original);
    committed_ = document->Text(record, column);
    const QString draft =
        drafts_.take(QStringLiteral("%1:%2:%3").arg(quintptr(tab_.data())).arg(record).arg(column));
    showing_ = true;
    translation_->setPlainText(committed_);
    shown_ = translation_->toPlainText();
    if (!draft.isNull())
        translation_->setPlainText(draft);
    // Typing goes on at the end of the text, as in the cell editor.
    translation_->moveCursor(QTextCursor::End);
    showing_ = false;
    translation_->setEnabled(true);
    ShowCapacity();
    conflict_->Show(tab_, record, column);
    notes_->Show(tab_, record, column);
}

void EditingPane::UseSettings(const CheckSettings* settings)
{
    for (const QPlainTextEdit* edit : {original_, translation_})
        static_cast<SettingsHighlighter*>(edit->document()->findChild<QSyntaxHighlighter*>())
            ->SetSettings(settings);
}

void EditingPane::Clear(const QString& note)
{
    // The settings belong to a session that may be on its way out.
    UseSettings(nullptr);
    record_ = column_ = -1;
    committed_.clear();
    shown_.clear();
    where_->clear();
    original_->clear();
    FillInserts(QString());
    showing_ = true;
    translation_->clear();
    showing_ = false;
    translation_->setEnabled(false);
    capacity_->clear();
    note_->setText(note);
    conflict_->Show(nullptr, -1, -1);
    notes_->Show(nullptr, -1, -1);
    preview_->Show(nullptr, {});
}

bool EditingPane::Dirty() const
{
    return record_ >= 0 && translation_->toPlainText() != shown_;
}

QString EditingPane::Typed() const
{
    QString text = translation_->toPlainText();
    if (committed_.contains(QLatin1String("\r\n")))
        text.replace(u'\n', QLatin1String("\r\n"));
    return text;
}

int EditingPane::Capacity(int column) const
{
    return tab_ && column >= 0 ? tab_->Document()->Format().fields[size_t(column)].size : -1;
}

void EditingPane::FillInserts(const QString& original)
{
    inserts_->clear();
    if (!tab_ || original.isEmpty()) {
        inserts_->hide();
        return;
    }
    QStringList seen;
    for (const TextSpan& span : PlaceholdersIn(tab_->Session()->CheckChoices(), original)) {
        const QString text = original.mid(span.start, span.length);
        if (seen.contains(text))
            continue;
        seen << text;
        QAction* insert = inserts_->addAction(text);
        const int n = int(seen.size());
        insert->setToolTip(n <= kKeyedInserts
                               ? UiText("pane.insertKey")
                                     .arg(text, QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + n))
                                                    .toString(QKeySequence::NativeText))
                               : UiText("pane.insert").arg(text));
        connect(insert, &QAction::triggered, this, [this, text] { Insert(text); });
    }
    inserts_->setVisible(!seen.isEmpty());
}

void EditingPane::TextEdited()
{
    if (showing_)
        return;
    ShowCapacity();
    pending_->start();
}

void EditingPane::ShowCapacity()
{
    const QString text = Typed();
    const int capacity = Capacity(column_);
    const bool over = capacity >= 0 && text.size() > capacity;
    capacity_->setText(UiText("pane.capacity").arg(text.size()).arg(capacity));
    capacity_->setStyleSheet(over ? QStringLiteral("color: #c8102e; font-weight: bold;")
                                  : QString());
    // The part past the capacity in red: shown whole, never cut off.
    QList<QTextEdit::ExtraSelection> selections;
    if (over) {
        QTextEdit::ExtraSelection beyond;
        beyond.cursor = QTextCursor(translation_->document());
        // The editor's positions count a "\r\n" line break as one.
        beyond.cursor.setPosition(capacity - int(text.left(capacity).count(u'\r')));
        beyond.cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        beyond.format.setBackground(kOverflowBackground);
        selections << beyond;
    }
    translation_->setExtraSelections(selections);
    note_->setText(over ? UiText("pane.tooLong").arg(text.size() - capacity) : QString());
    ShowPreview();
}

void EditingPane::ShowPreview()
{
    const int field = tab_ && column_ >= 0 ? tab_->Document()->FieldOfColumn(column_) : -1;
    preview_->Show(field >= 0 ? tab_->Session()->Checks()->BoxOf(field) : nullptr,
                   translation_->toPlainText());
}

void EditingPane::Insert(const QString& text)
{
    if (record_ < 0)
        return;
    translation_->insertPlainText(text);
    translation_->setFocus();
}

bool EditingPane::Commit()
{
    if (!tab_ || record_ < 0) {
        QApplication::beep();
        return false;
    }
    if (!Dirty())
        return true;
    const QString text = Typed();
    if (text.size() > Capacity(column_)) {
        QApplication::beep();
        ShowCapacity();
        return false;
    }
    pending_->stop();
    DocumentSession& session = *tab_->Session();
    if (!session.SetText(record_, column_, text,
                         RecordStepName("undo.typing", *session.Document(), record_)))
        return false;
    session.Checks()->ClearPendingText();
    committed_ = text;
    shown_ = translation_->toPlainText();
    ShowCapacity();
    tab_->View()->NoteCommitted(record_, column_);
    return true;
}

bool EditingPane::DoneAndNext()
{
    const bool typing = translation_->hasFocus();
    notes_->CommitComment();
    if (!Commit())
        return false;
    notes_->MarkDone();
    if (next_)
        next_();
    // Typing goes on in the pane, at the next field.
    if (typing && record_ >= 0)
        translation_->setFocus();
    return true;
}

void EditingPane::Replace(const QString& text)
{
    if (record_ < 0)
        return;
    // Through the cursor, so that the editor's own undo brings the typed text back.
    QTextCursor cursor(translation_->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    translation_->setFocus();
}

void EditingPane::KeepDraft()
{
    if (!tab_ || !Dirty())
        return;
    // What fits is committed as the cell editor would; what does not waits here.
    if (Typed().size() <= Capacity(column_)) {
        Commit();
        return;
    }
    drafts_.insert(QStringLiteral("%1:%2:%3").arg(quintptr(tab_.data())).arg(record_).arg(column_),
                   translation_->toPlainText());
    tab_->Session()->Checks()->ClearPendingText();
}

bool EditingPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == translation_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && Dirty()) {
            // Back to the field's text, as Escape does in the cell editor.
            ShowField(record_, column_);
            return true;
        }
    }
    if (watched == translation_ && event->type() == QEvent::FocusOut && Dirty() &&
        Typed().size() <= Capacity(column_))
        Commit();
    return QDockWidget::eventFilter(watched, event);
}

}  // namespace scrivlet
