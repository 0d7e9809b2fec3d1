#include "ProcessLog.h"
#include "RunHost.h"
#include "ShapeWidget.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace corvanth;
using namespace corvanth::testing;
using Answer = Prompter::Answer;

namespace {

const QString kDefaultQuery = QStringLiteral("SELECT * FROM Names WHERE PlayerName LIKE '*';");

template <typename T> T* Find(QObject& root, const char* name) {
    return root.findChild<T*>(QLatin1String(name));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir settingsDir_;

private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid());
        UseScratchSettings(settingsDir_.path());
    }
    void init() { ClearSettings(); }

    void sizes() {
        WindowFixture f(GameLog(1));
        f.load();
        QCOMPARE(f.w().centralWidget()->size(), QSize(642, 590));
        QCOMPARE(f.w().lstReport->size(), QSize(625, 241));
        QCOMPARE(f.w().minimumSize(), f.w().maximumSize()); // not resizable
        QVERIFY(!(f.w().windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(f.w().windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(f.w().windowTitle(), QStringLiteral("(Idle) Corvanth"));
        QVERIFY(!f.w().windowIcon().isNull());
        QVERIFY(!f.w().cmdFileHelp->icon().isNull());
        QVERIFY(f.w().cmdFileHelp->text().isEmpty());
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char* name, const char* kind, const char* frame, const char* text,
                            bool enabled = true) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind)
                                << QString::fromLatin1(frame) << QString::fromUtf8(text) << enabled;
        };
        row("Label1", "QLabel", "frmFile", "Current File:");
        row("cmdChange", "QPushButton", "frmFile", "&Change");
        row("Label2", "QLabel", "frmFile", "Size:");
        row("Label3", "QLabel", "frmFile", "Bytes");
        row("Label14", "QLabel", "frmFile", "Last Recorded Position (Starting Position):");
        row("txtStartPosition", "QLineEdit", "frmFile", "1");
        row("cmdFileHelp", "QPushButton", "frmFile", "");
        row("cmdClearDB", "QPushButton", "frmProcessing", "Clear Database");
        row("Label8", "QLabel", "frmProcessing", "Update Interval");
        row("txtInterval", "QLineEdit", "frmProcessing", "100");
        row("Label9", "QLabel", "frmProcessing", "ms");
        row("chkProcessChat", "QCheckBox", "frmProcessing", "Process Chat", false);
        row("chkProcessNames", "QCheckBox", "frmProcessing", "Process Names", false);
        row("Label4", "QLabel", "frmProcessing", "State:");
        row("lblStatus", "QLabel", "frmProcessing", "Idle");
        row("Label5", "QLabel", "frmProcessing", "Processing Byte #");
        row("lblByteNum", "QLabel", "frmProcessing", "");
        row("Label6", "QLabel", "frmProcessing", "Percent Done:");
        row("lblPercent", "QLabel", "frmProcessing", "");
        row("Label7", "QLabel", "frmProcessing", "Estimated Time Left:");
        row("lblEstimated", "QLabel", "frmProcessing", "");
        row("cmdProcess", "QPushButton", "frmProcessing", "&Process");
        row("cmdProcessingHelp", "QPushButton", "frmProcessing", "");
        row("cmdPause", "QPushButton", "frmProcessing", "P&ause", false);
        row("cmdCancel", "QPushButton", "frmProcessing", "Ca&ncel", false);
        row("Label10", "QLabel", "frmReports", "Search:");
        row("txtSearch", "QLineEdit", "frmReports", "");
        row("cmdSearch", "QPushButton", "frmReports", "&Search");
        row("cmdSearchHelp", "QPushButton", "frmReports", "");
        row("Label11", "QLabel", "frmReports", "Search by:");
        row("chkAliases", "QCheckBox", "frmReports", "Show Aliases?");
        row("chkAliasBroad", "QCheckBox", "frmReports", "Check Broad Alias (255.255.255.*)", false);
        row("Label15", "QLabel", "frmReports", "Total Matches:");
        row("lblMatches", "QLabel", "frmReports", "0");
        row("Label12", "QLabel", "frmReports", "Custom SQL:");
        row("cmdQuery", "QPushButton", "frmReports", "Query");
        row("cmdRefs", "QPushButton", "frmReports", "Show Refs");
        row("Label13", "QLabel", "frmReports", "RIGHT CLICK ENTRY TO COPY IT TO THE CLIPBOARD");
        row("cmdExit", "QPushButton", "client", "E&xit");
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, frame);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        WindowFixture f(GameLog(1));
        f.load();
        auto* widget = f.w().findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
        QCOMPARE(widget->parentWidget()->objectName(), frame);
        QCOMPARE(widget->isEnabled(), enabled);
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(widget)) shown = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) shown = button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) shown = edit->text();
        QCOMPARE(shown, text);
    }

    void framesAndRemainingControls() {
        WindowFixture f(GameLog(1));
        f.load();
        frmMain& w = f.w();
        QCOMPARE(w.frmFile->title(), QStringLiteral("File Stuff"));
        QCOMPARE(w.frmProcessing->title(), QStringLiteral("Processing Stuff"));
        QCOMPARE(w.frmReports->title(), QStringLiteral("Search Stuff"));
        QVERIFY(w.frmFile->y() < w.frmProcessing->y() && w.frmProcessing->y() < w.frmReports->y());
        QVERIFY(w.frmReports->height() > w.frmProcessing->height());
        QVERIFY(w.cmdExit->y() > w.frmReports->geometry().bottom());
        QCOMPARE(w.lblCurFile->text(), f.logPath);
        QVERIFY(w.chkProcessChat->isChecked() && w.chkProcessNames->isChecked());
        QVERIFY(!w.chkAliases->isChecked() && !w.chkAliasBroad->isChecked());
        QCOMPARE(w.cmbSearch->count(), 2);
        QCOMPARE(w.cmbSearch->itemText(0), QStringLiteral("Name"));
        QCOMPARE(w.cmbSearch->itemText(1), QStringLiteral("IP"));
        QCOMPARE(w.cmbSearch->currentIndex(), 0);
        QCOMPARE(w.txtQuery->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(w.txtQuery->toPlainText(), kDefaultQuery);
        QCOMPARE(w.shpProgConst->style(), ShapeWidget::Style::Outline);
        QCOMPARE(w.shpProgress->style(), ShapeWidget::Style::Fill);
        QCOMPARE(w.shpProgress->color(), QColor(0, 0, 255));
        QCOMPARE(w.shpProgress->geometry(), w.shpProgConst->geometry());
        QVERIFY(w.shpProgress->isHidden());
        QCOMPARE(w.tmrUpdates->interval(), 100);
        QVERIFY(!w.tmrUpdates->isActive());
        QCOMPARE(w.lstReport->objectName(), QStringLiteral("lstReport"));
        QCOMPARE(w.lstReport->parentWidget(), static_cast<QWidget*>(w.frmReports));
    }

    void resultColumns() {
        WindowFixture f(GameLog(1));
        f.load();
        QTreeView* list = f.w().lstReport;
        QVERIFY(list->model());
        QCOMPARE(list->model()->columnCount(), 5);
        const QStringList headers = {"Name", "StripName", "IP", "Last Connection", "Referee"};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(list->columnWidth(0), 200);
        QCOMPARE(list->columnWidth(1), 133);
        QCOMPARE(list->columnWidth(2), list->header()->defaultSectionSize());
        QCOMPARE(list->columnWidth(3), 133);
        QCOMPARE(list->columnWidth(4), 57);
    }

    void menus() {
        WindowFixture f(GameLog(1));
        f.load();
        frmMain& w = f.w();
        const QList<QAction*> bar = w.menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->menu(), w.mAdvanced);
        QCOMPARE(bar[0]->text(), QStringLiteral("&Advanced"));
        QCOMPARE(bar[1]->menu(), w.mHelpMenu);
        QCOMPARE(bar[1]->text(), QStringLiteral("&Help"));
        QCOMPARE(bar[2], w.mExit);
        QCOMPARE(w.mExit->text(), QStringLiteral("E&xit"));
        QVERIFY(!w.mExit->menu());
        const QList<QAction*> advanced = w.mAdvanced->actions();
        QCOMPARE(advanced.mid(0, 3), (QList<QAction*>{w.mDB, w.msep3, w.mBrowseRecord}));
        QCOMPARE(advanced.size(), 4);
        QCOMPARE(advanced[3]->text(), QStringLiteral("Database Connection\u2026"));
        QCOMPARE(w.mDB->text(), QStringLiteral("Open DB with default program..."));
        QVERIFY(w.msep3->isSeparator());
        QCOMPARE(w.mBrowseRecord->text(), QStringLiteral("Open Recorded Processing Positions..."));
        QCOMPARE(w.mHelpMenu->actions(), (QList<QAction*>{w.mHelp, w.msep2, w.mAbout}));
        QCOMPARE(w.mHelp->text(), QStringLiteral("Help File..."));
        QCOMPARE(w.mHelp->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
        QCOMPARE(w.mAbout->text(), QStringLiteral("&About..."));
        QCOMPARE(w.mAbout->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
        // The pop-up menu is never on the bar.
        for (QAction* action : bar)
            QVERIFY(action->menu() != w.mCopyPopup);
        QCOMPARE(w.mCopyPopup->title(), QStringLiteral("POPUP"));
        QCOMPARE(w.mCopyPopup->actions(), (QList<QAction*>{w.mCopyEntire, w.msep1, w.mCopyName,
                                                           w.mCopyStripped, w.mCopyIP, w.mCopyLastVisit}));
        const QStringList captions = {"Copy Entire Entry",  "",        "Copy Player Name",
                                      "Copy Stripped Name", "Copy IP", "Copy Last Visit"};
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(w.mCopyPopup->actions()[i]->text(), captions[i]);
        for (QAction* a : {w.mDB, w.msep3, w.mBrowseRecord, w.mHelp, w.msep2, w.mAbout, w.mExit,
                           w.mCopyEntire, w.msep1, w.mCopyName, w.mCopyStripped, w.mCopyIP, w.mCopyLastVisit})
            QVERIFY2(!a->objectName().isEmpty(), qPrintable(a->text()));
        QCOMPARE(w.msep1->objectName(), QStringLiteral("msep1"));
        QCOMPARE(w.mHelpMenu->objectName(), QStringLiteral("mHelpMenu"));
    }

    // Ctrl+H and Ctrl+A reach their menu commands wherever the focus is, the text boxes included.
    void menuAcceleratorsFromEveryControl() {
        WindowFixture f(GameLog(1));
        f.load();
        frmMain& w = f.w();
        // Only whether the commands are reached counts here, not the windows they open.
        QVERIFY(QObject::disconnect(w.mHelp, &QAction::triggered, &w, &frmMain::mHelp_Click));
        QVERIFY(QObject::disconnect(w.mAbout, &QAction::triggered, &w, &frmMain::mAbout_Click));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QSignalSpy help(w.mHelp, &QAction::triggered);
        QSignalSpy about(w.mAbout, &QAction::triggered);
        const QList<QWidget*> controls = {w.txtSearch,        w.txtQuery,  w.txtInterval,
                                          w.txtStartPosition, w.cmdChange, w.lstReport};
        for (QWidget* control : controls) {
            control->setFocus();
            QCOMPARE(QApplication::focusWidget(), control);
            const qsizetype helpBefore = help.count();
            const qsizetype aboutBefore = about.count();
            QTest::keyClick(control, Qt::Key_H, Qt::ControlModifier);
            QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
            QVERIFY2(help.count() == helpBefore + 1, qPrintable(control->objectName()));
            QVERIFY2(about.count() == aboutBefore + 1, qPrintable(control->objectName()));
        }
        // The box did not also take Ctrl+A as "select all".
        QVERIFY(!w.txtStartPosition->hasSelectedText());
    }

    // "E&xit" on the bar and the Exit button share Alt+X: one press closes the window.
    void altXClosesTheWindow() {
        WindowFixture f(GameLog(1));
        f.load();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        f.w().txtSearch->setFocus();
        f.w().txtSearch->setText(QStringLiteral("saved on the way out"));
        QTest::keyClick(f.w().txtSearch, Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!f.w().isVisible(), 2000);
        QVERIFY(!f.w().database().IsOpen());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtSearch"), QString()),
                 QStringLiteral("saved on the way out"));
    }

    // The window opens on Change; a run puts the focus on Pause, the return to idle on Process.
    void focusFollowsTheRun() {
        WindowFixture f(GameLog(300));
        f.load();
        frmMain& w = f.w();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdChange));
        QWidget* focusInside = nullptr;
        WindowFixture::InsideRun([&] { focusInside = QApplication::focusWidget(); });
        w.txtSearch->setFocus();
        w.cmdProcess->click();
        QCOMPARE(focusInside, static_cast<QWidget*>(w.cmdPause));
        w.txtSearch->setFocus();
        w.processing().tmrUpdates_Timer();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdProcess));
    }

    void tabOrder() {
        WindowFixture f(GameLog(1));
        f.load();
        const QStringList expected = {
            "cmdChange",   "cmdProcess",    "cmdCancel",        "cmdExit",         "lstReport",
            "cmdPause",    "txtSearch",     "cmbSearch",        "cmdSearch",       "cmdRefs",
            "chkAliases",  "chkAliasBroad", "txtQuery",         "cmdQuery",        "cmdProcessingHelp",
            "cmdFileHelp", "cmdSearchHelp", "txtStartPosition", "chkProcessNames", "chkProcessChat",
            "txtInterval", "cmdClearDB"};
        QStringList seen;
        QWidget* w = f.w().cmdChange;
        for (int guard = 0; guard < 500 && seen.size() < expected.size(); ++guard) {
            if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
                seen << w->objectName();
            w = w->nextInFocusChain();
        }
        QCOMPARE(seen, expected);
    }

    void firstStartAsksForALog() {
        WindowFixture f(GameLog(2), WindowFixture::RememberLog::No);
        f.chooser.paths = {QString(), f.logPath}; // cancelled once, then chosen
        f.prompter.script({Answer::Ok, Answer::Yes});
        f.load();
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QCOMPARE(f.prompter.asked[0].text, QStringLiteral("Select a .log file:"));
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Select File"));
        QCOMPARE(f.prompter.asked[0].buttons, Prompter::Buttons::Ok);
        QCOMPARE(f.prompter.asked[0].icon, Prompter::Icon::Information);
        QCOMPARE(f.prompter.asked[1].text, QStringLiteral("You must select a file, try again?"));
        QCOMPARE(f.prompter.asked[1].title, QStringLiteral("Try again?"));
        QCOMPARE(f.prompter.asked[1].buttons, Prompter::Buttons::YesNo);
        QCOMPARE(f.prompter.asked[1].icon, Prompter::Icon::None);
        QCOMPARE(f.chooser.calls, 2);
        QCOMPARE(f.w().lblCurFile->text(), f.logPath);
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QStringLiteral("?")), f.logPath);
        QCOMPARE(f.w().lblFileSize->text(), QString::number(GameLog(2).size()));
        QCOMPARE(f.w().txtStartPosition->text(), QStringLiteral("1"));
        // The defaults of a first start.
        QCOMPARE(f.w().txtQuery->toPlainText(), kDefaultQuery);
        QCOMPARE(f.w().txtInterval->text(), QStringLiteral("100"));
        QCOMPARE(f.w().txtSearch->text(), QString());
        QVERIFY(!f.w().chkAliases->isChecked() && !f.w().chkAliasBroad->isChecked());
        QCOMPARE(f.w().cmbSearch->currentIndex(), 0);
        QCOMPARE(f.w().lblStatus->text(), QStringLiteral("Idle"));
        QVERIFY(!f.w().tmrUpdates->isActive());
    }

    void firstStartDeclined() {
        WindowFixture f(GameLog(2), WindowFixture::RememberLog::No);
        f.prompter.script({Answer::Ok, Answer::No});
        f.load();
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QCOMPARE(f.w().lblCurFile->text(), QString());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QStringLiteral("<Not Set>")),
                 QStringLiteral("<Not Set>"));
        QCOMPARE(f.w().txtStartPosition->text(), QString());
        f.w().cmdProcess->click(); // no file: nothing happens
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QVERIFY(!f.w().processing().lastSummary());
    }

    void settingsSurviveARestart() {
        {
            WindowFixture f(GameLog(1));
            f.load();
            f.w().txtQuery->setPlainText(QStringLiteral("SELECT * FROM Names WHERE IP LIKE '10.*';"));
            f.w().txtInterval->setText(QStringLiteral("250"));
            f.w().txtSearch->setText(QStringLiteral("*ace*"));
            f.w().chkAliases->setChecked(true);
            f.w().chkAliasBroad->setChecked(true);
            f.w().cmbSearch->setCurrentIndex(1);
            QVERIFY(f.w().close());
        }
        SettingsStore store;
        QCOMPARE(store.GetRegString(QStringLiteral("chkAliases"), QString()), QStringLiteral("1"));
        QCOMPARE(store.GetRegString(QStringLiteral("cmbSearch"), QString()), QStringLiteral("1"));
        WindowFixture g(GameLog(1));
        g.load();
        QCOMPARE(g.w().txtQuery->toPlainText(), QStringLiteral("SELECT * FROM Names WHERE IP LIKE '10.*';"));
        QCOMPARE(g.w().txtInterval->text(), QStringLiteral("250"));
        QCOMPARE(g.w().txtSearch->text(), QStringLiteral("*ace*"));
        QVERIFY(g.w().chkAliases->isChecked());
        QVERIFY(g.w().chkAliasBroad->isChecked()); // restored after chkAliases, so its rule did not untick it
        QCOMPARE(g.w().cmbSearch->currentIndex(), 1);
        QVERIFY(!g.w().chkAliases->isEnabled()); // searching by IP
        QVERIFY(!g.w().chkAliasBroad->isEnabled());
    }

    void badStoredValuesKeepTheDefaults() {
        SettingsStore store;
        store.SaveRegString(QStringLiteral("chkAliases"), QStringLiteral("yes"));
        store.SaveRegString(QStringLiteral("cmbSearch"), QStringLiteral("7"));
        {
            QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pyrrowin"),
                          QStringLiteral("Corvanth"));
            raw.setValue(QStringLiteral("txtInterval"), QByteArray("250")); // not a text
            raw.setValue(QStringLiteral("txtSearch"), QStringLiteral("abc") + QChar(u'\0'));
            raw.setValue(QStringLiteral("txtQuery"), QString());
        }
        QCOMPARE(store.GetRegString(QStringLiteral("txtInterval"), QStringLiteral("100")),
                 QStringLiteral("100"));
        QCOMPARE(store.GetRegString(QStringLiteral("txtSearch"), QStringLiteral("d")), QStringLiteral("abc"));
        QCOMPARE(store.GetRegString(QStringLiteral("txtQuery"), QStringLiteral("d")), QString());
        QCOMPARE(store.GetRegString(QStringLiteral("missing"), QStringLiteral("d")), QStringLiteral("d"));
        WindowFixture f(GameLog(1));
        f.load();
        QVERIFY(!f.w().chkAliases->isChecked());
        QCOMPARE(f.w().cmbSearch->currentIndex(), 0);
        QCOMPARE(f.w().txtInterval->text(), QStringLiteral("100"));
    }

    // A greyed state restored from the settings shows greyed; a click only ticks or unticks.
    void greyedCheckStateIsRestoredButNeverClickedInto() {
        SettingsStore().SaveRegString(QStringLiteral("chkAliases"), QStringLiteral("2"));
        WindowFixture f(GameLog(1));
        f.load();
        QCheckBox* box = f.w().chkAliases;
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        for (const Qt::CheckState expected : {Qt::Checked, Qt::Unchecked, Qt::Checked, Qt::Unchecked}) {
            box->click();
            QCOMPARE(box->checkState(), expected);
        }
    }

    // Enter on a focused push button clicks it.
    void enterClicksTheFocusedButton_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("matches");
        QTest::newRow("cmdSearch") << QStringLiteral("cmdSearch") << QStringLiteral("3");
        QTest::newRow("cmdQuery") << QStringLiteral("cmdQuery") << QStringLiteral("0");
        QTest::newRow("cmdRefs") << QStringLiteral("cmdRefs") << QStringLiteral("7");
    }
    void enterClicksTheFocusedButton() {
        QFETCH(QString, button);
        QFETCH(QString, matches);
        WindowFixture f(GameLog(3));
        f.load();
        f.w().cmdProcess->click();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        f.w().txtSearch->setText(QStringLiteral("*"));
        f.w().cmdSearch->click();
        f.w().lblMatches->setText(QStringLiteral("7"));
        f.w().txtQuery->setPlainText(QStringLiteral("SELECT * FROM Names WHERE IP = 'none';"));
        auto* target = f.w().findChild<QPushButton*>(button);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(f.w().lblMatches->text(), matches);
        if (button == QStringLiteral("cmdRefs")) QVERIFY(f.w().resultList().Empty());
    }

    // Alt+A: "P&ause" while it is enabled (during a run), the "&Advanced" menu otherwise.
    void altAPausesDuringARunAndOpensTheMenuOtherwise() {
        WindowFixture f(GameLog(300));
        f.load();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        QString statusInside;
        WindowFixture::InsideRun([&] {
            QTest::keyClick(f.w().txtSearch, Qt::Key_A, Qt::AltModifier);
            QCoreApplication::processEvents();
            statusInside = f.w().lblStatus->text();
        });
        f.w().cmdProcess->click();
        QCOMPARE(statusInside, QStringLiteral("Process Paused"));
        f.w().cmdCancel->click();
        f.w().processing().tmrUpdates_Timer();
        QVERIFY(!f.w().cmdPause->isEnabled());
        QTest::keyClick(f.w().txtSearch, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(f.w().mAdvanced->isVisible(), 2000);
        f.w().mAdvanced->hide();
    }

    // A statement that fails says why; the list shows the empty result. The referee list's failure
    // note goes with the next search.
    void failingSearchesSayWhy() {
        WindowFixture f(GameLog(3));
        f.load();
        f.w().cmdProcess->click();
        f.prompter.asked.clear();
        f.w().txtQuery->setPlainText(QStringLiteral("SELEC nonsense"));
        f.w().cmdQuery->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Query failed"));
        QVERIFY2(f.prompter.asked[0].text.contains(QStringLiteral("syntax error")),
                 qPrintable(f.prompter.asked[0].text));
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("0"));
        QCOMPARE(QString::fromStdString(f.w().resultList().Row(0).Text()),
                 QStringLiteral("No matches to your query"));

        f.w().txtQuery->setPlainText(QStringLiteral("ALTER TABLE Names RENAME TO Elsewhere"));
        f.w().cmdQuery->click();
        f.w().cmdRefs->click();
        QVERIFY(!f.w().lstReport->toolTip().isEmpty());
        f.prompter.asked.clear();
        f.w().txtSearch->setText(QStringLiteral("*"));
        f.w().cmdSearch->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Query failed"));
        QVERIFY(f.w().lstReport->toolTip().isEmpty());
    }

    void aliasRules() {
        WindowFixture f(GameLog(1));
        f.load();
        frmMain& w = f.w();
        w.chkAliases->click();
        QVERIFY(w.chkAliasBroad->isEnabled());
        QVERIFY(!w.chkAliasBroad->isChecked());
        w.chkAliasBroad->click();
        QVERIFY(w.chkAliasBroad->isChecked());
        w.cmbSearch->setCurrentIndex(1);
        QVERIFY(!w.chkAliases->isEnabled() && !w.chkAliasBroad->isEnabled());
        QVERIFY(w.chkAliases->isChecked() && w.chkAliasBroad->isChecked());
        w.cmbSearch->setCurrentIndex(0);
        QVERIFY(w.chkAliases->isEnabled() && w.chkAliasBroad->isEnabled());
        w.chkAliases->click();
        QVERIFY(!w.chkAliasBroad->isEnabled());
        QVERIFY(!w.chkAliasBroad->isChecked());
    }

    void searchesReachTheList() {
        WindowFixture f(GameLog(30));
        f.load();
        f.w().cmdProcess->click();
        QCOMPARE(f.w().database().RowCount(), std::int64_t{30});
        f.w().txtSearch->setText(QStringLiteral("player1*"));
        QTest::keyClick(f.w().txtSearch, Qt::Key_Return);
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("11")); // Player1, Player10 to Player19
        QCOMPARE(f.w().resultList().Count(), std::size_t{11});
        QCOMPARE(f.w().txtSearch->text(), QStringLiteral("player1*"));

        f.w().cmbSearch->setCurrentIndex(1);
        f.w().txtSearch->setText(QStringLiteral("10.0.0.7"));
        f.w().cmdSearch->click();
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("1"));
        QCOMPARE(QString::fromStdString(f.w().resultList().Row(0).Text()), QStringLiteral("Player7"));

        f.w().txtQuery->setPlainText(QStringLiteral("SELECT * FROM Names WHERE PlayerName LIKE 'Player2?';"));
        f.w().cmdQuery->click();
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("10"));

        f.w().txtSearch->clear();
        f.w().cmdSearch->click(); // empty: nothing happens
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("10"));

        // Header clicks sort; a second click on the same header reverses.
        f.w().lstReport->header()->sectionClicked(2);
        QVERIFY(f.w().resultList().Sorted());
        QCOMPARE(f.w().resultList().SortKey(), std::size_t{2});
        QCOMPARE(QString::fromStdString(f.w().resultList().Row(0).Text()), QStringLiteral("Player20"));
        f.w().lstReport->header()->sectionClicked(2);
        QCOMPARE(QString::fromStdString(f.w().resultList().Row(0).Text()), QStringLiteral("Player29"));
    }

    // A header click keeps the selected row selected and in sight.
    void sortingKeepsTheSelectedRowInSight() {
        WindowFixture f(GameLog(200));
        f.load();
        f.w().cmdProcess->click();
        f.w().txtSearch->setText(QStringLiteral("*"));
        f.w().cmdSearch->click();
        f.w().resultModel().Flush();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        QTreeView* list = f.w().lstReport;
        list->setCurrentIndex(list->model()->index(0, 0));
        const QString selected = list->currentIndex().data().toString();
        list->header()->sectionClicked(0); // the same column again: descending, the row goes last
        QCOMPARE(list->currentIndex().data().toString(), selected);
        QVERIFY(list->selectionModel()->isRowSelected(list->currentIndex().row(), QModelIndex()));
        QVERIFY(list->currentIndex().row() > 100);
        QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
    }

    // The referee list keeps the previous count and shows no placeholder when it finds nobody.
    void refereeListKeepsTheCount() {
        WindowFixture f(GameLog(5));
        f.load();
        f.w().cmdProcess->click();
        f.w().txtSearch->setText(QStringLiteral("*"));
        f.w().cmdSearch->click();
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("5"));
        f.w().cmdRefs->click();
        QCOMPARE(f.w().resultList().Count(), std::size_t{0});
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("5"));
    }

    void copyFromThePopup() {
        WindowFixture f(GameLog(10));
        f.load();
        f.w().cmdProcess->click();
        f.w().cmbSearch->setCurrentIndex(1);
        f.w().txtSearch->setText(QStringLiteral("10.0.0.7"));
        f.w().cmdSearch->click();
        f.w().resultModel().Flush();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        const QRect first = f.w().lstReport->visualRect(f.w().lstReport->model()->index(0, 0));
        QVERIFY(first.isValid());
        // A left click selects the row, releasing the left button offers nothing.
        QTest::mouseClick(f.w().lstReport->viewport(), Qt::LeftButton, {}, first.center());
        QVERIFY(!f.w().popupRow());
        f.w().lstReport_MouseUp(Qt::RightButton, {}, first.center());
        QVERIFY(f.w().popupRow());
        f.w().mCopyPopup->hide();
        f.w().mCopyIP->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("IP: 10.0.0.7"));
        f.w().mCopyName->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Name: Player7"));
    }

    void clearDatabaseAsksFirst() {
        WindowFixture f(GameLog(10));
        f.load();
        f.w().cmdProcess->click();
        QCOMPARE(f.w().database().RowCount(), std::int64_t{10});
        f.prompter.asked.clear();
        f.prompter.script({Answer::No});
        f.w().cmdClearDB->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].text,
                 QStringLiteral("This will delete ALL records in the database!!!\r\n"
                                "Are you absolutely sure you want to do this???"));
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Delete records?"));
        QCOMPARE(f.prompter.asked[0].buttons, Prompter::Buttons::YesNo);
        QCOMPARE(f.prompter.asked[0].icon, Prompter::Icon::Critical);
        QCOMPARE(f.w().database().RowCount(), std::int64_t{10});
        f.prompter.script({Answer::Yes});
        f.w().cmdClearDB->click();
        QCOMPARE(f.w().database().RowCount(), std::int64_t{0});
    }

    void changeDuringARunPausesIt() {
        WindowFixture f(GameLog(300));
        f.load();
        bool pausedByChange = false;
        WindowFixture::InsideRun([&] {
            f.w().cmdChange->click(); // the dialog is cancelled
            pausedByChange = f.w().cmdPause->text() == caption::Resume && !f.state.Processing;
        });
        f.w().cmdProcess->click();
        QVERIFY(pausedByChange);
        QCOMPARE(f.chooser.calls, 1);
        QCOMPARE(f.w().lblStatus->text(), QStringLiteral("Process Paused"));
        QCOMPARE(f.w().lblCurFile->text(), f.logPath);
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QString()), f.logPath);

        // While paused, Change does not resume; choosing a file shows and stores it.
        const QString other = f.dir.filePath(QStringLiteral("other.log"));
        f.chooser.paths = {other};
        f.w().cmdChange->click();
        QCOMPARE(f.w().cmdPause->text(), caption::Resume);
        QCOMPARE(f.w().lblCurFile->text(), other);
        QCOMPARE(f.w().lblFileSize->text(), QString()); // does not exist
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QString()), other);
    }

    void closingDuringARunKeepsItsRows() {
        const int games = 3000;
        const QByteArray log = GameLog(games);
        WindowFixture f(log);
        f.load();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        f.w().txtInterval->setText(QStringLiteral("321"));
        bool closedInside = false;
        std::int64_t rowsSeenInside = -1;
        WindowFixture::InsideRun([&] {
            f.w().close();
            closedInside = f.w().closePending();
            rowsSeenInside = f.w().processing().lastSummary() ? -2 : 0;
        });
        f.w().cmdProcess->click();
        QVERIFY(closedInside);
        QCOMPARE(rowsSeenInside, std::int64_t{0}); // no run had returned when the window was closed
        const auto summary = *f.w().processing().lastSummary();
        QCOMPARE(summary.outcome, RunOutcome::Stopped);
        QVERIFY(summary.visitsRecorded > 0 && summary.visitsRecorded < games);
        QVERIFY(!f.w().isVisible());
        QVERIFY(!f.w().closePending());
        QVERIFY(!f.state.Processing);
        QVERIFY(!f.w().database().IsOpen());
        QVERIFY(f.journalExists()); // the run stopped at a line end and journaled it
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtInterval"), QString()), QStringLiteral("321"));

        // Every row the run recorded is in the file.
        NamesDatabase reopened;
        reopened.Open(f.dir.filePath(QStringLiteral("IPLogging.mdb")).toStdString());
        QCOMPARE(reopened.RowCount(), summary.visitsRecorded);
    }

    // Closing during a search started inside a run stops the search at its next row, then the run,
    // then the window closes.
    void closingStopsASearchInsideARun() {
        WindowFixture f(GameLog(3000));
        f.load();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        f.w().txtSearch->setText(QStringLiteral("*"));
        std::int64_t rowsAtSearch = 0;
        std::function<void()> searchOnceRowsAreIn = [&] {
            rowsAtSearch = f.w().database().RowCount();
            if (rowsAtSearch < 50) {
                QTimer::singleShot(0, searchOnceRowsAreIn);
                return;
            }
            f.clock.step = 0.016; // the search hands control to the event loop at every row
            QTimer::singleShot(0, [&] { f.w().close(); });
            f.w().cmdSearch->click();
        };
        WindowFixture::InsideRun(searchOnceRowsAreIn);
        f.w().cmdProcess->click();
        QVERIFY(rowsAtSearch >= 50);
        QVERIFY2(f.w().resultList().Count() < static_cast<std::size_t>(rowsAtSearch) / 2,
                 qPrintable(QString::number(f.w().resultList().Count())));
        QVERIFY(!f.w().isVisible());
        QVERIFY(!f.w().database().IsOpen());
        for (const auto& question : f.prompter.asked)
            QVERIFY2(question.title != QStringLiteral("Query failed"), qPrintable(question.text));
    }

    void closingWhenIdle() {
        WindowFixture f(GameLog(5));
        f.load();
        f.w().cmdProcess->click();
        f.w().txtSearch->setText(QStringLiteral("kept"));
        QVERIFY(f.w().close());
        QVERIFY(!f.w().database().IsOpen());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtSearch"), QString()), QStringLiteral("kept"));
        QCOMPARE(f.journaled(), static_cast<double>(GameLog(5).size()));
    }

    void menuCommands() {
        WindowFixture f(GameLog(1));
        f.load();
        f.w().mDB->trigger();
        QCOMPARE(f.opener.opened, QStringList{f.dir.filePath(QStringLiteral("IPLogging.mdb"))});
        f.w().mBrowseRecord->trigger(); // no journal yet: a message instead
        QCOMPARE(f.opener.opened.size(), 1);
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].text, QStringLiteral("No positions have been logged yet!"));
        f.w().mExit->trigger();
        QVERIFY(!f.w().database().IsOpen());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
