#include "frmMain.h"

#include "AboutBox.h"
#include "AdvancedCommands.h"
#include "AppIcon.h"
#include "CopyText.h"
#include "DatabaseError.h"
#include "HelpFileLocation.h"
#include "HelpTopics.h"
#include "LogFileChooser.h"
#include "NameText.h"
#include "NumberText.h"
#include "Post.h"
#include "ProcessingControl.h"
#include "ProgramIdentity.h"
#include "Prompter.h"
#include "SettingsStore.h"
#include "ShapeWidget.h"
#include "TwoStateCheckBox.h"
#include "WindowDatabase.h"
#include "frmDatabaseConnection.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcutEvent>
#include <QTimer>
#include <QTreeView>

#include <exception>

namespace corvanth {
namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kRowHeight = 21;
constexpr int kButtonHeight = 25;

const QString kDefaultQuery = QStringLiteral("SELECT * FROM Names WHERE PlayerName LIKE '*';");
const QString kNotSet = QStringLiteral("<Not Set>");

template <typename Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* label = Named(new QLabel(text, parent), name);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// A label that shows a value the program writes: a sunken box.
QLabel* ValueLabel(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* label = Caption(parent, name, text, place);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setIndent(3);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* button = Named(new QPushButton(text, parent), name);
    button->setGeometry(place);
    // Enter clicks the focused button, as on every desktop; the window has no default button.
    button->setAutoDefault(true);
    return button;
}

QPushButton* HelpButton(QWidget* parent, const char* name, QRect place) {
    auto* button = Button(parent, name, QString(), place);
    button->setIcon(HelpButtonIcon());
    button->setIconSize(QSize(place.width() - 6, place.height() - 6));
    button->setToolTip(QStringLiteral("Help"));
    return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* box = Named(new TwoStateCheckBox(text, parent), name);
    box->setGeometry(place);
    return box;
}

QLineEdit* TextBox(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* box = Named(new QLineEdit(text, parent), name);
    box->setGeometry(place);
    return box;
}

QFrame* LineOf(QWidget* parent, const char* name, QColor color, QRect place) {
    auto* line = Named(new QFrame(parent), name);
    line->setGeometry(place);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, color);
    line->setPalette(palette);
    return line;
}

QAction* Separator(QObject* parent, const char* name) {
    auto* action = Named(new QAction(parent), name);
    action->setSeparator(true);
    return action;
}

// A check box's state as it is stored: 0 not ticked, 1 ticked, 2 greyed.
int StoredCheck(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

// A stored check state (0, 1 or 2); anything else leaves the box as it is.
void RestoreCheck(QCheckBox* box, const QString& stored) {
    bool ok = false;
    const int value = stored.trimmed().toInt(&ok);
    if (!ok) return;
    switch (value) {
    case 0:
        box->setCheckState(Qt::Unchecked);
        break;
    case 1:
        box->setCheckState(Qt::Checked);
        break;
    case 2:
        box->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
}

} // namespace

frmMain::frmMain(const frmMainServices& services, QWidget* parent)
    : QMainWindow(parent), state_(services.state), prompter_(services.prompter), chooser_(services.chooser),
      settings_(services.settings), opener_(services.opener), dataFolder_(services.dataFolder),
      journal_(services.dataFolder.toStdString()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(caption::IdleWindow);
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    // The layout is drawn for a small dialog font, as the window's fixed size asks.
    QFont small = font();
    small.setPointSizeF(8.0);
    setFont(small);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    BuildFileFrame(client);
    BuildProcessingFrame(client);
    BuildReportsFrame(client);
    cmdExit = Button(client, "cmdExit", QStringLiteral("E&xit"), QRect(546, 564, 92, 24));
    BuildMenus();
    SetTabOrder();

    ProcessingControls controls;
    controls.window = this;
    controls.lblCurFile = lblCurFile;
    controls.lblFileSize = lblFileSize;
    controls.txtStartPosition = txtStartPosition;
    controls.txtInterval = txtInterval;
    controls.cmdProcess = cmdProcess;
    controls.cmdPause = cmdPause;
    controls.cmdCancel = cmdCancel;
    controls.lblStatus = lblStatus;
    controls.lblByteNum = lblByteNum;
    controls.lblPercent = lblPercent;
    controls.lblEstimated = lblEstimated;
    controls.shpProgConst = shpProgConst;
    controls.shpProgress = shpProgress;
    controls.tmrUpdates = tmrUpdates;
    processing_ = new ProcessingControl(state_, db_, journal_, prompter_, controls, services.clock, this);

    postHost_ = std::make_unique<WindowPostHost>(*chkAliases, *chkAliasBroad, *lblMatches, services.clock);
    aboutBox_ = std::make_unique<AboutBox>(prompter_);

    ConnectHandlers();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    cmdChange->setFocus();
}

frmMain::~frmMain() = default;

void frmMain::BuildFileFrame(QWidget* client) {
    frmFile = Named(new QGroupBox(QStringLiteral("File Stuff"), client), "frmFile");
    frmFile->setGeometry(4, 0, 634, 62);
    Label1 = Caption(frmFile, "Label1", QStringLiteral("Current File:"), QRect(8, 16, 70, kRowHeight));
    lblCurFile = ValueLabel(frmFile, "lblCurFile", QString(), QRect(80, 16, 446, kRowHeight));
    cmdChange = Button(frmFile, "cmdChange", QStringLiteral("&Change"), QRect(532, 14, 94, kButtonHeight));
    Label2 = Caption(frmFile, "Label2", QStringLiteral("Size:"), QRect(8, 38, 28, kRowHeight));
    lblFileSize = ValueLabel(frmFile, "lblFileSize", QString(), QRect(38, 38, 100, kRowHeight));
    Label3 = Caption(frmFile, "Label3", QStringLiteral("Bytes"), QRect(142, 38, 36, kRowHeight));
    Label14 = Caption(frmFile, "Label14", QStringLiteral("Last Recorded Position (Starting Position):"),
                      QRect(184, 38, 240, kRowHeight));
    txtStartPosition = TextBox(frmFile, "txtStartPosition", QString(), QRect(426, 38, 100, kRowHeight));
    cmdFileHelp = HelpButton(frmFile, "cmdFileHelp", QRect(602, 38, 24, 22));
}

void frmMain::BuildProcessingFrame(QWidget* client) {
    frmProcessing = Named(new QGroupBox(QStringLiteral("Processing Stuff"), client), "frmProcessing");
    frmProcessing->setGeometry(4, 64, 634, 120);

    cmdClearDB = Button(frmProcessing, "cmdClearDB", QStringLiteral("Clear Database"),
                        QRect(8, 14, 100, kButtonHeight));
    Label8 =
        Caption(frmProcessing, "Label8", QStringLiteral("Update Interval"), QRect(116, 16, 88, kRowHeight));
    txtInterval =
        TextBox(frmProcessing, "txtInterval", QStringLiteral("100"), QRect(206, 16, 48, kRowHeight));
    Label9 = Caption(frmProcessing, "Label9", QStringLiteral("ms"), QRect(258, 16, 20, kRowHeight));
    chkProcessChat = CheckBox(frmProcessing, "chkProcessChat", QStringLiteral("Process Chat"),
                              QRect(286, 16, 100, kRowHeight));
    chkProcessNames = CheckBox(frmProcessing, "chkProcessNames", QStringLiteral("Process Names"),
                               QRect(388, 16, 104, kRowHeight));
    for (QCheckBox* box : {chkProcessChat, chkProcessNames}) {
        box->setChecked(true);
        box->setEnabled(false);
    }

    Label4 = Caption(frmProcessing, "Label4", QStringLiteral("State:"), QRect(8, 42, 36, kRowHeight));
    lblStatus =
        ValueLabel(frmProcessing, "lblStatus", QStringLiteral("Idle"), QRect(46, 42, 150, kRowHeight));
    Label5 = Caption(frmProcessing, "Label5", QStringLiteral("Processing Byte #"),
                     QRect(206, 42, 106, kRowHeight));
    lblByteNum = ValueLabel(frmProcessing, "lblByteNum", QString(), QRect(314, 42, 178, kRowHeight));

    Label6 = Caption(frmProcessing, "Label6", QStringLiteral("Percent Done:"), QRect(8, 68, 84, kRowHeight));
    lblPercent = ValueLabel(frmProcessing, "lblPercent", QString(), QRect(94, 68, 102, kRowHeight));
    Label7 = Caption(frmProcessing, "Label7", QStringLiteral("Estimated Time Left:"),
                     QRect(206, 68, 124, kRowHeight));
    lblEstimated = ValueLabel(frmProcessing, "lblEstimated", QString(), QRect(332, 68, 160, kRowHeight));

    cmdProcessingHelp = HelpButton(frmProcessing, "cmdProcessingHelp", QRect(500, 14, 24, 24));
    cmdProcess = Button(frmProcessing, "cmdProcess", QStringLiteral("&Process"),
                        QRect(528, 13, 98, kButtonHeight + 1));
    cmdPause = Button(frmProcessing, "cmdPause", caption::Pause, QRect(528, 41, 98, kButtonHeight + 1));
    cmdPause->setEnabled(false);
    cmdCancel =
        Button(frmProcessing, "cmdCancel", QStringLiteral("Ca&ncel"), QRect(528, 69, 98, kButtonHeight + 1));
    cmdCancel->setEnabled(false);

    const QRect bar(8, 100, 618, 14);
    shpProgConst =
        Named(new ShapeWidget(ShapeWidget::Style::Outline, Qt::black, frmProcessing), "shpProgConst");
    shpProgConst->setGeometry(bar);
    shpProgress =
        Named(new ShapeWidget(ShapeWidget::Style::Fill, QColor(0, 0, 255), frmProcessing), "shpProgress");
    shpProgress->setGeometry(bar);
    shpProgress->hide();

    tmrUpdates = Named(new QTimer(this), "tmrUpdates");
    tmrUpdates->setInterval(100);
}

void frmMain::BuildReportsFrame(QWidget* client) {
    frmReports = Named(new QGroupBox(QStringLiteral("Search Stuff"), client), "frmReports");
    frmReports->setGeometry(4, 186, 634, 376);

    Label10 = Caption(frmReports, "Label10", QStringLiteral("Search:"), QRect(8, 17, 44, kRowHeight));
    txtSearch = TextBox(frmReports, "txtSearch", QString(), QRect(70, 17, 136, kRowHeight));
    cmdSearch = Button(frmReports, "cmdSearch", QStringLiteral("&Search"), QRect(212, 15, 84, kButtonHeight));
    cmdSearchHelp = HelpButton(frmReports, "cmdSearchHelp", QRect(302, 15, 24, 24));

    Label11 = Caption(frmReports, "Label11", QStringLiteral("Search by:"), QRect(8, 40, 60, kRowHeight));
    cmbSearch = Named(new QComboBox(frmReports), "cmbSearch");
    cmbSearch->addItems({QStringLiteral("Name"), QStringLiteral("IP")});
    cmbSearch->setGeometry(70, 40, 72, kRowHeight + 1);
    chkAliases =
        CheckBox(frmReports, "chkAliases", QStringLiteral("Show Aliases?"), QRect(146, 40, 140, kRowHeight));
    chkAliasBroad = CheckBox(frmReports, "chkAliasBroad", QStringLiteral("Check Broad Alias (255.255.255.*)"),
                             QRect(146, 61, 212, kRowHeight));
    chkAliasBroad->setEnabled(false);

    Label15 = Caption(frmReports, "Label15", QStringLiteral("Total Matches:"), QRect(8, 82, 84, kRowHeight));
    lblMatches = ValueLabel(frmReports, "lblMatches", QStringLiteral("0"), QRect(94, 82, 60, kRowHeight));

    // The etched line between the search controls and the custom query.
    linSearchDark = LineOf(frmReports, "linSearchDark", QColor(64, 64, 64), QRect(362, 14, 1, 88));
    linSearchLight = LineOf(frmReports, "linSearchLight", QColor(255, 255, 255), QRect(363, 14, 1, 88));

    Label12 = Caption(frmReports, "Label12", QStringLiteral("Custom SQL:"), QRect(370, 14, 76, 18));
    cmdQuery = Button(frmReports, "cmdQuery", QStringLiteral("Query"), QRect(370, 40, 76, kButtonHeight));
    cmdRefs = Button(frmReports, "cmdRefs", QStringLiteral("Show Refs"), QRect(370, 72, 76, kButtonHeight));
    txtQuery = Named(new QPlainTextEdit(frmReports), "txtQuery");
    txtQuery->setGeometry(452, 14, 174, 86);
    txtQuery->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtQuery->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtQuery->setTabChangesFocus(true);
    txtQuery->setPlainText(QStringLiteral("SELECT * FROM Names WHERE \nPlayerName LIKE '*';\n"));

    lstReport = Named(new QTreeView(frmReports), "lstReport");
    lstReport->setGeometry(4, 104, 9375 / kTwipsPerPixel, 3615 / kTwipsPerPixel);
    lstReport->setRootIsDecorated(false);
    lstReport->setItemsExpandable(false);
    lstReport->setUniformRowHeights(true);
    lstReport->setSelectionMode(QAbstractItemView::SingleSelection);
    lstReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstReport->setSortingEnabled(false);
    lstReport->header()->setSectionsClickable(true);
    lstReport->header()->setSortIndicatorShown(false);
    lstReport->header()->setStretchLastSection(false);
    lstReport->header()->setSectionsMovable(false);

    Label13 = Caption(frmReports, "Label13", QStringLiteral("RIGHT CLICK ENTRY TO COPY IT TO THE CLIPBOARD"),
                      QRect(8, 349, 420, 18));
}

void frmMain::BuildMenus() {
    mAdvanced = Named(menuBar()->addMenu(QStringLiteral("&Advanced")), "mAdvanced");
    mDB = Named(new QAction(QStringLiteral("Open DB with default program..."), this), "mDB");
    msep3 = Separator(this, "msep3");
    mBrowseRecord =
        Named(new QAction(QStringLiteral("Open Recorded Processing Positions..."), this), "mBrowseRecord");
    mAdvanced->addActions({mDB, msep3, mBrowseRecord});
    connect(Named(mAdvanced->addAction(QStringLiteral("Database Connection…")), "mDatabaseConnection"),
            &QAction::triggered, this, &frmMain::mDatabaseConnection_Click);

    mHelpMenu = Named(menuBar()->addMenu(QStringLiteral("&Help")), "mHelpMenu");
    mHelp = Named(new QAction(QStringLiteral("Help File..."), this), "mHelp");
    mHelp->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    msep2 = Separator(this, "msep2");
    mAbout = Named(new QAction(QStringLiteral("&About..."), this), "mAbout");
    mAbout->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    mHelpMenu->addActions({mHelp, msep2, mAbout});
    // Shortcuts of the menus work while the menus are closed.
    addActions({mHelp, mAbout});

    mExit = Named(new QAction(QStringLiteral("E&xit"), this), "mExit");
    menuBar()->addAction(mExit);

    // The pop-up menu of the result list: never on the menu bar.
    mCopyPopup = Named(new QMenu(QStringLiteral("POPUP"), this), "mCopyPopup");
    mCopyEntire = Named(new QAction(QStringLiteral("Copy Entire Entry"), this), "mCopyEntire");
    msep1 = Separator(this, "msep1");
    mCopyName = Named(new QAction(QStringLiteral("Copy Player Name"), this), "mCopyName");
    mCopyStripped = Named(new QAction(QStringLiteral("Copy Stripped Name"), this), "mCopyStripped");
    mCopyIP = Named(new QAction(QStringLiteral("Copy IP"), this), "mCopyIP");
    mCopyLastVisit = Named(new QAction(QStringLiteral("Copy Last Visit"), this), "mCopyLastVisit");
    mCopyPopup->addActions({mCopyEntire, msep1, mCopyName, mCopyStripped, mCopyIP, mCopyLastVisit});
}

void frmMain::SetTabOrder() {
    const QList<QWidget*> order = {
        cmdChange,       cmdProcess,     cmdCancel,         cmdExit,     lstReport,     cmdPause,
        txtSearch,       cmbSearch,      cmdSearch,         cmdRefs,     chkAliases,    chkAliasBroad,
        txtQuery,        cmdQuery,       cmdProcessingHelp, cmdFileHelp, cmdSearchHelp, txtStartPosition,
        chkProcessNames, chkProcessChat, txtInterval,       cmdClearDB};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmMain::ConnectHandlers() {
    connect(cmdChange, &QPushButton::clicked, this, &frmMain::cmdChange_Click);
    connect(cmdClearDB, &QPushButton::clicked, this, &frmMain::cmdClearDB_Click);
    connect(cmdProcess, &QPushButton::clicked, processing_, &ProcessingControl::cmdProcess_Click);
    connect(cmdPause, &QPushButton::clicked, processing_, &ProcessingControl::cmdPause_Click);
    connect(cmdCancel, &QPushButton::clicked, processing_, &ProcessingControl::cmdCancel_Click);
    connect(tmrUpdates, &QTimer::timeout, processing_, &ProcessingControl::tmrUpdates_Timer);
    connect(processing_, &ProcessingControl::fileDisplayDue, this, &frmMain::NewFile);
    connect(processing_, &ProcessingControl::runReturned, this, &frmMain::RunReturned);

    txtSearch->installEventFilter(this);
    lstReport->viewport()->installEventFilter(this);
    // The menu accelerators win over the text boxes' own keys (Ctrl+A would select all there).
    for (QWidget* box : {static_cast<QWidget*>(txtStartPosition), static_cast<QWidget*>(txtInterval),
                         static_cast<QWidget*>(txtQuery)})
        box->installEventFilter(this);
    cmdExit->installEventFilter(this);
    cmdPause->installEventFilter(this);
    connect(cmdSearch, &QPushButton::clicked, this, &frmMain::cmdSearch_Click);
    connect(cmdQuery, &QPushButton::clicked, this, &frmMain::cmdQuery_Click);
    connect(cmdRefs, &QPushButton::clicked, this, &frmMain::cmdRefs_Click);
    // Also when start-up restores a value by code, as a click by the user would.
    connect(chkAliases, &QCheckBox::stateChanged, this, &frmMain::chkAliases_Click);
    connect(cmbSearch, &QComboBox::currentIndexChanged, this, &frmMain::cmbSearch_Click);
    connect(lstReport->header(), &QHeaderView::sectionClicked, this, &frmMain::lstReport_ColumnClick);

    connect(mCopyEntire, &QAction::triggered, this, &frmMain::mCopyEntire_Click);
    connect(mCopyName, &QAction::triggered, this, &frmMain::mCopyName_Click);
    connect(mCopyStripped, &QAction::triggered, this, &frmMain::mCopyStripped_Click);
    connect(mCopyIP, &QAction::triggered, this, &frmMain::mCopyIP_Click);
    connect(mCopyLastVisit, &QAction::triggered, this, &frmMain::mCopyLastVisit_Click);

    connect(cmdFileHelp, &QPushButton::clicked, this, &frmMain::cmdFileHelp_Click);
    connect(cmdProcessingHelp, &QPushButton::clicked, this, &frmMain::cmdProcessingHelp_Click);
    connect(cmdSearchHelp, &QPushButton::clicked, this, &frmMain::cmdSearchHelp_Click);
    connect(mHelp, &QAction::triggered, this, &frmMain::mHelp_Click);
    connect(mDB, &QAction::triggered, this, &frmMain::mDB_Click);
    connect(mBrowseRecord, &QAction::triggered, this, &frmMain::mBrowseRecord_Click);
    connect(mAbout, &QAction::triggered, this, &frmMain::mAbout_Click);
    connect(mExit, &QAction::triggered, this, &frmMain::mExit_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
}

// ---- Start-up and shutdown ---------------------------------------------------------------------

void frmMain::Form_Load() {
    // Each step is guarded on its own: a failing step is skipped and start-up goes on.
    try {
        lstReport->setAllColumnsShowFocus(true);
    } catch (const std::exception&) {
    }
    try {
        RestoreSettings();
    } catch (const std::exception&) {
    }
    try {
        OpenWindowDatabase(db_, settings_, prompter_,
                           dataFolder_ + QLatin1Char('/') + QString::fromUtf8(identity::DatabaseFileName));
    } catch (const std::exception&) {
        // Runs without a database; each command that needs it fails on its own.
    }
    try {
        lblCurFile->setText(settings_.GetRegString(QStringLiteral("LastFile"), kNotSet));
        if (lblCurFile->text() == kNotSet) ChooseFirstLogFile();
    } catch (const std::exception&) {
    }
    try {
        NewFile();
    } catch (const std::exception&) {
    }
    try {
        AddResultColumns();
    } catch (const std::exception&) {
    }
    cmdChange->setFocus();
}

void frmMain::RestoreSettings() {
    txtQuery->setPlainText(settings_.GetRegString(QStringLiteral("txtQuery"), kDefaultQuery));
    txtInterval->setText(settings_.GetRegString(QStringLiteral("txtInterval"), QStringLiteral("100")));
    txtSearch->setText(settings_.GetRegString(QStringLiteral("txtSearch"), QString()));
    RestoreCheck(chkAliases, settings_.GetRegString(QStringLiteral("chkAliases"), QStringLiteral("0")));
    RestoreCheck(chkAliasBroad, settings_.GetRegString(QStringLiteral("chkAliasBroad"), QStringLiteral("0")));
    bool ok = false;
    const int index =
        settings_.GetRegString(QStringLiteral("cmbSearch"), QStringLiteral("0")).trimmed().toInt(&ok);
    if (ok && index >= -1 && index < cmbSearch->count()) cmbSearch->setCurrentIndex(index);
}

void frmMain::ChooseFirstLogFile() {
    prompter_.ask(QStringLiteral("Select a .log file:"), QStringLiteral("Select File"), Prompter::Buttons::Ok,
                  Prompter::Icon::Information);
    for (;;) {
        const QString path = chooser_.GetLogFileName(this);
        lblCurFile->setText(path);
        if (!path.isEmpty()) {
            settings_.SaveRegString(QStringLiteral("LastFile"), path);
            return;
        }
        const auto again =
            prompter_.ask(QStringLiteral("You must select a file, try again?"), QStringLiteral("Try again?"),
                          Prompter::Buttons::YesNo, Prompter::Icon::None);
        if (again != Prompter::Answer::Yes) return;
    }
}

void frmMain::AddResultColumns() {
    if (!model_) {
        model_ = std::make_unique<ResultListModel>(resultList_);
        lstReport->setModel(model_.get());
        // The selected row stays in sight when a sort moves it.
        connect(model_.get(), &QAbstractItemModel::layoutChanged, this,
                [this] { lstReport->scrollTo(lstReport->currentIndex()); });
        connect(model_.get(), &ResultListModel::sortIndicatorChanged, this,
                [this](int column, Qt::SortOrder order) {
                    lstReport->header()->setSortIndicatorShown(column >= 0);
                    if (column >= 0) lstReport->header()->setSortIndicator(column, order);
                });
    }
    // Widths in twips: Name 3000, StripName 2000, IP the list's default, Last Connection 2000, Referee 850.
    const auto pixels = [](int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; };
    lstReport->setColumnWidth(0, pixels(3000));
    lstReport->setColumnWidth(1, pixels(2000));
    lstReport->setColumnWidth(3, pixels(2000));
    lstReport->setColumnWidth(4, pixels(850));
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A search on its way ends at its next row; the window closes once it has returned.
    if (searchDepth_ > 0) postHost_->setStopRequested(true);
    if (processing_->runInFlight()) {
        // The run is suspended beneath this event: ask it to stop at the next line end (rows
        // committed, position journaled). The window closes once it has returned.
        processing_->Stop();
        closePending_ = true;
        event->ignore();
        return;
    }
    if (searchDepth_ > 0) {
        closePending_ = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::RunReturned() {
    if (!closePending_) return;
    closePending_ = false;
    close();
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    state_.Processing = false;
    tmrUpdates->stop();
    try {
        if (db_.IsOpen()) db_.Close();
    } catch (const std::exception&) {
    }
    settings_.SaveRegString(QStringLiteral("txtQuery"), txtQuery->toPlainText());
    settings_.SaveRegString(QStringLiteral("txtInterval"), txtInterval->text());
    settings_.SaveRegString(QStringLiteral("txtSearch"), txtSearch->text());
    settings_.SaveRegString(QStringLiteral("chkAliases"), QString::number(StoredCheck(chkAliases)));
    settings_.SaveRegString(QStringLiteral("chkAliasBroad"), QString::number(StoredCheck(chkAliasBroad)));
    settings_.SaveRegString(QStringLiteral("cmbSearch"), QString::number(cmbSearch->currentIndex()));
}

// ---- The log file ------------------------------------------------------------------------------

void frmMain::NewFile() {
    const QString path = lblCurFile->text();
    const QFileInfo info(path);
    txtStartPosition->setToolTip(QString());
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        lblFileSize->setText(QString());
        txtStartPosition->setText(QString());
        return;
    }
    const QLocale locale;
    lblFileSize->setText(ThousandsFormat(static_cast<double>(info.size()), locale));
    const auto lookup = journal_.LastPosition(path.toStdString());
    if (!lookup) {
        txtStartPosition->setText(QString());
        prompter_.ask(QString::fromStdString(lookup.reason()),
                      QStringLiteral("%1 could not be read").arg(QLatin1String(identity::JournalFileName)),
                      Prompter::Buttons::Ok, Prompter::Icon::Critical);
        return;
    }
    txtStartPosition->setText(ThousandsFormat(static_cast<double>(lookup->position), locale));
    if (!lookup->skippedRecords.empty()) {
        QString text =
            QStringLiteral("Records of %1 that were skipped:").arg(QLatin1String(identity::JournalFileName));
        for (const auto& skipped : lookup->skippedRecords)
            text += QLatin1Char('\n') + QString::fromStdString(skipped);
        txtStartPosition->setToolTip(text);
    }
}

void frmMain::cmdChange_Click() {
    if (processing_->runState() == RunState::Running) processing_->Pause();
    const QString path = chooser_.GetLogFileName(this);
    if (path.isEmpty()) return;
    lblCurFile->setText(path);
    NewFile();
    settings_.SaveRegString(QStringLiteral("LastFile"), path);
}

// ---- The database ------------------------------------------------------------------------------

void frmMain::cmdClearDB_Click() {
    const auto answer =
        prompter_.ask(QStringLiteral("This will delete ALL records in the database!!!\r\n"
                                     "Are you absolutely sure you want to do this???"),
                      QStringLiteral("Delete records?"), Prompter::Buttons::YesNo, Prompter::Icon::Critical);
    if (answer != Prompter::Answer::Yes) return;
    try {
        db_.DeleteAllRecords();
        db_.Commit();
    } catch (const std::exception& e) {
        prompter_.ask(QStringLiteral("The records could not be deleted: ") + QString::fromUtf8(e.what()),
                      QStringLiteral("Delete records?"), Prompter::Buttons::Ok, Prompter::Icon::Critical);
    }
}

// ---- Searching ---------------------------------------------------------------------------------

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Left unaccepted, so the menu command runs instead of the box's own use of the key.
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        if (pressed == mHelp->shortcut() || pressed == mAbout->shortcut()) return true;
    }
    if (watched == cmdExit && event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        // Alt+X belongs to this button and to "E&xit" on the menu bar; both close the window, so the
        // first press closes it instead of only moving the focus here.
        cmdExit->animateClick();
        return true;
    }
    if (watched == cmdPause && event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        // Alt+A belongs to this button and to the "&Advanced" menu: while the button is enabled (a
        // run is on) it pauses; otherwise the shortcut is the menu's alone.
        cmdPause->click();
        return true;
    }
    if (watched == txtSearch && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            txtSearch_KeyPress(13);
        } else if (!key->text().isEmpty()) {
            txtSearch_KeyPress(key->text().front().unicode());
        }
        return false; // the key is not consumed
    }
    if (lstReport && watched == lstReport->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lstReport_MouseUp(mouse->button(), mouse->modifiers(), mouse->position().toPoint());
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::txtSearch_KeyPress(int keyAscii) {
    if (keyAscii == 13) cmdSearch_Click();
}

void frmMain::cmdSearch_Click() {
    const QString text = txtSearch->text();
    if (text.isEmpty()) return;
    switch (cmbSearch->currentIndex()) {
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

void frmMain::cmdQuery_Click() {
    RunSearch(CustomQuery(txtQuery->toPlainText().toStdString()), AliasCheck::ForbidAliases);
}

void frmMain::RunSearch(const Query& query, AliasCheck aliasCheck) {
    lstReport->setToolTip(QString()); // a failure note of the referee list is out of date now
    PostOutcome outcome;
    ++searchDepth_;
    try {
        outcome = Post(db_, resultList_, *postHost_, query, ClearFirst::Yes, aliasCheck);
    } catch (const std::exception& e) {
        outcome.failure = e.what();
    }
    --searchDepth_;
    if (postHost_->stopRequested()) {
        // Stopped for a close: nothing to say; close once nothing else is on its way.
        if (searchDepth_ == 0) postHost_->setStopRequested(false);
        if (searchDepth_ == 0 && closePending_ && !processing_->runInFlight()) {
            closePending_ = false;
            close();
        }
        return;
    }
    // The list shows the empty result; the message says why.
    if (outcome.failure)
        prompter_.ask(QString::fromStdString(*outcome.failure), QStringLiteral("Query failed"),
                      Prompter::Buttons::Ok, Prompter::Icon::Critical);
}

void frmMain::cmdRefs_Click() {
    const auto listed = ListReferees(db_, resultList_);
    if (model_) model_->Flush();
    lstReport->setToolTip(listed ? QString()
                                 : QStringLiteral("The referee list failed: ") +
                                       QString::fromStdString(listed.reason()));
}

void frmMain::chkAliases_Click() {
    chkAliasBroad->setEnabled(chkAliases->checkState() == Qt::Checked);
    chkAliasBroad->setCheckState(Qt::Unchecked);
}

void frmMain::cmbSearch_Click() {
    if (cmbSearch->currentIndex() == 1) {
        chkAliases->setEnabled(false);
        chkAliasBroad->setEnabled(false);
        return;
    }
    chkAliases->setEnabled(true);
    chkAliasBroad->setEnabled(chkAliases->checkState() == Qt::Checked);
}

void frmMain::lstReport_ColumnClick(int column) {
    if (model_) model_->HeaderClicked(column);
}

const ResultRow* frmMain::SelectedRow() const {
    if (!model_) return nullptr;
    const QModelIndex current =
        lstReport->selectionModel() ? lstReport->selectionModel()->currentIndex() : QModelIndex();
    if (!current.isValid() || !lstReport->selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return nullptr;
    const auto row = static_cast<std::size_t>(current.row());
    if (row >= resultList_.Count()) return nullptr;
    return &resultList_.Row(row);
}

void frmMain::lstReport_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& position) {
    try {
        const ResultRow* selected = SelectedRow();
        if (button != Qt::RightButton || !OffersCopyMenu(selected)) return;
        popupRow_ = *selected;
        mCopyPopup->popup(lstReport->viewport()->mapToGlobal(position));
    } catch (const std::exception&) {
    }
}

void frmMain::CopySelected(int command) {
    if (!popupRow_) return;
    const std::string text = CopyText(*popupRow_, static_cast<CopyCommand>(command));
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void frmMain::mCopyEntire_Click() {
    CopySelected(static_cast<int>(CopyCommand::EntireEntry));
}
void frmMain::mCopyName_Click() {
    CopySelected(static_cast<int>(CopyCommand::PlayerName));
}
void frmMain::mCopyStripped_Click() {
    CopySelected(static_cast<int>(CopyCommand::StrippedName));
}
void frmMain::mCopyIP_Click() {
    CopySelected(static_cast<int>(CopyCommand::IP));
}
void frmMain::mCopyLastVisit_Click() {
    CopySelected(static_cast<int>(CopyCommand::LastVisit));
}

// ---- Menus and help ----------------------------------------------------------------------------

void frmMain::ShowHelp(const QString& topic) {
    helpViewer_.ShowHelpTopic(FindHelpFile(QCoreApplication::applicationDirPath()), topic);
}

void frmMain::cmdFileHelp_Click() {
    ShowHelp(HelpTopics::FileStuff);
}
void frmMain::cmdProcessingHelp_Click() {
    ShowHelp(HelpTopics::ProcessingStuff);
}
void frmMain::cmdSearchHelp_Click() {
    ShowHelp(HelpTopics::SearchStuff);
}
void frmMain::mHelp_Click() {
    ShowHelp(HelpTopics::Contents);
}
void frmMain::mDB_Click() {
    OpenDatabaseFile(dataFolder_, opener_);
}
void frmMain::mDatabaseConnection_Click() {
    frmDatabaseConnection(settings_, prompter_,
                          dataFolder_ + QLatin1Char('/') + QString::fromUtf8(identity::DatabaseFileName),
                          this)
        .exec();
}
void frmMain::mBrowseRecord_Click() {
    OpenPositionJournal(dataFolder_, opener_, prompter_);
}
void frmMain::mAbout_Click() {
    aboutBox_->show(this);
}
void frmMain::mExit_Click() {
    close();
}
void frmMain::cmdExit_Click() {
    close();
}

} // namespace corvanth
