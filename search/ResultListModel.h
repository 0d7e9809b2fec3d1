#pragma once

#include "ClusterLink.h"
#include "ResultList.h"
#include "ResultListObserver.h"

#include <QAbstractTableModel>

#include <string>
#include <unordered_map>

namespace corvanth {

// The result list as a five-column table model for lstReport; a cluster adds two, Hops and Via.
//
// Rows added to the list are shown in batches: the model tells the view about them once per turn of
// the event loop (or at Flush()), never once per row, so a long search that hands control to the
// event loop every few milliseconds costs the view one insertion per turn. Clearing and sorting reset
// the model at once.
//
// Header clicks: connect the header's sectionClicked(int) to HeaderClicked(int) (or let a sorting
// view call sort(); the order it passes is ignored) and follow sortIndicatorChanged() to show the
// indicator.
class ResultListModel : public QAbstractTableModel, private ResultListObserver {
    Q_OBJECT
public:
    explicit ResultListModel(ResultList& list, QObject* parent = nullptr);
    ~ResultListModel() override;

    ResultList& list() { return list_; }
    const ResultList& list() const { return list_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The header-click rule; `order` is not used (the rule decides it).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // A click on the header of `column` (0 to 4): the first click on a column sorts it ascending, each
    // further click on the same column reverses the order.
    void HeaderClicked(int column);
    // The sorted column, or -1 while the list is not sorted, and its order.
    int SortIndicatorColumn() const;
    Qt::SortOrder SortIndicatorOrder() const;

    // Shows the rows added since the last update now.
    void Flush();

    // The hop count and link of a cluster's rows, by row key: the columns Hops and Via follow the
    // five. HideLinks() takes them away again (every search that is not a cluster).
    void ShowLinks(std::unordered_map<std::string, ClusterLink> links);
    void HideLinks();

signals:
    void sortIndicatorChanged(int column, Qt::SortOrder order);

private:
    void listAboutToReset() override;
    void listReset() override;
    void listAboutToReorder() override;
    void listReordered() override;
    void emitIndicatorWhenChanged();
    void rowsAboutToBeInserted(std::size_t first, std::size_t count) override;
    void rowsInserted(std::size_t first, std::size_t count) override;
    void scheduleFlush();

    ResultList& list_;
    std::size_t shown_ = 0;  // rows the view knows of
    bool inserting_ = false; // a row goes in among the shown rows, and the view is told at once
    // While the rows are reordered: the rows the view's persistent indexes stood on.
    QModelIndexList heldIndexes_;
    std::vector<const ResultRow*> heldRows_;
    bool flushScheduled_ = false;
    bool showLinks_ = false;
    std::unordered_map<std::string, ClusterLink> links_;
    int lastIndicatorColumn_ = -1;
    Qt::SortOrder lastIndicatorOrder_ = Qt::AscendingOrder;
};

} // namespace corvanth
