#include "SearchControl.h"

#include "ClusterQueries.h"
#include "ClusterWalk.h"
#include "NameText.h"
#include "OnlineList.h"
#include "Prompter.h"
#include "ui_frmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <ctime>
#include <exception>

namespace corvanth {
namespace {

constexpr int kTwipsPerPixel = 15;

int Pixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

} // namespace

SearchControl::SearchControl(NamesDatabase& database, Prompter& prompter, Ui_frmMain& ui,
                             const RunClock& clock, QObject* parent)
    : QObject(parent), database_(database), prompter_(prompter), ui_(ui),
      host_(*ui.chkAliases, *ui.chkAliasBroad, *ui.lblMatches, clock),
      model_(std::make_unique<ResultListModel>(list_)) {
    QTreeView* list = ui_.lstReport;
    list->header()->setSectionsClickable(true);
    list->header()->setSectionsMovable(false);
    list->setModel(model_.get());
    // Widths in twips: Name 3000, StripName 2000, IP the list's default, Last Connection 2000, Referee 850.
    list->setColumnWidth(0, Pixels(3000));
    list->setColumnWidth(1, Pixels(2000));
    list->setColumnWidth(3, Pixels(2000));
    list->setColumnWidth(4, Pixels(850));
    // The selected row stays in sight when a sort moves it.
    connect(model_.get(), &QAbstractItemModel::layoutChanged, this,
            [list] { list->scrollTo(list->currentIndex()); });
    connect(model_.get(), &ResultListModel::sortIndicatorChanged, this,
            [list](int column, Qt::SortOrder order) {
                list->header()->setSortIndicatorShown(column >= 0);
                if (column >= 0) list->header()->setSortIndicator(column, order);
            });

    ui_.txtSearch->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    listViewport_ = list->viewport();
    connect(ui_.cmdSearch, &QPushButton::clicked, this, &SearchControl::cmdSearch_Click);
    connect(ui_.cmdQuery, &QPushButton::clicked, this, &SearchControl::cmdQuery_Click);
    connect(ui_.cmdRefs, &QPushButton::clicked, this, &SearchControl::cmdRefs_Click);
    // Also when start-up restores a value by code, as a click by the user would.
    connect(ui_.chkAliases, &QCheckBox::stateChanged, this, &SearchControl::chkAliases_Click);
    connect(ui_.cmbSearch, &QComboBox::currentIndexChanged, this, &SearchControl::cmbSearch_Click);
    connect(list->header(), &QHeaderView::sectionClicked, this, &SearchControl::lstReport_ColumnClick);
    const std::pair<QAction*, CopyCommand> copies[] = {{ui_.mCopyEntire, CopyCommand::EntireEntry},
                                                       {ui_.mCopyName, CopyCommand::PlayerName},
                                                       {ui_.mCopyStripped, CopyCommand::StrippedName},
                                                       {ui_.mCopyIP, CopyCommand::IP},
                                                       {ui_.mCopyLastVisit, CopyCommand::LastVisit}};
    for (const auto& [action, command] : copies)
        connect(action, &QAction::triggered, this, [this, command = command] { CopySelected(command); });
    connect(ui_.mShowLinked, &QAction::triggered, this, &SearchControl::mShowLinked_Click);
}

SearchControl::~SearchControl() = default;

bool SearchControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.txtSearch && event->type() == QEvent::KeyPress) {
        const auto key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) cmdSearch_Click();
        return false; // the key is not consumed
    }
    // Compared by address only: the list may be half destroyed when its viewport's last events arrive.
    if (watched == listViewport_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lstReport_MouseUp(mouse->button(), mouse->modifiers(), mouse->position().toPoint());
    }
    return false;
}

void SearchControl::cmdSearch_Click() {
    const QString text = ui_.txtSearch->text();
    if (text.isEmpty()) return;
    switch (ui_.cmbSearch->currentIndex()) {
    case 0:
        RunSearch(NameSearchQuery(EncodeName(text.toStdString())), AliasCheck::AllowAliases);
        break;
    case 1:
        RunSearch(IpSearchQuery(text.toStdString()), AliasCheck::ForbidAliases);
        break;
    default:
        break;
    }
}

void SearchControl::cmdQuery_Click() {
    RunSearch(CustomQuery(ui_.txtQuery->toPlainText().toStdString()), AliasCheck::ForbidAliases);
}

void SearchControl::RunSearch(const Query& query, AliasCheck aliasCheck) {
    PostOutcome outcome;
    if (!Walk([&] { outcome = Post(database_, list_, host_, query, ClearFirst::Yes, aliasCheck); },
              outcome.failure))
        return;
    ShowOutcome(outcome);
}

void SearchControl::mShowLinked_Click() {
    const auto start = popupRow_ ? StoredPairQuery(*popupRow_) : std::nullopt;
    if (!start) return;
    ClusterOptions options;
    options.guidLinks = GuidLinksOf(database_);
    // The search box still holds the last search: lblMatches says what the list holds instead.
    const QString holds = QStringLiteral("Everything linked to %1@%2, up to %3 hops")
                              .arg(QString::fromStdString(popupRow_->Cell(ResultCell::Name)),
                                   QString::fromStdString(popupRow_->Cell(ResultCell::IP)))
                              .arg(options.depth);
    ClusterOutcome outcome;
    ++clusterWalks_;
    const bool shown =
        Walk([&] { outcome = ListCluster(database_, list_, host_, *start, options); }, outcome.failure);
    --clusterWalks_;
    if (!shown) return;
    model_->ShowLinks(std::move(outcome.links));
    ui_.lblMatches->setToolTip(holds);
    ShowLinkColumns();
    if (outcome.failure) {
        ShowOutcome(PostOutcome{outcome.matches, outcome.failure, false});
    } else if (const auto text = ClusterEndText(outcome.end, options)) {
        prompter_.ask(QString::fromStdString(*text), QStringLiteral("Show Everything Linked"),
                      Prompter::Buttons::Ok, Prompter::Icon::Information);
    }
}

void SearchControl::ShowLinkColumns() {
    // Hops and Via follow the five columns, past the list's right edge: scrolled into view, Via's
    // right end in sight and as much before it as fits, from Hops on.
    model_->Flush();
    QTreeView* list = ui_.lstReport;
    list->scrollTo(model_->index(0, static_cast<int>(kResultCellCount))); // lays the new columns out
    const QHeaderView* header = list->header();
    const int via = model_->columnCount() - 1;
    const int right = header->sectionPosition(via) + header->sectionSize(via);
    const int hops = header->sectionPosition(static_cast<int>(kResultCellCount));
    list->horizontalScrollBar()->setValue(std::min(hops, right - list->viewport()->width()));
}

void SearchControl::ForgetCluster() {
    model_->HideLinks();
    ui_.lblMatches->setToolTip(QString());
    ui_.lstReport->horizontalScrollBar()->setValue(0);
}

bool SearchControl::Walk(const std::function<void()>& walk, std::optional<std::string>& failure) {
    ui_.lstReport->setToolTip(QString()); // a failure note of the referee list is out of date now
    ForgetCluster();
    ++depth_;
    try {
        walk();
    } catch (const std::exception& e) {
        failure = e.what();
    }
    --depth_;
    if (!host_.stopRequested()) return true;
    if (depth_ == 0) host_.setStopRequested(false);
    if (!closing_) return true; // cancelled
    // Stopped for a close: nothing to say.
    if (depth_ == 0) {
        closing_ = false;
        emit searchesStopped();
    }
    return false;
}

void SearchControl::ShowOutcome(const PostOutcome& outcome) {
    // The count is in lblMatches already (through the host) and the list shows the empty result of
    // a failure; the message says why.
    if (outcome.failure)
        prompter_.ask(QString::fromStdString(*outcome.failure), QStringLiteral("Query failed"),
                      Prompter::Buttons::Ok, Prompter::Icon::Critical);
}

void SearchControl::cmdRefs_Click() {
    ForgetCluster();
    const auto listed = ListReferees(database_, list_);
    model_->Flush();
    ui_.lstReport->setToolTip(listed ? QString()
                                     : QStringLiteral("The referee list failed: ") +
                                           QString::fromStdString(listed.reason()));
}

void SearchControl::mWhoIsPlaying_Click() {
    ForgetCluster();
    const auto listed = ListWhoIsPlaying(database_, list_, static_cast<std::int64_t>(std::time(nullptr)));
    model_->Flush();
    ui_.lstReport->setToolTip(listed ? QString()
                                     : QStringLiteral("Who Is Playing failed: ") +
                                           QString::fromStdString(listed.reason()));
}

void SearchControl::chkAliases_Click() {
    ui_.chkAliasBroad->setEnabled(ui_.chkAliases->checkState() == Qt::Checked);
    ui_.chkAliasBroad->setCheckState(Qt::Unchecked);
}

void SearchControl::cmbSearch_Click() {
    if (ui_.cmbSearch->currentIndex() == 1) {
        ui_.chkAliases->setEnabled(false);
        ui_.chkAliasBroad->setEnabled(false);
        return;
    }
    ui_.chkAliases->setEnabled(true);
    ui_.chkAliasBroad->setEnabled(ui_.chkAliases->checkState() == Qt::Checked);
}

void SearchControl::lstReport_ColumnClick(int column) {
    model_->HeaderClicked(column);
}

const ResultRow* SearchControl::SelectedRow() const {
    const QItemSelectionModel* selection = ui_.lstReport->selectionModel();
    const QModelIndex current = selection ? selection->currentIndex() : QModelIndex();
    if (!current.isValid() || !selection->isRowSelected(current.row(), QModelIndex())) return nullptr;
    const auto row = static_cast<std::size_t>(current.row());
    if (row >= list_.Count()) return nullptr;
    return &list_.Row(row);
}

void SearchControl::lstReport_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& position) {
    try {
        const ResultRow* selected = SelectedRow();
        if (button != Qt::RightButton || !OffersCopyMenu(selected)) return;
        popupRow_ = *selected;
        ui_.mCopyPopup->popup(ui_.lstReport->viewport()->mapToGlobal(position));
    } catch (const std::exception&) {
    }
}

void SearchControl::CopySelected(CopyCommand command) {
    if (!popupRow_) return;
    QApplication::clipboard()->setText(QString::fromStdString(CopyText(*popupRow_, command)));
}

} // namespace corvanth
