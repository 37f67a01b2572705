#include "shell/ProjectFind.h"

#include "base/UiText.h"
#include "documents/EdtDocument.h"
#include "store/ProjectFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace scrivlet {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kMatchRole = Qt::UserRole + 1;  // record, field, start, length

enum ResultColumn { kFile, kRecord, kField, kText };

QLocale UiLocale()
{
    return QLocale(LanguageCode(CurrentUiLanguage()));
}

// The text around a hit on one line, the hit between brackets that stand out.
QString AroundText(const HitContext& context, int length)
{
    QString text = context.around;
    text.insert(context.matchStart + length, u'\u00bb');
    text.insert(context.matchStart, u'\u00ab');
    return text.simplified();
}

}  // namespace

ProjectFindPanel::ProjectFindPanel(const FormatCatalogue& catalogue, QWidget* parent)
    : QDockWidget(UiText("projectFind.panel"), parent), catalogue_(catalogue)
{
    setObjectName(QStringLiteral("projectFindPanel"));
    auto* body = new QWidget(this);
    text_ = new QLineEdit(body);
    text_->setObjectName(QStringLiteral("projectFindText"));
    replacement_ = new QLineEdit(body);
    replacement_->setObjectName(QStringLiteral("projectReplaceText"));
    matchCase_ = new QCheckBox(UiText("projectFind.matchCase"), body);
    wholeWord_ = new QCheckBox(UiText("projectFind.wholeWord"), body);
    regex_ = new QCheckBox(UiText("projectFind.regex"), body);
    find_ = new QPushButton(UiText("projectFind.find"), body);
    find_->setObjectName(QStringLiteral("projectFindButton"));
    replaceAll_ = new QPushButton(UiText("projectFind.replaceAll"), body);
    replaceAll_->setObjectName(QStringLiteral("projectReplaceButton"));
    results_ = new QTreeWidget(body);
    results_->setObjectName(QStringLiteral("projectFindResults"));
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setHeaderLabels({UiText("projectFind.file"), UiText("projectFind.record"),
                               UiText("projectFind.field"), UiText("projectFind.text")});
    results_->header()->setStretchLastSection(true);
    // Fixed widths: sizing to contents would read every hit.
    const int unit = results_->fontMetrics().averageCharWidth();
    for (const auto& [column, chars] : {std::pair{kFile, 32}, {kRecord, 12}, {kField, 16}})
        results_->header()->resizeSection(column, unit * chars);
    count_ = new QLabel(body);
    count_->setObjectName(QStringLiteral("projectFindCount"));
    report_ = new QLabel(body);
    report_->setObjectName(QStringLiteral("projectReplaceReport"));
    report_->setWordWrap(true);
    report_->hide();

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(UiText("projectFind.findLabel"), body), 0, 0);
    fields->addWidget(text_, 0, 1);
    fields->addWidget(find_, 0, 2);
    fields->addWidget(new QLabel(UiText("projectFind.replaceLabel"), body), 1, 0);
    fields->addWidget(replacement_, 1, 1);
    fields->addWidget(replaceAll_, 1, 2);
    auto* options = new QHBoxLayout;
    for (QCheckBox* option : {matchCase_, wholeWord_, regex_})
        options->addWidget(option);
    options->addStretch(1);
    options->addWidget(count_);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(fields);
    layout->addLayout(options);
    layout->addWidget(results_, 1);
    layout->addWidget(report_);
    setWidget(body);

    connect(find_, &QPushButton::clicked, this, &ProjectFindPanel::Find);
    connect(text_, &QLineEdit::returnPressed, this, &ProjectFindPanel::Find);
    connect(replaceAll_, &QPushButton::clicked, this,
            [this] { emit ReplaceRequested(Query(), replacement_->text()); });
    connect(text_, &QLineEdit::textChanged, this, &ProjectFindPanel::UpdateButtons);
    for (QCheckBox* option : {matchCase_, wholeWord_, regex_})
        connect(option, &QCheckBox::toggled, this, &ProjectFindPanel::UpdateButtons);
    // One click shows the hit: the list is for going through them.
    connect(results_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const QList<QVariant> match = item->data(kText, kMatchRole).toList();
        if (match.size() == 4)
            emit HitActivated(
                item->data(kFile, kPathRole).toString(),
                FieldMatch{match[0].toInt(), match[1].toInt(), match[2].toInt(), match[3].toInt()});
    });
    connect(results_, &QTreeWidget::itemActivated, results_, &QTreeWidget::itemClicked);
    connect(&searching_, &QFutureWatcher<SearchOutcome>::finished, this,
            &ProjectFindPanel::TakeOutcome);
    UpdateButtons();
}

ProjectFindPanel::~ProjectFindPanel()
{
    Stop();
}

void ProjectFindPanel::SetProject(const QString& path)
{
    Stop();
    project_ = path;
    results_->clear();
    perFile_.clear();
    hitCount_ = 0;
    done_ = false;
    count_->clear();
    report_->hide();
    UpdateButtons();
}

void ProjectFindPanel::SetOpenDocuments(std::function<const EdtDocument*(const QString&)> lookup)
{
    openDocument_ = std::move(lookup);
}

void ProjectFindPanel::ShowAndFocus()
{
    show();
    raise();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

SearchQuery ProjectFindPanel::Query() const
{
    const std::pair<QCheckBox*, SearchFlag> options[] = {
        {matchCase_, kSearchMatchCase}, {wholeWord_, kSearchWholeWord}, {regex_, kSearchRegex}};
    quint32 flags = 0;
    for (const auto& [box, flag] : options)
        flags |= box->isChecked() ? quint32(flag) : 0u;
    return SearchQuery{text_->text(), flags};
}

void ProjectFindPanel::Stop()
{
    running_ = false;
    cancel_ = true;
    searching_.waitForFinished();
    cancel_ = false;
}

void ProjectFindPanel::Find()
{
    Stop();
    const SearchQuery query = Query();
    if (project_.isEmpty() || query.text.isEmpty()) {
        QApplication::beep();
        return;
    }
    // Hits of an earlier search still on their way are dropped by their number.
    const int generation = ++generation_;
    running_ = true;
    searched_ = query;
    done_ = false;
    results_->clear();
    perFile_.clear();
    errors_.clear();
    hitCount_ = 0;
    report_->hide();
    ShowCount(false);
    const QString path = project_;
    const FormatCatalogue* catalogue = &catalogue_;
    searching_.setFuture(QtConcurrent::run([this, path, catalogue, query, generation] {
        ProjectFile project;
        if (!project.Open(path))
            return SearchOutcome::NotFound;
        const ProjectListing listing = ListProject(project, *catalogue);
        return FindInProject(
            project, *catalogue, listing, query,
            [this, generation](const FileHits& hits) {
                QMetaObject::invokeMethod(
                    this, [this, generation, hits] { AddHits(generation, hits); },
                    Qt::QueuedConnection);
            },
            ProjectSearchControl{true, &cancel_});
    }));
    UpdateButtons();
}

void ProjectFindPanel::AddHits(int generation, FileHits hits)
{
    if (generation != generation_)
        return;
    // What the editor shows is what a replace would change: an edited document is searched
    // as it is now.
    const EdtDocument* open = openDocument_ ? openDocument_(hits.path) : nullptr;
    if (open) {
        hits.hits.clear();
        hits.context.clear();
        FindAll(*open, searched_, [&hits](const FieldMatch& match) { hits.hits.push_back(match); });
        for (const FieldMatch& hit : hits.hits)
            hits.context.push_back(ContextOfHit(*open, hit));
    }
    if (!hits.error.isEmpty())
        errors_ << hits.error;
    if (hits.hits.empty())
        return;
    perFile_[hits.path] = int(hits.hits.size());
    const QLocale locale = UiLocale();
    QList<QTreeWidgetItem*> items;
    for (size_t k = 0; k < hits.hits.size() && hitCount_ + int(k) < kMaxListed; ++k) {
        const FieldMatch& hit = hits.hits[k];
        const HitContext& context = hits.context[k];
        auto* item = new QTreeWidgetItem({QDir::toNativeSeparators(hits.path), context.record,
                                          context.field, AroundText(context, hit.length)});
        item->setData(kFile, kPathRole, hits.path);
        item->setData(kText, kMatchRole,
                      QVariantList{hit.record, hit.field, hit.start, hit.length});
        item->setToolTip(kText, context.around);
        items << item;
    }
    results_->addTopLevelItems(items);
    hitCount_ += int(hits.hits.size());
    ShowCount(false);
}

void ProjectFindPanel::TakeOutcome()
{
    if (!running_ || searching_.future().resultCount() == 0)
        return;
    running_ = false;
    done_ = true;
    if (searching_.result() == SearchOutcome::InvalidPattern) {
        QApplication::beep();
        count_->setText(UiText("find.badPattern"));
    } else {
        ShowCount(true);
    }
    UpdateButtons();
    emit Finished();
}

void ProjectFindPanel::ShowCount(bool done)
{
    const QLocale locale = UiLocale();
    QString text = UiText(done ? "projectFind.count" : "projectFind.counting")
                       .arg(locale.toString(hitCount_), locale.toString(perFile_.size()));
    if (hitCount_ > kMaxListed)
        text += u' ' + UiText("projectFind.listed").arg(locale.toString(kMaxListed));
    if (!errors_.isEmpty())
        text += u' ' + UiText("projectFind.unread").arg(locale.toString(errors_.size()));
    count_->setText(text);
    count_->setToolTip(errors_.join(u'\n'));
}

void ProjectFindPanel::ShowReport(const QString& text)
{
    report_->setText(text);
    report_->setVisible(!text.isEmpty());
}

void ProjectFindPanel::UpdateButtons()
{
    const SearchQuery query = Query();
    find_->setEnabled(!project_.isEmpty() && !query.text.isEmpty());
    // Replace works on the hits the list shows: only after a search of the same query.
    replaceAll_->setEnabled(done_ && hitCount_ > 0 && query.text == searched_.text &&
                            query.flags == searched_.flags && !Searching());
}

}  // namespace scrivlet
