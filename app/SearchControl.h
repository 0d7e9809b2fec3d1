#pragma once

#include "CopyText.h"
#include "Post.h"
#include "ResultList.h"
#include "ResultListModel.h"
#include "WindowPostHost.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class Ui_frmMain;

namespace corvanth {

class NamesDatabase;
class Prompter;
class RunClock;

// The "Search Stuff" frame: the searches by name and by address, the custom statement, the referee
// list, the result list with its header sorts and its pop-up menu (copies, and the cluster of the
// row). Every search goes through Post, a cluster through ListCluster, with the same host; the
// outcome is shown here: the count in lblMatches, a failure or an early end in a message box.
class SearchControl : public QObject {
    Q_OBJECT
public:
    SearchControl(NamesDatabase& database, Prompter& prompter, Ui_frmMain& ui, const RunClock& clock,
                  QObject* parent = nullptr);
    ~SearchControl() override;

    ResultList& resultList() { return list_; }
    ResultListModel& resultModel() { return *model_; }
    // The row the pop-up menu was last opened for.
    const std::optional<ResultRow>& popupRow() const { return popupRow_; }
    // True while a search is on its way (one may run inside another, or inside a run).
    bool searching() const { return depth_ > 0; }
    // Asks the searches on their way to end at their next row (the window is closing).
    void StopSearches() {
        closing_ = true;
        host_.setStopRequested(true);
    }
    // Cancel: a cluster walk on its way ends at its next hand-over and lists what it found.
    void CancelCluster() {
        if (clusterWalks_ > 0) host_.setStopRequested(true);
    }

public slots:
    void cmdSearch_Click();
    void cmdQuery_Click();
    void cmdRefs_Click();
    // Advanced > Who Is Playing: the players of every followed server (table Online) in the list.
    void mWhoIsPlaying_Click();
    void chkAliases_Click();
    void cmbSearch_Click();
    void lstReport_ColumnClick(int column);
    void lstReport_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& position);
    void CopySelected(CopyCommand command);
    // "Show Everything Linked": lists the cluster of the row the pop-up menu was opened for.
    void mShowLinked_Click();

signals:
    // The searches stopped by StopSearches() have all returned.
    void searchesStopped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A new search of `query`.
    void RunSearch(const Query& query, AliasCheck aliasCheck);
    // Runs `walk` (a search that fills the list), catching what it throws into `failure`. False when
    // it was stopped for a close: then there is nothing to show. A cancelled walk shows what it found.
    bool Walk(const std::function<void()>& walk, std::optional<std::string>& failure);
    void ShowOutcome(const PostOutcome& outcome);
    // Scrolls the list to the columns a cluster adds.
    void ShowLinkColumns();
    // Before any other list: the cluster's columns, its note in lblMatches' tooltip and the scroll
    // to them go.
    void ForgetCluster();
    const ResultRow* SelectedRow() const;

    NamesDatabase& database_;
    Prompter& prompter_;
    Ui_frmMain& ui_;
    const QObject* listViewport_ = nullptr;
    WindowPostHost host_;
    ResultList list_;
    // Declared after the list it observes, so it goes first; the window's widgets, destroyed after
    // this object, never see a model over a dead list.
    std::unique_ptr<ResultListModel> model_;
    std::optional<ResultRow> popupRow_;
    int depth_ = 0;        // searches on the stack
    int clusterWalks_ = 0; // of them, cluster walks
    bool closing_ = false; // the stop asked for is the window's close
};

} // namespace corvanth
