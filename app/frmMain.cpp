#include "frmMain.h"

#include "AdvancedCommands.h"
#include "AppIcon.h"
#include "HelpFileLocation.h"
#include "HelpTopics.h"
#include "LogFileChooser.h"
#include "NumberText.h"
#include "ProcessingControl.h"
#include "ProgramIdentity.h"
#include "Prompter.h"
#include "SearchControl.h"
#include "ShapeWidget.h"
#include "WindowDatabase.h"
#include "frmDatabaseConnection.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QShortcutEvent>
#include <QTimer>

#include <exception>

namespace corvanth {

frmMain::frmMain(const frmMainServices& services, QWidget* parent)
    : QMainWindow(parent), state_(services.state), prompter_(services.prompter), chooser_(services.chooser),
      settings_(services.settings, *this), opener_(services.opener), dataFolder_(services.dataFolder),
      journal_(services.dataFolder.toStdString()), aboutBox_(services.prompter) {
    setupUi(this);
    // What the form file cannot say: the fixed window border, the title and the pictures.
    setWindowTitle(caption::IdleWindow);
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    for (QPushButton* help : {cmdFileHelp, cmdProcessingHelp, cmdSearchHelp})
        help->setIcon(HelpButtonIcon());
    shpProgress->setShape(ShapeWidget::Style::Fill, QColor(0, 0, 255));
    tmrUpdates = new QTimer(this);
    tmrUpdates->setObjectName(QStringLiteral("tmrUpdates"));
    tmrUpdates->setInterval(100);

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
    search_ = new SearchControl(db_, prompter_, *this, services.clock, this);

    ConnectHandlers();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    cmdChange->setFocus();
}

frmMain::~frmMain() = default;

ResultList& frmMain::resultList() {
    return search_->resultList();
}
ResultListModel& frmMain::resultModel() {
    return search_->resultModel();
}

void frmMain::ConnectHandlers() {
    connect(cmdChange, &QPushButton::clicked, this, &frmMain::cmdChange_Click);
    connect(cmdClearDB, &QPushButton::clicked, this, &frmMain::cmdClearDB_Click);
    connect(cmdProcess, &QPushButton::clicked, processing_, &ProcessingControl::cmdProcess_Click);
    connect(cmdPause, &QPushButton::clicked, processing_, &ProcessingControl::cmdPause_Click);
    connect(cmdCancel, &QPushButton::clicked, processing_, &ProcessingControl::cmdCancel_Click);
    connect(cmdCancel, &QPushButton::clicked, search_, &SearchControl::CancelCluster);
    connect(tmrUpdates, &QTimer::timeout, processing_, &ProcessingControl::tmrUpdates_Timer);
    connect(processing_, &ProcessingControl::fileDisplayDue, this, &frmMain::NewFile);
    connect(processing_, &ProcessingControl::runReturned, this, &frmMain::CloseIfPending);
    connect(search_, &SearchControl::searchesStopped, this, &frmMain::CloseIfPending);

    // The menu accelerators win over the text boxes' own keys (Ctrl+A would select all there).
    for (QWidget* box : std::initializer_list<QWidget*>{txtSearch, txtStartPosition, txtInterval, txtQuery})
        box->installEventFilter(this);
    cmdExit->installEventFilter(this);
    cmdPause->installEventFilter(this);

    const auto help = [this](const QString& topic) { return [this, topic] { ShowHelp(topic); }; };
    connect(cmdFileHelp, &QPushButton::clicked, this, help(HelpTopics::FileStuff));
    connect(cmdProcessingHelp, &QPushButton::clicked, this, help(HelpTopics::ProcessingStuff));
    connect(cmdSearchHelp, &QPushButton::clicked, this, help(HelpTopics::SearchStuff));
    connect(mHelp, &QAction::triggered, this, &frmMain::mHelp_Click);
    connect(mDB, &QAction::triggered, this, [this] { OpenDatabaseFile(dataFolder_, opener_); });
    connect(mBrowseRecord, &QAction::triggered, this,
            [this] { OpenPositionJournal(dataFolder_, opener_, prompter_); });
    connect(mWhoIsPlaying, &QAction::triggered, search_, &SearchControl::mWhoIsPlaying_Click);
    QAction* connection = mAdvanced->addAction(QStringLiteral("Database Connection…"));
    connection->setObjectName(QStringLiteral("mDatabaseConnection"));
    connect(connection, &QAction::triggered, this, [this] {
        frmDatabaseConnection(settings_.Store(), prompter_, LocalDatabaseFile(dataFolder_), this).exec();
    });
    connect(mAbout, &QAction::triggered, this, &frmMain::mAbout_Click);
    connect(mExit, &QAction::triggered, this, &QWidget::close);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
}

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
    return QMainWindow::eventFilter(watched, event);
}

// ---- Start-up and shutdown ---------------------------------------------------------------------

void frmMain::Form_Load() {
    // Each step is guarded on its own: a failing step is skipped and start-up goes on.
    try {
        settings_.Restore();
    } catch (const std::exception&) {
    }
    try {
        OpenWindowDatabase(db_, settings_.Store(), prompter_, LocalDatabaseFile(dataFolder_));
    } catch (const std::exception&) {
        // Runs without a database; each command that needs it fails on its own.
    }
    try {
        lblCurFile->setText(settings_.LastFile());
        if (lblCurFile->text() == WindowSettings::kNotSet) ChooseFirstLogFile();
    } catch (const std::exception&) {
    }
    try {
        NewFile();
    } catch (const std::exception&) {
    }
    cmdChange->setFocus();
}

void frmMain::ChooseFirstLogFile() {
    prompter_.ask(QStringLiteral("Select a .log file:"), QStringLiteral("Select File"), Prompter::Buttons::Ok,
                  Prompter::Icon::Information);
    for (;;) {
        const QString path = chooser_.GetLogFileName(this);
        lblCurFile->setText(path);
        if (!path.isEmpty()) {
            settings_.SaveLastFile(path);
            return;
        }
        const auto again =
            prompter_.ask(QStringLiteral("You must select a file, try again?"), QStringLiteral("Try again?"),
                          Prompter::Buttons::YesNo, Prompter::Icon::None);
        if (again != Prompter::Answer::Yes) return;
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A search on its way ends at its next row; the window closes once it has returned.
    if (search_->searching()) search_->StopSearches();
    if (processing_->runInFlight()) {
        // The run is suspended beneath this event: ask it to stop at the next line end (rows
        // committed, position journaled). The window closes once it has returned.
        processing_->Stop();
        closePending_ = true;
        event->ignore();
        return;
    }
    if (search_->searching()) {
        closePending_ = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::CloseIfPending() {
    if (!closePending_ || processing_->runInFlight()) return;
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
    settings_.Save();
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
    settings_.SaveLastFile(path);
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

// ---- Help ----------------------------------------------------------------------------------------

void frmMain::ShowHelp(const QString& topic) {
    helpViewer_.ShowHelpTopic(FindHelpFile(QCoreApplication::applicationDirPath()), topic);
}

void frmMain::mHelp_Click() {
    ShowHelp(HelpTopics::Contents);
}

void frmMain::mAbout_Click() {
    aboutBox_.show(this);
}

} // namespace corvanth
