#pragma once

#include "AboutBox.h"
#include "HelpViewer.h"
#include "NamesDatabase.h"
#include "PositionJournal.h"
#include "WindowSettings.h"
#include "frmMainServices.h"
#include "ui_frmMain.h"

#include <QMainWindow>

class QTimer;

namespace corvanth {

class ProcessingControl;
class ResultList;
class ResultListModel;
class SearchControl;

// The main window, laid out in frmMain.ui: fixed size, three frames ("File Stuff", "Processing
// Stuff", "Search Stuff") and the Exit button; every control's member name is also its objectName.
// The window wires the frames together: ProcessingControl runs the log, SearchControl the searches;
// the window itself keeps the log file, the database and the menus.
class frmMain : public QMainWindow, public Ui_frmMain {
    Q_OBJECT
public:
    explicit frmMain(const frmMainServices& services, QWidget* parent = nullptr);
    ~frmMain() override;

    // The client area in pixels (9630 x 8850 twips at 15 twips a pixel).
    static constexpr int kClientWidth = 642;
    static constexpr int kClientHeight = 590;

    NamesDatabase& database() { return db_; }
    const PositionJournal& journal() const { return journal_; }
    ProcessingControl& processing() { return *processing_; }
    SearchControl& search() { return *search_; }
    ResultList& resultList();
    ResultListModel& resultModel();
    // True between a close during a run or a search and the end of it.
    bool closePending() const { return closePending_; }

    // The progress tick.
    QTimer* tmrUpdates;

public slots:
    // Start-up: settings, database, log file, file display. Runs before the window is first shown.
    void Form_Load();

    void cmdChange_Click();
    void NewFile();
    void cmdClearDB_Click();

    void mHelp_Click();
    void mAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectHandlers();
    void ChooseFirstLogFile();
    // Shutdown once no run is on its way: close the database, save the settings.
    void Form_Unload();
    // Closes the window when a close waited for a run or a search that has now returned.
    void CloseIfPending();
    void ShowHelp(const QString& topic);

    ProcessingState& state_;
    Prompter& prompter_;
    LogFileChooser& chooser_;
    WindowSettings settings_;
    DocumentOpener& opener_;
    QString dataFolder_;
    PositionJournal journal_;
    NamesDatabase db_;
    ProcessingControl* processing_ = nullptr;
    SearchControl* search_ = nullptr;
    HelpViewer helpViewer_;
    AboutBox aboutBox_;
    bool closePending_ = false;
    bool unloaded_ = false;
};

} // namespace corvanth
