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
    return Game(0, "Alpha", "1.1.1.1") + Game(1, "Bravo", "1.1.1.1") + Game(2, "Bravo", "2.2.2.2") +
           Game(3, "Charlie", "2.2.2.2") + Game(4, "Delta", "9.9.9.9");
}

// Selects the first row of the list and opens its pop-up menu, then closes the menu again.
void PickFirstRow(frmMain& w) {
    w.resultModel().Flush();
    QTreeView* list = w.lstReport;
    list->setCurrentIndex(list->model()->index(0, 0));
    w.search().lstReport_MouseUp(Qt::RightButton, {}, list->visualRect(list->currentIndex()).center());
    w.mCopyPopup->hide();
}

void ShowActive(frmMain& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_;

private slots:
    void init() { ScratchSettings(settingsDir_.path()); }

    // Code and tests find the controls by object name: every one is there. The window keeps its size.
    void everyControlExistsByName() {
        WindowFixture f(GameLog(1));
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
            QVERIFY2(f.w.findChild<QObject*>(name), qPrintable(name));
        QCOMPARE(f.w.minimumSize(), f.w.maximumSize());
        QVERIFY(!(f.w.windowFlags() & Qt::WindowMaximizeButtonHint));

        // Ctrl+H and Ctrl+A reach their menu commands wherever the focus is, the text boxes included.
        // Only whether the commands are reached counts here, not the windows they open.
        f.load();
        QVERIFY(QObject::disconnect(f.w.mHelp, &QAction::triggered, &f.w, &frmMain::mHelp_Click));
        QVERIFY(QObject::disconnect(f.w.mAbout, &QAction::triggered, &f.w, &frmMain::mAbout_Click));
        ShowActive(f.w);
        QSignalSpy help(f.w.mHelp, &QAction::triggered);
        QSignalSpy about(f.w.mAbout, &QAction::triggered);
        const QList<QWidget*> controls = {f.w.txtSearch, f.w.txtQuery, f.w.txtInterval, f.w.txtStartPosition,
                                          f.w.lstReport};
        for (QWidget* control : controls) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_H, Qt::ControlModifier);
            QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        }
        QCOMPARE(help.count(), controls.size());
        QCOMPARE(about.count(), controls.size());
        QVERIFY(!f.w.txtStartPosition->hasSelectedText()); // Ctrl+A did not also select all
    }

    // The window opens on Change; a run puts the focus on Pause. Alt+A (Pause's key while it is
    // enabled) or Change pauses the run; while paused, Change does not resume, and a chosen file is
    // shown and kept. The return to idle puts the focus on Process, and Alt+A opens "&Advanced".
    void focusAltAAndChangeDuringARun_data() {
        QTest::addColumn<bool>("byChange");
        QTest::newRow("Alt+A") << false;
        QTest::newRow("Change") << true;
    }
    void focusAltAAndChangeDuringARun() {
        QFETCH(bool, byChange);
        WindowFixture f(GameLog(300));
        f.load();
        ShowActive(f.w);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.w.cmdChange));
        QWidget* focusInside = nullptr;
        WindowFixture::InsideRun([&] {
            focusInside = QApplication::focusWidget();
            if (byChange)
                f.w.cmdChange->click(); // the dialog is cancelled
            else
                QTest::keyClick(f.w.txtSearch, Qt::Key_A, Qt::AltModifier);
        });
        f.w.txtSearch->setFocus();
        f.w.cmdProcess->click();
        QCOMPARE(focusInside, static_cast<QWidget*>(f.w.cmdPause));
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Process Paused"));
        QCOMPARE(f.w.lblCurFile->text(), f.logPath);
        const QString other = f.dir.filePath(QStringLiteral("other.log"));
        f.chooser.paths = {other};
        f.w.cmdChange->click();
        QCOMPARE(f.w.cmdPause->text(), QStringLiteral("&Resume"));
        QCOMPARE(f.w.lblCurFile->text(), other);
        QCOMPARE(f.w.lblFileSize->text(), QString()); // does not exist
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QString()), other);
        f.w.cmdCancel->click();
        f.w.txtSearch->setFocus();
        f.w.processing().tmrUpdates_Timer();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.w.cmdProcess));
        QTest::keyClick(f.w.txtSearch, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(f.w.mAdvanced->isVisible(), 2000);
        f.w.mAdvanced->hide();
    }

    void firstStartAsksForALog_data() {
        QTest::addColumn<bool>("chooses");
        QTest::newRow("cancelled once, then chosen") << true;
        QTest::newRow("declined") << false;
    }
    void firstStartAsksForALog() {
        QFETCH(bool, chooses);
        WindowFixture f(GameLog(2), WindowFixture::RememberLog::No);
        if (chooses) f.chooser.paths = {QString(), f.logPath};
        f.prompter.script({Answer::Ok, chooses ? Answer::Yes : Answer::No});
        f.load();
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QCOMPARE(f.prompter.asked[0].text, QStringLiteral("Select a .log file:"));
        QCOMPARE(f.prompter.asked[1].text, QStringLiteral("You must select a file, try again?"));
        QCOMPARE(f.prompter.asked[1].buttons, Prompter::Buttons::YesNo);
        QCOMPARE(f.w.lblCurFile->text(), chooses ? f.logPath : QString());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("LastFile"), QStringLiteral("<Not Set>")),
                 chooses ? f.logPath : QStringLiteral("<Not Set>"));
        QCOMPARE(f.w.txtStartPosition->text(), chooses ? QStringLiteral("1") : QString());
        QCOMPARE(f.w.txtQuery->toPlainText(),
                 QStringLiteral("SELECT * FROM Names WHERE PlayerName LIKE '*';"));
        f.w.cmdProcess->click(); // runs only with a file
        QCOMPARE(f.w.processing().lastSummary().has_value(), chooses);
    }

    // Stored values of the wrong kind or range keep the defaults, a text stops at a NUL, a greyed box
    // shows greyed and a click only ticks or unticks it. What the window leaves is there at the next
    // start, chkAliasBroad restored after chkAliases, whose rule would untick it.
    void settingsAndTheAliasRules() {
        SettingsStore().SaveRegString(QStringLiteral("chkAliases"), QStringLiteral("2"));
        SettingsStore().SaveRegString(QStringLiteral("cmbSearch"), QStringLiteral("7"));
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope,
                      QString::fromUtf8(identity::Organization), QString::fromUtf8(identity::Application));
        raw.setValue(QStringLiteral("txtInterval"), QByteArray("250"));
        raw.setValue(QStringLiteral("txtSearch"), QStringLiteral("abc") + QChar(u'\0'));
        raw.sync();
        {
            WindowFixture f(GameLog(1));
            f.load();
            QCOMPARE(f.w.cmbSearch->currentIndex(), 0);
            QCOMPARE(f.w.txtInterval->text(), QStringLiteral("100"));
            QCOMPARE(f.w.txtSearch->text(), QStringLiteral("abc"));
            QCOMPARE(f.w.chkAliases->checkState(), Qt::PartiallyChecked);
            QVERIFY(!f.w.chkAliasBroad->isEnabled());
            for (const Qt::CheckState expected : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
                f.w.chkAliases->click();
                QCOMPARE(f.w.chkAliases->checkState(), expected);
                QCOMPARE(f.w.chkAliasBroad->isEnabled(), expected == Qt::Checked);
            }
            f.w.chkAliasBroad->click();
            f.w.txtInterval->setText(QStringLiteral("250"));
            f.w.txtQuery->setPlainText(QStringLiteral("SELECT 1;"));
            f.w.cmbSearch->setCurrentIndex(1);
            QVERIFY(f.w.close());
        }
        WindowFixture g(GameLog(1));
        g.load();
        QCOMPARE(g.w.txtInterval->text(), QStringLiteral("250"));
        QCOMPARE(g.w.txtQuery->toPlainText(), QStringLiteral("SELECT 1;"));
        QCOMPARE(g.w.cmbSearch->currentIndex(), 1);
        QVERIFY(g.w.chkAliases->isChecked() && g.w.chkAliasBroad->isChecked());
        QVERIFY(!g.w.chkAliases->isEnabled() && !g.w.chkAliasBroad->isEnabled()); // searching by IP
        g.w.cmbSearch->setCurrentIndex(0);
        QVERIFY(g.w.chkAliases->isEnabled() && g.w.chkAliasBroad->isEnabled());
        g.w.chkAliases->click();
        QVERIFY(!g.w.chkAliasBroad->isEnabled() && !g.w.chkAliasBroad->isChecked());
    }

    // Enter in txtSearch searches by the chosen kind; a header click sorts, again reverses, and the
    // selected row stays selected and in sight. A left click offers no pop-up, a right click does.
    void searches() {
        WindowFixture f(GameLog(200));
        f.load();
        f.w.cmdProcess->click();
        f.w.txtSearch->setText(QStringLiteral("player1*"));
        QTest::keyClick(f.w.txtSearch, Qt::Key_Return);
        QCOMPARE(f.w.lblMatches->text(), QStringLiteral("111")); // Player1, Player10-19, Player100-199
        f.w.cmbSearch->setCurrentIndex(1);
        f.w.txtSearch->setText(QStringLiteral("10.0.0.*"));
        f.w.cmdSearch->click();
        f.w.resultModel().Flush();
        ShowActive(f.w);
        QTreeView* list = f.w.lstReport;
        list->header()->sectionClicked(0);
        const QRect first = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
        QVERIFY(!f.w.search().popupRow());
        const QString selected = list->currentIndex().data().toString();
        list->header()->sectionClicked(0); // the same column again: descending, the row goes last
        QCOMPARE(list->currentIndex().data().toString(), selected);
        QVERIFY(list->selectionModel()->isRowSelected(list->currentIndex().row(), QModelIndex()));
        QCOMPARE(list->currentIndex().row(), list->model()->rowCount() - 1);
        QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                          list->visualRect(list->currentIndex()).center());
        QVERIFY(f.w.mCopyPopup->isVisible());
        f.w.mCopyPopup->hide();
        f.w.mCopyName->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Name: ") + selected);

        // A statement that fails says why (Enter on the focused button runs it); the list shows the
        // empty result. The referee list's failure note goes with the next search.
        f.w.txtQuery->setPlainText(QStringLiteral("SELEC nonsense"));
        f.w.lblMatches->setText(QStringLiteral("7"));
        f.w.cmdQuery->setFocus();
        QTest::keyClick(f.w.cmdQuery, Qt::Key_Return);
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Query failed"));
        QVERIFY2(f.prompter.asked[0].text.contains(QStringLiteral("syntax error")),
                 qPrintable(f.prompter.asked[0].text));
        QCOMPARE(f.w.lblMatches->text(), QStringLiteral("0"));

        f.w.txtQuery->setPlainText(QStringLiteral("ALTER TABLE Names RENAME TO Elsewhere"));
        f.w.cmdQuery->click();
        f.w.cmdRefs->click();
        QVERIFY(!f.w.lstReport->toolTip().isEmpty());
        f.w.txtSearch->clear();
        f.w.cmdSearch->click(); // txtSearch is empty: nothing happens
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        f.w.txtSearch->setText(QStringLiteral("*"));
        f.w.cmdSearch->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{2});
        QVERIFY(f.w.lstReport->toolTip().isEmpty());
    }

    // Cancel during a run also ends a cluster walk started inside it: what was found is listed, and
    // the message says the walk was stopped. Once idle, "Show Everything Linked" lists the selected
    // row's cluster with its hops; the next search hides the two columns again.
    void showEverythingLinked() {
        WindowFixture f(ChainLog() + GameLog(300));
        f.load();
        // The model's signals stay consistent while columns come and go.
        QAbstractItemModelTester tester(&f.w.resultModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.w.txtSearch->setText(QStringLiteral("Alpha"));
        std::function<void()> walkOnceTheChainIsIn = [&] {
            if (f.w.database().RowCount() < 5) return QTimer::singleShot(0, walkOnceTheChainIsIn);
            f.w.cmdSearch->click();
            PickFirstRow(f.w);
            f.clock.step = 0.016; // the walk hands control to the event loop at every check
            QTimer::singleShot(0, [&] { f.w.cmdCancel->click(); });
            f.w.mShowLinked->trigger();
            QVERIFY(f.w.resultList().Count() < 4);
        };
        WindowFixture::InsideRun(walkOnceTheChainIsIn);
        f.w.cmdProcess->click();
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Process Canceled"));
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].text,
                 QStringLiteral("The walk was stopped; rows linked further are not listed."));

        f.clock.step = 0;
        f.w.cmdSearch->click();
        PickFirstRow(f.w);
        f.w.mShowLinked->trigger();
        f.w.resultModel().Flush();
        const QAbstractItemModel* model = f.w.lstReport->model();
        QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Hops"));
        QCOMPARE(model->rowCount(), 4); // Alpha, Bravo twice, Charlie: Delta is linked to nobody
        QCOMPARE(model->index(3, 5).data().toString() + model->index(3, 0).data().toString(),
                 QStringLiteral("3Charlie"));
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        f.w.cmdSearch->click();
        QCOMPARE(model->columnCount(), 5);
    }

    // Closing during a run, or during a search inside it, stops the search at its next row and the run
    // at its next line end: rows kept, position journaled, settings saved, nothing asked; the window
    // closes once the run has returned.
    void closingDuringARun_data() {
        QTest::addColumn<bool>("inSearch");
        QTest::newRow("run") << false;
        QTest::newRow("search inside the run") << true;
    }
    void closingDuringARun() {
        QFETCH(bool, inSearch);
        WindowFixture f(GameLog(3000));
        f.load();
        ShowActive(f.w);
        f.w.txtInterval->setText(QStringLiteral("321"));
        f.w.txtSearch->setText(QStringLiteral("*"));
        std::function<void()> closeOnceRowsAreIn = [&] {
            const std::int64_t rows = f.w.database().RowCount();
            if (rows < 50) return QTimer::singleShot(0, closeOnceRowsAreIn);
            if (!inSearch) {
                f.w.close();
                QVERIFY(f.w.closePending());
                return;
            }
            f.clock.step = 0.016; // the search hands control to the event loop at every row
            QTimer::singleShot(0, [&] { f.w.close(); });
            f.w.cmdSearch->click();
            QVERIFY(f.w.resultList().Count() < static_cast<std::size_t>(rows) / 2);
            QVERIFY(f.w.closePending() && f.w.isVisible());
        };
        WindowFixture::InsideRun(closeOnceRowsAreIn);
        f.w.cmdProcess->click();
        const RunSummary summary = *f.w.processing().lastSummary();
        QVERIFY(summary.outcome == RunOutcome::Stopped && summary.visitsRecorded < 3000);
        QVERIFY(!f.w.isVisible() && !f.w.closePending() && !f.w.database().IsOpen());
        QCOMPARE(f.journaled(), *summary.journaledPosition);
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtInterval"), QString()), QStringLiteral("321"));
        QVERIFY(f.prompter.asked.empty());
    }

    // Clearing the database asks first. The Advanced menu opens the database file. Idle, the window
    // closes at once on Alt+X (the Exit button's and the menu's key): database closed, settings saved.
    void idleCommandsAndClosing() {
        WindowFixture f(GameLog(5));
        f.load();
        f.w.cmdProcess->click();
        f.prompter.script({Answer::No, Answer::Yes});
        f.w.cmdClearDB->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Delete records?"));
        QCOMPARE(f.w.database().RowCount(), std::int64_t{5});
        f.w.cmdClearDB->click();
        QCOMPARE(f.w.database().RowCount(), std::int64_t{0});
        f.w.mDB->trigger();
        QCOMPARE(f.opener.opened, QStringList{f.dataFile(identity::DatabaseFileName)});
        ShowActive(f.w);
        f.w.txtSearch->setFocus();
        f.w.txtSearch->setText(QStringLiteral("kept"));
        QTest::keyClick(f.w.txtSearch, Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!f.w.isVisible(), 2000);
        QVERIFY(!f.w.database().IsOpen());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtSearch"), QString()), QStringLiteral("kept"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
