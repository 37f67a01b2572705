#include "shell/ProjectPanel.h"

#include "base/UiText.h"
#include "catalogue/FormatCatalogue.h"
#include "documents/EdtDocument.h"
#include "grid/GridView.h"
#include "session/ProjectConflicts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace scrivlet {

namespace {

constexpr int kSortRole = Qt::UserRole;         // numbers sort as numbers
constexpr int kPathRole = Qt::UserRole + 1;     // a file's relative path
constexpr int kPercentRole = Qt::UserRole + 2;  // the bar's value; -1 for no bar
constexpr int kUnfinishedRole = Qt::UserRole + 3;
// The bar's segments: approved, translated and needs-work fields, then all fields.
constexpr int kSegmentsRole = Qt::UserRole + 4;

QLocale UiLocale()
{
    return QLocale(LanguageCode(CurrentUiLanguage()));
}

int Percent(qint64 done, qint64 of)
{
    return of > 0 ? int(done * 100 / of) : 100;
}

// Room for the widest percentage beside the bar.
int PercentWidth(const QFontMetrics& metrics)
{
    return metrics.horizontalAdvance(UiLocale().toString(100) + QStringLiteral("\u00a0%")) +
           metrics.averageCharWidth();
}

// The bar in segments, approved, translated and needs work, in the colours of the grid's marks;
// each segment ends where the sum up to it falls, so that rounding leaves no gaps.
void PaintSegments(QPainter* painter, const QRect& rect, const QVariantList& parts,
                   const QPalette& palette)
{
    painter->save();
    painter->setPen(palette.color(QPalette::Mid));
    painter->setBrush(palette.color(QPalette::Base));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    const QRect inside = rect.adjusted(1, 1, -1, -1);
    const qint64 fields = parts.size() == 4 ? parts[3].toLongLong() : 0;
    const QRgb colours[] = {kMarkApprovedColour, kMarkTranslatedColour, kMarkNeedsWorkColour};
    qint64 sum = 0;
    int left = inside.left();
    for (int part = 0; part < 3 && fields > 0; ++part) {
        sum += parts[part].toLongLong();
        const int right = inside.left() + int(inside.width() * sum / fields);
        if (right > left)
            painter->fillRect(QRect(left, inside.top(), right - left, inside.height()),
                              QColor(colours[part]));
        left = right;
    }
    painter->restore();
}

// The done share (translated and approved) as a bar in segments with its percentage beside it:
// drawn on the bar, the text would meet its colours.
class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const QVariant percent = index.data(kPercentRole);
        if (!percent.isValid() || percent.toInt() < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // The row's background and selection, without the text.
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        const QRect inner = option.rect.adjusted(2, 2, -2, -2);
        QRect number = inner;
        number.setLeft(inner.right() - PercentWidth(option.fontMetrics) + 1);
        QRect bar = inner;
        bar.setRight(number.left() - 1);
        if (bar.width() > 2)
            PaintSegments(painter, bar, index.data(kSegmentsRole).toList(), option.palette);
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(number, Qt::AlignRight | Qt::AlignVCenter, text);
        painter->restore();
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

ProjectPanel::ProjectPanel(Project& project, QWidget* parent)
    : QDockWidget(UiText("project.panel"), parent),
      project_(project),
      model_(new QStandardItemModel(this)),
      filter_(new UnfinishedFilter(this))
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
    // The bar takes as much room as seven digits beside its percentage.
    const int bar = digits + PercentWidth(metrics);
    for (int column = kRecords; column < kColumns; ++column) {
        const int heading =
            metrics.horizontalAdvance(model_->headerData(column, Qt::Horizontal).toString()) +
            metrics.averageCharWidth() * 3;
        tree_->header()->resizeSection(column,
                                       std::max(heading, column == kTranslated ? bar : digits));
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

    connect(&project_, &Project::RowsChanged, this, &ProjectPanel::Refill);
    connect(&project_.Conflicts(), &ProjectConflicts::Changed, this, &ProjectPanel::Refill);
    connect(&project_, &Project::Changed, this, [this] {
        setWindowTitle(project_.IsOpen() ? UiText("project.panel") + QStringLiteral(" - ") +
                                               QFileInfo(project_.Path()).fileName()
                                         : UiText("project.panel"));
    });
}

ProjectPanel::~ProjectPanel() = default;

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
    if (path.isEmpty())
        return;
    if (const ProjectEntry* entry = project_.Entry(path)) {
        emit OpenRequested(*entry);
        return;
    }
    // Listed from the cache, the walk not ended yet: enough to open it.
    for (const Project::FileRow& row : project_.Rows()) {
        if (row.path == path)
            emit OpenRequested(ProjectEntry{path, row.hasOriginal, row.hasTranslation, -1});
    }
}

// --- the tree ------------------------------------------------------------------------------

namespace {

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

void ProjectPanel::ShowCounts(const QList<QStandardItem*>& items, const TranslationCounts& counts,
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
    // Approved fields are done as much as translated ones; needs work is not done yet.
    const int percent = Percent(counts.Done(), counts.fields);
    items[kTranslated]->setText(locale.toString(percent) + QStringLiteral("\u00a0%"));
    items[kTranslated]->setData(percent, kPercentRole);
    items[kTranslated]->setData(percent, kSortRole);
    items[kTranslated]->setData(
        QVariantList{counts.approved, counts.translated, counts.needsWork, counts.fields},
        kSegmentsRole);
    items[kTranslated]->setToolTip(
        UiText("project.translatedTip")
            .arg(locale.toString(counts.approved), locale.toString(counts.translated),
                 locale.toString(counts.needsWork), locale.toString(counts.fields)));
    items[kName]->setData(counts.Done() < counts.fields, kUnfinishedRole);
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
    QHash<QString, TranslationCounts> sums;
    QHash<QString, qint64> problemSums;
    const std::vector<Project::FileRow> rows = project_.Rows();
    for (const Project::FileRow& row : rows) {
        const QString& path = row.path;
        const qsizetype slash = path.lastIndexOf(u'/');
        QList<QStandardItem*> items;
        for (int column = 0; column < kColumns; ++column)
            items << new QStandardItem;
        const QString name = path.mid(slash + 1);
        items[kName]->setData(path, kPathRole);
        items[kName]->setData(QStringLiteral("1") + name.toLower(), kSortRole);
        // What is said about the file goes in its tooltip: beside the name it was cut off in
        // a panel of the usual width.
        QStringList tip{QDir::toNativeSeparators(path)};
        if (!row.hasOriginal) {
            tip << UiText("project.noOriginal");
            items[kName]->setForeground(QApplication::palette().brush(QPalette::PlaceholderText));
        } else {
            if (!row.hasTranslation) {
                tip << UiText("project.noTranslation");
                QFont italic = items[kName]->font();
                italic.setItalic(true);
                items[kName]->setFont(italic);
            }
            ShowCounts(items, row.counts.counts, row.problems);
            if (!row.counts.error.isEmpty())
                tip << row.counts.error;
            sums[QString()] += row.counts.counts;
            problemSums[QString()] += row.problems;
            for (const QString& folder : FoldersOf(path)) {
                sums[folder] += row.counts.counts;
                problemSums[folder] += row.problems;
            }
        }
        // A file a merge left with conflicting fields stands out until they are resolved.
        if (const ConflictedFile* conflicted = project_.Conflicts().ByRelative(path)) {
            tip << UiText("project.conflicts").arg(conflicted->open.size());
            items[kName]->setIcon(tree_->style()->standardIcon(QStyle::SP_MessageBoxWarning));
            items[kName]->setForeground(QColor(200, 16, 46));
        }
        items[kName]->setText(name);
        items[kName]->setToolTip(tip.join(u'\n'));
        FolderItem(slash < 0 ? QString() : path.left(slash))->appendRow(items);
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
    ShowTotals(rows, sums.value(QString()), problemSums.value(QString()));
}

void ProjectPanel::ShowTotals(const std::vector<Project::FileRow>& rows,
                              const TranslationCounts& total, qint64 problems)
{
    if (!project_.IsOpen()) {
        totals_->clear();
        totals_->setToolTip(QString());
        return;
    }
    int originals = 0, missing = 0, extra = 0;
    for (const Project::FileRow& row : rows) {
        originals += row.hasOriginal ? 1 : 0;
        missing += row.hasOriginal && !row.hasTranslation ? 1 : 0;
        extra += row.hasOriginal ? 0 : 1;
    }
    const QLocale locale = UiLocale();
    QString text =
        UiText("project.totals")
            .arg(locale.toString(originals), locale.toString(total.records),
                 locale.toString(total.Done()), locale.toString(total.fields),
                 locale.toString(Percent(total.Done(), total.fields)), locale.toString(problems));
    if (missing > 0)
        text += u'\n' + UiText("project.missingCount").arg(locale.toString(missing));
    if (extra > 0)
        text += u'\n' + UiText("project.extraCount").arg(locale.toString(extra));
    // What the walk left out is said, and named in the tooltip.
    const ProjectListing& listing = project_.Listing();
    QStringList named;
    for (const auto& [key, paths] : {std::pair{"project.badNames", &listing.badNames},
                                     {"project.linksOutside", &listing.linksOutside}}) {
        if (paths->isEmpty())
            continue;
        text += u'\n' + UiText(key).arg(locale.toString(paths->size()));
        for (const QString& path : *paths)
            named << QDir::toNativeSeparators(path);
    }
    constexpr int kNamed = 20;
    if (named.size() > kNamed) {
        named.resize(kNamed);
        named << QStringLiteral("\u2026");
    }
    totals_->setText(text);
    totals_->setToolTip(named.join(u'\n'));
}

}  // namespace scrivlet
