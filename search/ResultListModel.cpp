#include "ResultListModel.h"

#include <QMetaObject>
#include <QString>

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

int ResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kResultCellCount);
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    if (row >= shown_ || column >= kResultCellCount) return {};
    return QString::fromStdString(list_.Row(row).Cells[column]);
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
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
    if (pendingReset_) {
        beginResetModel();
        shown_ = count;
        pendingReset_ = false;
        endResetModel();
    } else if (count > shown_) {
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
    pendingReset_ = false;
    endResetModel();
    const int column = SortIndicatorColumn();
    const Qt::SortOrder order = SortIndicatorOrder();
    if (column != lastIndicatorColumn_ || order != lastIndicatorOrder_) {
        lastIndicatorColumn_ = column;
        lastIndicatorOrder_ = order;
        emit sortIndicatorChanged(column, order);
    }
}

void ResultListModel::rowsAboutToBeInserted(std::size_t, std::size_t) {}

void ResultListModel::rowsInserted(std::size_t first, std::size_t) {
    // Rows after the shown ones only extend the table; a row among them shifts what the view shows.
    if (first < shown_) pendingReset_ = true;
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
