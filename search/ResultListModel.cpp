#include "ResultListModel.h"

#include <QMetaObject>
#include <QString>

#include <unordered_map>

namespace corvanth {

ResultListModel::ResultListModel(ResultList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), shown_(list.Count()) {
    lastIndicatorColumn_ = SortIndicatorColumn();
    lastIndicatorOrder_ = SortIndicatorOrder();
    list_.SetObserver(this);
}

ResultListModel::~ResultListModel() {
    list_.SetObserver(nullptr);
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_);
}

namespace {

// The columns a cluster adds after the five cells.
enum class LinkColumn { Hops = static_cast<int>(kResultCellCount), Via };
constexpr int kLinkColumnCount = 2;

} // namespace

int ResultListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(kResultCellCount) + (showLinks_ ? kLinkColumnCount : 0);
}

void ResultListModel::ShowLinks(std::unordered_map<std::string, ClusterLink> links) {
    HideLinks();
    links_ = std::move(links);
    const int first = static_cast<int>(LinkColumn::Hops);
    beginInsertColumns(QModelIndex(), first, first + kLinkColumnCount - 1);
    showLinks_ = true;
    endInsertColumns();
}

void ResultListModel::HideLinks() {
    links_.clear();
    if (!showLinks_) return;
    const int first = static_cast<int>(LinkColumn::Hops);
    beginRemoveColumns(QModelIndex(), first, first + kLinkColumnCount - 1);
    showLinks_ = false;
    endRemoveColumns();
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    if (row >= shown_) return {};
    const ResultRow& shownRow = list_.Row(row);
    if (column < kResultCellCount) return QString::fromStdString(shownRow.Cells[column]);
    if (!showLinks_ || !shownRow.ItemKey) return {};
    const auto link = links_.find(*shownRow.ItemKey);
    if (link == links_.end()) return {};
    if (index.column() == static_cast<int>(LinkColumn::Hops))
        return static_cast<qulonglong>(link->second.hops);
    return QString::fromStdString(link->second.via);
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (showLinks_ && section == static_cast<int>(LinkColumn::Hops)) return QStringLiteral("Hops");
    if (showLinks_ && section == static_cast<int>(LinkColumn::Via)) return QStringLiteral("Via");
    if (section < 0 || static_cast<std::size_t>(section) >= kResultCellCount) return {};
    const std::string_view header = kResultHeaders[static_cast<std::size_t>(section)];
    return QString::fromUtf8(header.data(), static_cast<qsizetype>(header.size()));
}

void ResultListModel::sort(int column, Qt::SortOrder) {
    HeaderClicked(column);
}

void ResultListModel::HeaderClicked(int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= kResultCellCount) return;
    list_.HeaderClicked(static_cast<std::size_t>(column));
}

int ResultListModel::SortIndicatorColumn() const {
    return list_.Sorted() ? static_cast<int>(list_.SortKey()) : -1;
}

Qt::SortOrder ResultListModel::SortIndicatorOrder() const {
    return list_.SortOrder() == SortDirection::Descending ? Qt::DescendingOrder : Qt::AscendingOrder;
}

void ResultListModel::Flush() {
    flushScheduled_ = false;
    const std::size_t count = list_.Count();
    if (count > shown_) {
        beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(count - 1));
        shown_ = count;
        endInsertRows();
    }
}

void ResultListModel::listAboutToReset() {
    beginResetModel();
}

void ResultListModel::listReset() {
    shown_ = list_.Count();
    endResetModel();
    emitIndicatorWhenChanged();
}

void ResultListModel::listAboutToReorder() {
    Flush(); // the rows added since the last update are shown first, so the row count stays put
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    heldIndexes_ = persistentIndexList();
    heldRows_.clear();
    for (const QModelIndex& index : heldIndexes_)
        heldRows_.push_back(&list_.Row(static_cast<std::size_t>(index.row())));
}

void ResultListModel::listReordered() {
    // The rows themselves stay where the list stores them; find where each held one is shown now.
    std::unordered_map<const ResultRow*, int> shownAt;
    for (const ResultRow* row : heldRows_)
        shownAt.emplace(row, -1);
    for (std::size_t i = 0; i < shown_ && !heldRows_.empty(); ++i) {
        const auto it = shownAt.find(&list_.Row(i));
        if (it != shownAt.end()) it->second = static_cast<int>(i);
    }
    QModelIndexList moved;
    for (qsizetype i = 0; i < heldIndexes_.size(); ++i)
        moved.push_back(index(shownAt[heldRows_[static_cast<std::size_t>(i)]], heldIndexes_[i].column()));
    changePersistentIndexList(heldIndexes_, moved);
    heldIndexes_.clear();
    heldRows_.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emitIndicatorWhenChanged();
}

void ResultListModel::emitIndicatorWhenChanged() {
    const int column = SortIndicatorColumn();
    const Qt::SortOrder order = SortIndicatorOrder();
    if (column != lastIndicatorColumn_ || order != lastIndicatorOrder_) {
        lastIndicatorColumn_ = column;
        lastIndicatorOrder_ = order;
        emit sortIndicatorChanged(column, order);
    }
}

void ResultListModel::rowsAboutToBeInserted(std::size_t first, std::size_t count) {
    // Rows after the shown ones only extend the table, in batches; a row among them is an insert now.
    if (first >= shown_) return;
    beginInsertRows(QModelIndex(), static_cast<int>(first), static_cast<int>(first + count - 1));
    inserting_ = true;
}

void ResultListModel::rowsInserted(std::size_t, std::size_t count) {
    if (inserting_) {
        inserting_ = false;
        shown_ += count;
        endInsertRows();
        return;
    }
    scheduleFlush();
}

void ResultListModel::scheduleFlush() {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (flushScheduled_) Flush();
        },
        Qt::QueuedConnection);
}

} // namespace corvanth
