#include "shell/ProjectPanel.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "session/DocumentSession.h"
#include "translation/DocumentChecks.h"
#include "translation/TranslationStatus.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace scrivlet {

namespace {

constexpr int kSortRole = Qt::UserRole;         // numbers sort as numbers
constexpr int kPathRole = Qt::UserRole + 1;     // a file's relative path
constexpr int kPercentRole = Qt::UserRole + 2;  // the bar's value; -1 for no bar
constexpr int kUnfinishedRole = Qt::UserRole + 3;
// Changes on disk come in bursts (a save writes, renames, touches): one count after them.
constexpr int kRecountDelayMs = 400;
// Watching costs a handle per file; a larger project is counted again on request only.
constexpr int kMaxWatchedFiles = 4000;

QLocale UiLocale()
{
    return QLocale(LanguageCode(CurrentUiLanguage()));
}

int Percent(qint64 done, qint64 of)
{
    return of > 0 ? int(done * 100 / of) : 100;
}

// The translated share as a bar with its percentage.
class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const int percent = index.data(kPercentRole).toInt();
        if (!index.data(kPercentRole).isValid() || percent < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.state = option.state | QStyle::State_Horizontal;
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = percent;
        bar.text = index.data(Qt::DisplayRole).toString();
        bar.textVisible = true;
        bar.textAlignment = Qt::AlignCenter;
        QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter);
    }
};

}  // namespace

// "Unfinished only" keeps the files with fields left to translate, and their folders.
class UnfinishedFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetActive(bool active)
    {
        active_ = active;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!active_)
            return true;
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return !sourceModel()->hasChildren(index) && index.data(kUnfinishedRole).toBool();
    }

private:
    bool active_ = false;
};

struct ProjectPanel::CountResult {
    ProjectListing listing;
    CountRun run;
    QString error;
};

ProjectPanel::ProjectPanel(const FormatCatalogue& catalogue, QWidget* parent)
    : QDockWidget(UiText("project.panel"), parent),
      catalogue_(catalogue),
      model_(new QStandardItemModel(this)),
      filter_(new UnfinishedFilter(this)),
      recount_(new QTimer(this)),
      refill_(new QTimer(this))
{
    setObjectName(QStringLiteral("projectPanel"));
    model_->setColumnCount(kColumns);
    model_->setHorizontalHeaderLabels({UiText("project.file"), UiText("project.records"),
                                       UiText("project.fields"), UiText("project.translated"),
                                       UiText("project.problems")});
    // Open files count as the status bar does; the others only what the count on disk knows.
    model_->horizontalHeaderItem(kProblems)->setToolTip(UiText("project.problemsTip"));
    filter_->setSourceModel(model_);
    filter_->setSortRole(kSortRole);
    filter_->setRecursiveFilteringEnabled(true);
    filter_->setSortLocaleAware(true);

    auto* body = new QWidget(this);
    tree_ = new QTreeView(body);
    tree_->setObjectName(QStringLiteral("projectTree"));
    tree_->setModel(filter_);
    tree_->setSortingEnabled(true);
    tree_->sortByColumn(kName, Qt::AscendingOrder);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setItemDelegateForColumn(kTranslated, new ProgressDelegate(tree_));
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
    // Fixed widths, room for the heading or seven digits: sizing to contents reads every row.
    const QFontMetrics metrics = tree_->fontMetrics();
    const int digits = metrics.horizontalAdvance(QStringLiteral("0000000"));
    for (int column = kRecords; column < kColumns; ++column) {
        const int heading =
            metrics.horizontalAdvance(model_->headerData(column, Qt::Horizontal).toString()) +
            metrics.averageCharWidth() * 3;
        tree_->header()->resizeSection(column, std::max(heading, digits));
    }
    tree_->viewport()->installEventFilter(this);
    connect(tree_, &QTreeView::activated, this, &ProjectPanel::Activate);
    unfinished_ = new QCheckBox(UiText("project.unfinishedOnly"), body);
    unfinished_->setObjectName(QStringLiteral("unfinishedOnly"));
    connect(unfinished_, &QCheckBox::toggled, this, [this](bool on) {
        filter_->SetActive(on);
        tree_->expandAll();
    });
    totals_ = new QLabel(body);
    totals_->setObjectName(QStringLiteral("projectTotals"));
    totals_->setWordWrap(true);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(unfinished_);
    layout->addWidget(tree_, 1);
    layout->addWidget(totals_);
    setWidget(body);

    recount_->setSingleShot(true);
    recount_->setInterval(kRecountDelayMs);
    connect(recount_, &QTimer::timeout, this, &ProjectPanel::StartCount);
    refill_->setSingleShot(true);
    refill_->setInterval(0);
    connect(refill_, &QTimer::timeout, this, &ProjectPanel::Refill);
    connect(&counting_, &QFutureWatcher<std::shared_ptr<CountResult>>::finished, this,
            &ProjectPanel::TakeCount);
}

ProjectPanel::~ProjectPanel()
{
    // The count reads the catalogue, which may go with the frame.
    counting_.waitForFinished();
}

Result ProjectPanel::Open(const QString& path)
{
    auto project = std::make_unique<ProjectFile>();
    if (Result opened = project->Open(path); !opened)
        return opened;
    Close();
    project_ = std::move(project);
    // What the cache vouches for is shown at once; the walk corrects it when it ends.
    const QHash<QString, CachedCounts> cache = project_->Cache();
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        Row& row = rows_[it.key()];
        const CachedCounts& cached = it.value();
        row.hasTranslation = cached.translation.size >= 0;
        row.counts = PairCounts{it.key(),
                                !row.hasTranslation,
                                QString(),
                                cached.records,
                                cached.fields,
                                cached.empty,
                                cached.sameAsReference,
                                cached.translated,
                                cached.tooLong,
                                cached.notStorable};
    }
    setWindowTitle(UiText("project.panel") + QStringLiteral(" - ") + QFileInfo(path).fileName());
    Refill();
    StartCount();
    return {};
}

void ProjectPanel::Close()
{
    counting_.waitForFinished();
    recount_->stop();
    countAgain_ = false;
    delete watcher_;
    watcher_ = nullptr;
    project_.reset();
    listing_ = {};
    checked_.clear();
    rows_.clear();
    Refill();
    setWindowTitle(UiText("project.panel"));
}

const ProjectEntry* ProjectPanel::Entry(const QString& relative) const
{
    for (const ProjectEntry& entry : listing_.entries) {
        if (entry.path == relative)
            return &entry;
    }
    return nullptr;
}

QString ProjectPanel::RelativeTranslation(const QString& path) const
{
    if (!project_ || path.isEmpty())
        return {};
    const QString relative = QDir(project_->TranslationsDir()).relativeFilePath(path);
    return relative.startsWith(QLatin1String("../")) || QFileInfo(relative).isAbsolute() ? QString()
                                                                                         : relative;
}

bool ProjectPanel::Counting() const
{
    return counting_.isRunning() || recount_->isActive() || countAgain_;
}

void ProjectPanel::ScheduleRecount()
{
    if (project_)
        recount_->start();
}

void ProjectPanel::StartCount()
{
    if (!project_)
        return;
    if (counting_.isRunning()) {
        countAgain_ = true;
        return;
    }
    countAgain_ = false;
    // A connection of its own: the pool's thread must not share the panel's.
    const QString path = project_->Path();
    const FormatCatalogue* catalogue = &catalogue_;
    counting_.setFuture(QtConcurrent::run([path, catalogue] {
        auto result = std::make_shared<CountResult>();
        ProjectFile project;
        Result done = project.Open(path);
        if (done) {
            result->listing = ListProject(project, *catalogue);
            done = CountProject(project, *catalogue, result->listing, &result->run);
        }
        result->error = done ? QString() : done.Error();
        return result;
    }));
}

void ProjectPanel::TakeCount()
{
    const std::shared_ptr<CountResult> result = counting_.result();
    if (project_ && result) {
        listing_ = std::move(result->listing);
        rows_.clear();
        for (const PairCounts& pair : result->run.pairs)
            rows_[pair.path] = Row{pair, true, !pair.missing};
        for (const ProjectEntry& entry : listing_.entries) {
            if (!entry.hasOriginal) {
                Row& row = rows_[entry.path];
                row.counts.path = entry.path;
                row.hasOriginal = false;
            }
        }
        WatchFiles();
        Refill();
    }
    if (countAgain_)
        StartCount();
    else
        emit Counted();
}

void ProjectPanel::Follow(DocumentSession* session)
{
    const QString relative = RelativeTranslation(session->Document()->Path());
    if (relative.isEmpty())
        return;
    live_.insert(relative, session);
    connect(session->Status(), &TranslationStatus::CountsChanged, refill_,
            qOverload<>(&QTimer::start));
    connect(session, &DocumentSession::ReferenceChanged, refill_, qOverload<>(&QTimer::start));
    connect(session->Checks(), &DocumentChecks::ProblemsChanged, refill_,
            qOverload<>(&QTimer::start));
    // Saved or closed: the file on disk holds the counts again.
    connect(session, &DocumentSession::ModifiedChanged, this, [this](bool modified) {
        if (!modified)
            ScheduleRecount();
    });
    connect(session, &QObject::destroyed, this, [this, relative] {
        live_.remove(relative);
        refill_->start();
        ScheduleRecount();
    });
    refill_->start();
}

void ProjectPanel::WatchFiles()
{
    delete watcher_;
    watcher_ = new QFileSystemWatcher(this);
    if (listing_.entries.size() > kMaxWatchedFiles)
        return;
    QStringList paths{project_->OriginalsDir(), project_->TranslationsDir()};
    for (const ProjectEntry& entry : listing_.entries) {
        if (entry.hasOriginal)
            paths << entry.OriginalIn(*project_);
        if (entry.hasTranslation)
            paths << entry.TranslationIn(*project_);
        // Folders tell of files that come and go.
        if (const QString folder = QFileInfo(entry.path).path(); folder != QLatin1String(".")) {
            paths << project_->OriginalsDir() + u'/' + folder;
            paths << project_->TranslationsDir() + u'/' + folder;
        }
    }
    paths.removeDuplicates();
    paths.removeIf([](const QString& path) { return !QFileInfo::exists(path); });
    watcher_->addPaths(paths);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &ProjectPanel::ScheduleRecount);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &ProjectPanel::ScheduleRecount);
}

bool ProjectPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tree_->viewport() && event->type() == QEvent::Resize)
        FitNameColumn();
    return QDockWidget::eventFilter(watched, event);
}

void ProjectPanel::FitNameColumn()
{
    // A stretched column shrinks to nothing in a narrow dock; below the least width the names
    // keep it and the counts scroll sideways instead.
    QHeaderView* header = tree_->header();
    int counts = 0;
    for (int column = kRecords; column < kColumns; ++column)
        counts += header->sectionSize(column);
    const int least = tree_->fontMetrics().averageCharWidth() * 18;
    const bool room = tree_->viewport()->width() - counts >= least;
    if (room == (header->sectionResizeMode(kName) == QHeaderView::Stretch))
        return;
    header->setSectionResizeMode(kName, room ? QHeaderView::Stretch : QHeaderView::Interactive);
    if (!room)
        header->resizeSection(kName, least);
}

void ProjectPanel::Activate(const QModelIndex& index)
{
    const QString path = index.siblingAtColumn(kName).data(kPathRole).toString();
    if (const ProjectEntry* entry = Entry(path))
        emit OpenRequested(*entry);
    else if (!path.isEmpty() && project_ && rows_.contains(path))
        // Listed from the cache, the walk not ended yet: enough to open it.
        emit OpenRequested(
            ProjectEntry{path, rows_[path].hasOriginal, rows_[path].hasTranslation, -1});
}

// --- the tree ------------------------------------------------------------------------------

namespace {

void Add(PairCounts& sum, const PairCounts& counts)
{
    sum.records += counts.records;
    sum.fields += counts.fields;
    sum.empty += counts.empty;
    sum.sameAsReference += counts.sameAsReference;
    sum.translated += counts.translated;
    sum.tooLong += counts.tooLong;
    sum.notStorable += counts.notStorable;
}

// The folders a relative path lies in, outermost first ("a", "a/b" for "a/b/c.edt").
QStringList FoldersOf(const QString& path)
{
    QStringList folders;
    for (qsizetype at = path.indexOf(u'/'); at >= 0; at = path.indexOf(u'/', at + 1))
        folders << path.left(at);
    return folders;
}

}  // namespace

QStandardItem* ProjectPanel::FolderItem(const QString& folder)
{
    if (folder.isEmpty())
        return model_->invisibleRootItem();
    if (QStandardItem* item = folders_.value(folder))
        return item;
    const qsizetype slash = folder.lastIndexOf(u'/');
    QStandardItem* parent = FolderItem(slash < 0 ? QString() : folder.left(slash));
    const QString name = folder.mid(slash + 1);
    QList<QStandardItem*> items;
    for (int column = 0; column < kColumns; ++column)
        items << new QStandardItem;
    items[kName]->setText(name);
    items[kName]->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    // Folders before files, whichever way the names sort.
    items[kName]->setData(QStringLiteral("0") + name.toLower(), kSortRole);
    parent->appendRow(items);
    folders_.insert(folder, items[kName]);
    return items[kName];
}

void ProjectPanel::ShowCounts(const QList<QStandardItem*>& items, const PairCounts& counts,
                              qint64 problems)
{
    const QLocale locale = UiLocale();
    const std::pair<int, qint64> numbers[] = {
        {kRecords, counts.records}, {kFields, counts.fields}, {kProblems, problems}};
    for (const auto& [column, value] : numbers) {
        const QString text = locale.toString(value);
        if (items[column]->text() != text) {
            items[column]->setText(text);
            items[column]->setData(value, kSortRole);
            items[column]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    const int percent = Percent(counts.translated, counts.fields);
    items[kTranslated]->setText(locale.toString(percent) + QStringLiteral("\u00a0%"));
    items[kTranslated]->setData(percent, kPercentRole);
    items[kTranslated]->setData(percent, kSortRole);
    items[kTranslated]->setToolTip(
        UiText("project.translatedTip")
            .arg(locale.toString(counts.translated), locale.toString(counts.fields)));
    items[kName]->setData(counts.translated < counts.fields, kUnfinishedRole);
}

void ProjectPanel::SetCheckedProblems(QHash<QString, qint64> problems)
{
    if (problems == checked_)
        return;
    checked_ = std::move(problems);
    refill_->start();
}

void ProjectPanel::Refill()
{
    QStringList expanded;
    for (auto it = folders_.begin(); it != folders_.end(); ++it) {
        if (tree_->isExpanded(filter_->mapFromSource(it.value()->index())))
            expanded << it.key();
    }
    const bool first = folders_.isEmpty();
    const QString current = tree_->currentIndex().siblingAtColumn(kName).data(kPathRole).toString();
    model_->removeRows(0, model_->rowCount());
    folders_.clear();
    QHash<QString, PairCounts> sums;
    QHash<QString, qint64> problemSums;
    for (auto it = rows_.begin(); it != rows_.end(); ++it) {
        const Row& row = it.value();
        PairCounts counts = row.counts;
        qint64 problems = checked_.value(it.key(), counts.tooLong + counts.notStorable);
        const DocumentSession* session = live_.value(it.key());
        if (session && session->Status()->Reference()) {
            const TranslationCounts& now = session->Status()->Counts();
            problems = session->Checks()->Count() + now.sourceChanged;
            counts = PairCounts{it.key(),
                                counts.missing,
                                QString(),
                                session->Document()->RecordCount(),
                                now.fields,
                                now.empty,
                                now.sameAsReference,
                                now.translated,
                                now.tooLong,
                                now.notStorable};
        }
        const qsizetype slash = it.key().lastIndexOf(u'/');
        QList<QStandardItem*> items;
        for (int column = 0; column < kColumns; ++column)
            items << new QStandardItem;
        QString name = it.key().mid(slash + 1);
        items[kName]->setData(it.key(), kPathRole);
        items[kName]->setData(QStringLiteral("1") + name.toLower(), kSortRole);
        items[kName]->setToolTip(QDir::toNativeSeparators(it.key()));
        if (!row.hasOriginal) {
            name += QStringLiteral("  (%1)").arg(UiText("project.noOriginal"));
            items[kName]->setForeground(QApplication::palette().brush(QPalette::PlaceholderText));
        } else {
            if (!row.hasTranslation)
                name += QStringLiteral("  (%1)").arg(UiText("project.noTranslation"));
            ShowCounts(items, counts, problems);
            if (!counts.error.isEmpty())
                items[kName]->setToolTip(counts.error);
            Add(sums[QString()], counts);
            problemSums[QString()] += problems;
            for (const QString& folder : FoldersOf(it.key())) {
                Add(sums[folder], counts);
                problemSums[folder] += problems;
            }
        }
        items[kName]->setText(name);
        FolderItem(slash < 0 ? QString() : it.key().left(slash))->appendRow(items);
    }
    for (auto it = folders_.begin(); it != folders_.end(); ++it) {
        QStandardItem* folder = it.value();
        QStandardItem* parent = folder->parent() ? folder->parent() : model_->invisibleRootItem();
        QList<QStandardItem*> items;
        for (int column = 0; column < kColumns; ++column)
            items << parent->child(folder->row(), column);
        ShowCounts(items, sums.value(it.key()), problemSums.value(it.key()));
    }
    for (auto it = folders_.begin(); it != folders_.end(); ++it) {
        if (first || expanded.contains(it.key()))
            tree_->expand(filter_->mapFromSource(it.value()->index()));
    }
    if (!current.isEmpty()) {
        const QModelIndexList found = model_->match(model_->index(0, kName), kPathRole, current, 1,
                                                    Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty())
            tree_->setCurrentIndex(filter_->mapFromSource(found.first()));
    }
    ShowTotals(sums.value(QString()), problemSums.value(QString()));
}

void ProjectPanel::ShowTotals(const PairCounts& total, qint64 problems)
{
    if (!project_) {
        totals_->clear();
        return;
    }
    int originals = 0, missing = 0, extra = 0;
    for (const Row& row : rows_) {
        originals += row.hasOriginal ? 1 : 0;
        missing += row.hasOriginal && !row.hasTranslation ? 1 : 0;
        extra += row.hasOriginal ? 0 : 1;
    }
    const QLocale locale = UiLocale();
    QString text = UiText("project.totals")
                       .arg(locale.toString(originals), locale.toString(total.records),
                            locale.toString(total.translated), locale.toString(total.fields),
                            locale.toString(Percent(total.translated, total.fields)),
                            locale.toString(problems));
    if (missing > 0)
        text += u'\n' + UiText("project.missingCount").arg(locale.toString(missing));
    if (extra > 0)
        text += u'\n' + UiText("project.extraCount").arg(locale.toString(extra));
    totals_->setText(text);
}

}  // namespace scrivlet
