#pragma once

#include "HelpViewer.h"
#include "NamesDatabase.h"
#include "PositionJournal.h"
#include "Post.h"
#include "ProcessLog.h"
#include "ResultList.h"
#include "ResultListModel.h"
#include "WindowPostHost.h"
#include "frmMainServices.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeView;

namespace corvanth {

class AboutBox;
class ProcessingControl;
class ShapeWidget;

// The main window. Fixed size, three frames ("File Stuff", "Processing Stuff", "Search Stuff") and
// the Exit button; every control's member name is also its objectName.
class frmMain : public QMainWindow {
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
    ResultList& resultList() { return resultList_; }
    ResultListModel& resultModel() { return *model_; }
    // The row the pop-up menu was last opened for.
    const std::optional<ResultRow>& popupRow() const { return popupRow_; }
    // True between a close during a run and the end of that run.
    bool closePending() const { return closePending_; }

    // "File Stuff"
    QGroupBox* frmFile;
    QLabel* Label1;
    QLabel* lblCurFile;
    QPushButton* cmdChange;
    QLabel* Label2;
    QLabel* lblFileSize;
    QLabel* Label3;
    QLabel* Label14;
    QLineEdit* txtStartPosition;
    QPushButton* cmdFileHelp;

    // "Processing Stuff"
    QGroupBox* frmProcessing;
    QPushButton* cmdClearDB;
    QLabel* Label8;
    QLineEdit* txtInterval;
    QLabel* Label9;
    QCheckBox* chkProcessChat;
    QCheckBox* chkProcessNames;
    QLabel* Label4;
    QLabel* lblStatus;
    QLabel* Label5;
    QLabel* lblByteNum;
    QLabel* Label6;
    QLabel* lblPercent;
    QLabel* Label7;
    QLabel* lblEstimated;
    QPushButton* cmdProcess;
    QPushButton* cmdProcessingHelp;
    QPushButton* cmdPause;
    QPushButton* cmdCancel;
    ShapeWidget* shpProgConst;
    ShapeWidget* shpProgress;
    QTimer* tmrUpdates;

    // "Search Stuff"
    QGroupBox* frmReports;
    QLabel* Label10;
    QLineEdit* txtSearch;
    QPushButton* cmdSearch;
    QPushButton* cmdSearchHelp;
    QLabel* Label11;
    QComboBox* cmbSearch;
    QCheckBox* chkAliases;
    QCheckBox* chkAliasBroad;
    QLabel* Label15;
    QLabel* lblMatches;
    QFrame* linSearchDark;
    QFrame* linSearchLight;
    QLabel* Label12;
    QPushButton* cmdQuery;
    QPushButton* cmdRefs;
    QPlainTextEdit* txtQuery;
    QTreeView* lstReport;
    QLabel* Label13;

    QPushButton* cmdExit;

    // Menus
    QMenu* mAdvanced;
    QAction* mDB;
    QAction* msep3;
    QAction* mBrowseRecord;
    QMenu* mHelpMenu;
    QAction* mHelp;
    QAction* msep2;
    QAction* mAbout;
    QAction* mExit;
    QMenu* mCopyPopup;
    QAction* mCopyEntire;
    QAction* msep1;
    QAction* mCopyName;
    QAction* mCopyStripped;
    QAction* mCopyIP;
    QAction* mCopyLastVisit;

public slots:
    // Start-up: settings, database, log file, file display, result columns. Runs before the window
    // is first shown.
    void Form_Load();

    void cmdChange_Click();
    void NewFile();

    void cmdClearDB_Click();

    void txtSearch_KeyPress(int keyAscii);
    void cmdSearch_Click();
    void cmdQuery_Click();
    void cmdRefs_Click();
    void chkAliases_Click();
    void cmbSearch_Click();
    void lstReport_ColumnClick(int column);
    void lstReport_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& position);

    void mCopyEntire_Click();
    void mCopyName_Click();
    void mCopyStripped_Click();
    void mCopyIP_Click();
    void mCopyLastVisit_Click();

    void cmdFileHelp_Click();
    void cmdProcessingHelp_Click();
    void cmdSearchHelp_Click();
    void mHelp_Click();
    void mDB_Click();
    void mBrowseRecord_Click();
    void mDatabaseConnection_Click();
    void mAbout_Click();
    void mExit_Click();
    void cmdExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildFileFrame(QWidget* client);
    void BuildProcessingFrame(QWidget* client);
    void BuildReportsFrame(QWidget* client);
    void BuildMenus();
    void SetTabOrder();
    void ConnectHandlers();
    void RestoreSettings();
    void ChooseFirstLogFile();
    void AddResultColumns();
    // Shutdown once no run is on its way: close the database, save the settings.
    void Form_Unload();
    void RunReturned();
    void CopySelected(int command);
    // A new search of `query`; a statement that fails is said in a message box.
    void RunSearch(const Query& query, AliasCheck aliasCheck);
    void ShowHelp(const QString& topic);
    const ResultRow* SelectedRow() const;

    ProcessingState& state_;
    Prompter& prompter_;
    LogFileChooser& chooser_;
    SettingsStore& settings_;
    DocumentOpener& opener_;
    QString dataFolder_;
    PositionJournal journal_;
    NamesDatabase db_;
    ResultList resultList_;
    // Declared after the list it observes, so it goes first; the window's widgets, destroyed after
    // every member, never see a model over a dead list.
    std::unique_ptr<ResultListModel> model_;
    std::unique_ptr<WindowPostHost> postHost_;
    ProcessingControl* processing_ = nullptr;
    HelpViewer helpViewer_;
    std::unique_ptr<AboutBox> aboutBox_;
    std::optional<ResultRow> popupRow_;
    bool closePending_ = false;
    int searchDepth_ = 0; // searches on the stack (one may run inside another)
    bool unloaded_ = false;
};

} // namespace corvanth
