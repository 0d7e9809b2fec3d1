#include "ProcessLog.h"
#include "ResultListModel.h"
#include "SearchControl.h"
#include "WindowFixture.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

using namespace corvanth;
using namespace corvanth::testing;
using Answer = Prompter::Answer;

namespace {

// Alpha@1.1.1.1, Bravo@1.1.1.1, Bravo@2.2.2.2, Charlie@2.2.2.2 (a chain of hops 0 to 3) and Delta, linked
// to nobody.
QByteArray ChainLog() {
    QByteArray log;
    const std::pair<const char*, const char*> visits[] = {{"Alpha", "1.1.1.1"},
                                                          {"Bravo", "1.1.1.1"},
                                                          {"Bravo", "2.2.2.2"},
                                                          {"Charlie", "2.2.2.2"},
                                                          {"Delta", "9.9.9.9"}};
    int client = 0;
    for (const auto& [name, ip] : visits)
        log += QStringLiteral("  1:00 InitGame: \\sv_hostname\\Test\\wfversion\\2.8\\g_gametype\\4\n"
                              "  1:02 ClientConnect: %1, name: %2, ip: %3:27960 DATE: 2024-03-01 20:00:00\n")
                   .arg(client++)
                   .arg(QLatin1String(name), QLatin1String(ip))
                   .toLatin1();
    return log;
}

// Selects the first row of the list and opens its pop-up menu, then closes the menu again.
void PickFirstRow(frmMain& w) {
    w.resultModel().Flush();
    QTreeView* list = w.lstReport;
    list->setCurrentIndex(list->model()->index(0, 0));
    w.search().lstReport_MouseUp(Qt::RightButton, {}, list->visualRect(list->currentIndex()).center());
    w.mCopyPopup->hide();
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

    // Code and tests find the controls by object name: every one is there, and the window keeps its
    // fixed size.
    void everyControlExistsByName() {
        WindowFixture f(GameLog(1));
        f.load();
        const QStringList names =
            QStringLiteral(
                "frmFile Label1 lblCurFile cmdChange Label2 lblFileSize Label3 Label14 txtStartPosition "
                "cmdFileHelp frmProcessing cmdClearDB Label8 txtInterval Label9 chkProcessChat "
                "chkProcessNames Label4 lblStatus Label5 lblByteNum Label6 lblPercent Label7 "
                "lblEstimated cmdProcess cmdProcessingHelp cmdPause cmdCancel shpProgConst shpProgress "
                "tmrUpdates frmReports Label10 txtSearch cmdSearch cmdSearchHelp Label11 cmbSearch "
                "chkAliases chkAliasBroad Label15 lblMatches linSearchDark linSearchLight Label12 "
                "cmdQuery cmdRefs txtQuery lstReport Label13 cmdExit mAdvanced mDB msep3 mBrowseRecord "
                "mHelpMenu mHelp msep2 mAbout mExit mCopyPopup mCopyEntire msep1 mCopyName mCopyStripped "
                "mCopyIP mCopyLastVisit mShowLinked")
                .split(QLatin1Char(' '));
        for (const QString& name : names)
            QVERIFY2(f.w().findChild<QObject*>(name), qPrintable(name));
        QCOMPARE(f.w().objectName(), QStringLiteral("frmMain"));
        QCOMPARE(f.w().minimumSize(), f.w().maximumSize());
        QVERIFY(!(f.w().windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!f.w().cmdFileHelp->icon().isNull());
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
        const QList<QWidget*> controls = {w.txtSearch, w.txtQuery, w.txtInterval, w.txtStartPosition,
                                          w.lstReport};
        for (QWidget* control : controls) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_H, Qt::ControlModifier);
            QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        }
        QCOMPARE(help.count(), controls.size());
        QCOMPARE(about.count(), controls.size());
        QVERIFY(!w.txtStartPosition->hasSelectedText()); // Ctrl+A did not also select all
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
        QTest::keyClick(f.w().txtSearch, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(f.w().mAdvanced->isVisible(), 2000);
        f.w().mAdvanced->hide();
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

    void firstStartAsksForALog() {
        WindowFixture f(GameLog(2), WindowFixture::RememberLog::No);
        f.chooser.paths = {QString(), f.logPath}; // cancelled once, then chosen
        f.prompter.script({Answer::Ok, Answer::Yes});
        f.load();
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QCOMPARE(f.prompter.asked[0].text, QStringLiteral("Select a .log file:"));
        QCOMPARE(f.prompter.asked[0].icon, Prompter::Icon::Information);
        QCOMPARE(f.prompter.asked[1].text, QStringLiteral("You must select a file, try again?"));
        QCOMPARE(f.prompter.asked[1].buttons, Prompter::Buttons::YesNo);
        QCOMPARE(f.chooser.calls, 2);
        QCOMPARE(f.w().lblCurFile->text(), f.logPath);
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QStringLiteral("?")), f.logPath);
        QCOMPARE(f.w().lblFileSize->text(), QString::number(GameLog(2).size()));
        QCOMPARE(f.w().txtStartPosition->text(), QStringLiteral("1"));
        QCOMPARE(f.w().txtQuery->toPlainText(),
                 QStringLiteral("SELECT * FROM Names WHERE PlayerName LIKE '*';"));
    }

    void firstStartDeclined() {
        WindowFixture f(GameLog(2), WindowFixture::RememberLog::No);
        f.prompter.script({Answer::Ok, Answer::No});
        f.load();
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QCOMPARE(f.w().lblCurFile->text(), QString());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QStringLiteral("<Not Set>")),
                 QStringLiteral("<Not Set>"));
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
        QCOMPARE(SettingsStore().GetRegString(QStringLiteral("chkAliases"), QString()), QStringLiteral("1"));
        WindowFixture g(GameLog(1));
        g.load();
        QCOMPARE(g.w().txtQuery->toPlainText(), QStringLiteral("SELECT * FROM Names WHERE IP LIKE '10.*';"));
        QCOMPARE(g.w().txtInterval->text(), QStringLiteral("250"));
        QCOMPARE(g.w().txtSearch->text(), QStringLiteral("*ace*"));
        QVERIFY(g.w().chkAliases->isChecked());
        QVERIFY(g.w().chkAliasBroad->isChecked()); // restored after chkAliases, so its rule did not untick it
        QCOMPARE(g.w().cmbSearch->currentIndex(), 1);
        QVERIFY(!g.w().chkAliases->isEnabled()); // searching by IP
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
        }
        QCOMPARE(store.GetRegString(QStringLiteral("txtSearch"), QStringLiteral("d")), QStringLiteral("abc"));
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
        for (const Qt::CheckState expected : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
            box->click();
            QCOMPARE(box->checkState(), expected);
        }
    }

    // Enter on a focused push button clicks it; the referee list leaves the count as it was.
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
        f.w().lblMatches->setText(QStringLiteral("7"));
        f.w().txtQuery->setPlainText(QStringLiteral("SELECT * FROM Names WHERE IP = 'none';"));
        auto* target = f.w().findChild<QPushButton*>(button);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(f.w().lblMatches->text(), matches);
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

        f.w().txtQuery->setPlainText(QStringLiteral("ALTER TABLE Names RENAME TO Elsewhere"));
        f.w().cmdQuery->click();
        f.w().cmdRefs->click();
        QVERIFY(!f.w().lstReport->toolTip().isEmpty());
        f.prompter.asked.clear();
        f.w().cmdSearch->click(); // txtSearch is empty: nothing happens
        QVERIFY(f.prompter.asked.empty());
        f.w().txtSearch->setText(QStringLiteral("*"));
        f.w().cmdSearch->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QVERIFY(f.w().lstReport->toolTip().isEmpty());
    }

    void aliasRules() {
        WindowFixture f(GameLog(1));
        f.load();
        frmMain& w = f.w();
        QVERIFY(!w.chkAliasBroad->isEnabled());
        w.chkAliases->click();
        QVERIFY(w.chkAliasBroad->isEnabled());
        w.chkAliasBroad->click();
        w.cmbSearch->setCurrentIndex(1);
        QVERIFY(!w.chkAliases->isEnabled() && !w.chkAliasBroad->isEnabled());
        QVERIFY(w.chkAliases->isChecked() && w.chkAliasBroad->isChecked());
        w.cmbSearch->setCurrentIndex(0);
        QVERIFY(w.chkAliases->isEnabled() && w.chkAliasBroad->isEnabled());
        w.chkAliases->click();
        QVERIFY(!w.chkAliasBroad->isEnabled());
        QVERIFY(!w.chkAliasBroad->isChecked());
    }

    // Enter in txtSearch searches by the chosen kind; a header click sorts, again reverses, and the
    // selected row stays selected and in sight.
    void searchesAndSorts() {
        WindowFixture f(GameLog(200));
        f.load();
        f.w().cmdProcess->click();
        f.w().txtSearch->setText(QStringLiteral("player1*"));
        QTest::keyClick(f.w().txtSearch, Qt::Key_Return);
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("111")); // Player1, Player10-19, Player100-199
        f.w().cmbSearch->setCurrentIndex(1);
        f.w().txtSearch->setText(QStringLiteral("10.0.0.7"));
        f.w().cmdSearch->click();
        QCOMPARE(QString::fromStdString(f.w().resultList().Row(0).Text()), QStringLiteral("Player7"));

        f.w().txtSearch->setText(QStringLiteral("10.0.0.*"));
        f.w().cmdSearch->click();
        f.w().resultModel().Flush();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        QTreeView* list = f.w().lstReport;
        list->header()->sectionClicked(0);
        list->setCurrentIndex(list->model()->index(0, 0));
        const QString selected = list->currentIndex().data().toString();
        list->header()->sectionClicked(0); // the same column again: descending, the row goes last
        QCOMPARE(list->currentIndex().data().toString(), selected);
        QVERIFY(list->selectionModel()->isRowSelected(list->currentIndex().row(), QModelIndex()));
        QCOMPARE(list->currentIndex().row(), list->model()->rowCount() - 1);
        QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
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
        // A left click selects the row, releasing the left button offers nothing.
        QTest::mouseClick(f.w().lstReport->viewport(), Qt::LeftButton, {}, first.center());
        QVERIFY(!f.w().search().popupRow());
        f.w().search().lstReport_MouseUp(Qt::RightButton, {}, first.center());
        QVERIFY(f.w().search().popupRow());
        f.w().mCopyPopup->hide();
        f.w().mCopyIP->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("IP: 10.0.0.7"));
        f.w().mCopyName->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Name: Player7"));
    }

    // "Show Everything Linked" lists the selected row's cluster with its hops; the next search hides
    // the two columns again.
    void showEverythingLinked() {
        WindowFixture f(ChainLog());
        f.load();
        // The model's signals stay consistent while columns come and go.
        QAbstractItemModelTester tester(&f.w().resultModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.w().cmdProcess->click();
        QCOMPARE(f.w().database().RowCount(), std::int64_t{5});
        f.w().txtSearch->setText(QStringLiteral("Alpha"));
        f.w().cmdSearch->click();
        PickFirstRow(f.w());
        QTreeView* list = f.w().lstReport;
        f.w().mShowLinked->trigger();
        f.w().resultModel().Flush();
        QCOMPARE(f.w().lblMatches->text(), QStringLiteral("4"));
        const QAbstractItemModel* model = list->model();
        QCOMPARE(model->columnCount(), 7);
        QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Hops"));
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r)
            rows << QStringList{model->index(r, 5).data().toString(), model->index(r, 0).data().toString(),
                                model->index(r, 2).data().toString(), model->index(r, 6).data().toString()}
                        .join(QLatin1Char(' '));
        QCOMPARE(rows, (QStringList{"0 Alpha 1.1.1.1 ", "1 Bravo 1.1.1.1 1.1.1.1", "2 Bravo 2.2.2.2 Bravo",
                                    "3 Charlie 2.2.2.2 2.2.2.2"}));
        f.w().cmdSearch->click();
        QCOMPARE(model->columnCount(), 5);
    }

    // Cancel during a run also ends a cluster walk started inside it: what was found is listed, and
    // the message says the walk was stopped.
    void cancelStopsAClusterWalkInsideARun() {
        WindowFixture f(ChainLog() + GameLog(300));
        f.load();
        f.w().txtSearch->setText(QStringLiteral("Alpha"));
        std::function<void()> walkOnceTheChainIsIn = [&] {
            if (f.w().database().RowCount() < 5) {
                QTimer::singleShot(0, walkOnceTheChainIsIn);
                return;
            }
            f.w().cmdSearch->click();
            PickFirstRow(f.w());
            f.prompter.asked.clear();
            f.clock.step = 0.016; // the walk hands control to the event loop at every check
            QTimer::singleShot(0, [&] { f.w().cmdCancel->click(); });
            f.w().mShowLinked->trigger();
        };
        WindowFixture::InsideRun(walkOnceTheChainIsIn);
        f.w().cmdProcess->click();
        QCOMPARE(f.w().lblStatus->text(), QStringLiteral("Process Canceled"));
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Show Everything Linked"));
        QCOMPARE(f.prompter.asked[0].text,
                 QStringLiteral("The walk was stopped; rows linked further are not listed."));
        QCOMPARE(f.w().lstReport->model()->columnCount(), 7);
        QVERIFY(f.w().resultList().Count() < 4);
    }

    void clearDatabaseAsksFirst() {
        WindowFixture f(GameLog(10));
        f.load();
        f.w().cmdProcess->click();
        f.prompter.asked.clear();
        f.prompter.script({Answer::No, Answer::Yes});
        f.w().cmdClearDB->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Delete records?"));
        QCOMPARE(f.prompter.asked[0].buttons, Prompter::Buttons::YesNo);
        QCOMPARE(f.w().database().RowCount(), std::int64_t{10});
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
        QCOMPARE(f.w().lblStatus->text(), QStringLiteral("Process Paused"));
        QCOMPARE(f.w().lblCurFile->text(), f.logPath);

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
        WindowFixture f(GameLog(games));
        f.load();
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        f.w().txtInterval->setText(QStringLiteral("321"));
        bool closedInside = false;
        bool returnedInside = true;
        WindowFixture::InsideRun([&] {
            f.w().close();
            closedInside = f.w().closePending();
            returnedInside = f.w().processing().lastSummary().has_value();
        });
        f.w().cmdProcess->click();
        QVERIFY(closedInside);
        QVERIFY(!returnedInside); // no run had returned when the window was closed
        const auto summary = *f.w().processing().lastSummary();
        QCOMPARE(summary.outcome, RunOutcome::Stopped);
        QVERIFY(summary.visitsRecorded > 0 && summary.visitsRecorded < games);
        QVERIFY(!f.w().isVisible());
        QVERIFY(!f.w().closePending());
        QVERIFY(!f.w().database().IsOpen());
        QVERIFY(f.journalExists()); // the run stopped at a line end and journaled it
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtInterval"), QString()), QStringLiteral("321"));
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
        f.w().mDB->trigger();
        QCOMPARE(f.opener.opened, QStringList{f.dir.filePath(QStringLiteral("IPLogging.mdb"))});
        f.w().txtSearch->setText(QStringLiteral("kept"));
        f.w().mExit->trigger();
        QVERIFY(!f.w().isVisible());
        QVERIFY(!f.w().database().IsOpen());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtSearch"), QString()), QStringLiteral("kept"));
        QCOMPARE(f.journaled(), static_cast<double>(GameLog(5).size()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
