#include "NumberText.h"
#include "ProcessLog.h"
#include "ResultListModel.h"
#include "ReturnTime.h"
#include "SearchControl.h"
#include "ShapeWidget.h"
#include "TestBackend.h"
#include "WindowFixture.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace corvanth;
using namespace corvanth::testing;
using Answer = Prompter::Answer;

namespace {

const QString kDone = QStringLiteral("(Done) Corvanth");

// The processing controls are in the idle layout.
void VerifyIdle(frmMain& w) {
    QVERIFY(w.cmdProcess->isEnabled() && w.txtInterval->isEnabled());
    QVERIFY(!w.cmdPause->isEnabled() && !w.cmdCancel->isEnabled() && !w.tmrUpdates->isActive());
    QCOMPARE(w.cmdPause->text(), QStringLiteral("P&ause"));
}

// Alpha@1.1.1.1, Bravo@1.1.1.1, Bravo@2.2.2.2, Charlie@2.2.2.2 (a chain of hops 0 to 3) and Delta, linked
// to nobody.
QByteArray ChainLog() {
    return Game(0, "Alpha", "1.1.1.1") + Game(1, "Bravo", "1.1.1.1") + Game(2, "Bravo", "2.2.2.2") +
           Game(3, "Charlie", "2.2.2.2") + Game(4, "Delta", "9.9.9.9");
}

// Selects a row of the list (the first by default) and opens its pop-up menu, closes the menu again and
// asks for everything linked to the row.
void ShowLinked(frmMain& w, int row = 0) {
    w.resultModel().Flush();
    QTreeView* list = w.lstReport;
    list->setCurrentIndex(list->model()->index(row, 0));
    w.search().lstReport_MouseUp(Qt::RightButton, {}, list->visualRect(list->currentIndex()).center());
    w.mCopyPopup->hide();
    w.mShowLinked->trigger();
    w.resultModel().Flush();
}

// Runs `action`, then the event loop until `sender` has emitted `signal` (not at all when `action`
// emitted it already). No time limit of its own: the test's timeout is the only one.
template <typename Sender, typename Signal>
void RunUntilSignal(Sender* sender, Signal signal, const std::function<void()>& action) {
    QEventLoop loop;
    bool emitted = false;
    const auto connection = QObject::connect(sender, signal, &loop, [&] {
        emitted = true;
        loop.quit();
    });
    action();
    if (!emitted) loop.exec();
    QObject::disconnect(connection);
}

void ShowActive(frmMain& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

// The main window and its processing frame.
class WindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_;

private slots:
    void init() { ScratchSettings(settingsDir_.path()); }

    // The frame's texts: times, grouped numbers (read back in another locale), halves to even, and
    // the tick interval (-1: refused).
    void numberTexts() {
        using Case = std::pair<double, const char*>;
        const Case times[] = {
            {3661, "01:01:01"}, {360000, "100:00:00"}, {-5, "-01:59:55"}, {61.6, "00:01:02"}};
        for (const auto& [seconds, text] : times)
            QCOMPARE(ReturnTime(seconds), QString::fromLatin1(text));
        const Case numbers[] = {
            {0.4, ""}, {999, "999"}, {1000, "1,000"}, {1234566.6, "1,234,567"}, {-12345, "-12,345"}};
        const QLocale german(QLocale::German, QLocale::Germany);
        for (const auto& [value, text] : numbers) {
            QCOMPARE(ThousandsFormat(value, QLocale::c()), QString::fromLatin1(text));
            QCOMPARE(ReadNumber(ThousandsFormat(value, german), german).value_or(0), std::round(value));
        }
        const std::pair<double, std::int64_t> halves[] = {{42.5, 42}, {43.5, 44}, {-0.5, 0}, {-1.5, -2}};
        for (const auto& [value, whole] : halves)
            QCOMPARE(RoundHalfEven(value), whole);
        const std::pair<const char*, int> intervals[] = {{"1", 1},       {"65535", 65535}, {" 250 ", 250},
                                                         {"000001", -1}, {"10.5", -1},     {"", -1}};
        for (const auto& [text, interval] : intervals)
            QCOMPARE(ParseTickInterval(QString::fromLatin1(text)).value_or(-1), interval);
    }

    // --help, -h and --version answer on standard output and exit 0 with no display at all: the real
    // program, with no DISPLAY and the X11 platform, as started from a text console.
    void helpAndVersionWithoutADisplay() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const QByteArray usage = "Usage: corvanth [--help] [--version]";
        const std::pair<const char*, QByteArray> cases[] = {
            {"--version", "corvanth " + QByteArray(identity::Version) + "\n"},
            {"--help", usage},
            {"-h", usage}};
        for (const auto& [option, start] : cases) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(CORVANTH_WINDOW), {QString::fromLatin1(option)});
            QVERIFY(program.waitForFinished(-1));
            const QByteArray out = program.readAllStandardOutput(), err = program.readAllStandardError();
            QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0 &&
                         out.startsWith(start) && out.endsWith('\n') && err.isEmpty(),
                     qPrintable(QStringLiteral("%1: exit %2, stdout: %3, stderr: %4")
                                    .arg(QLatin1String(option))
                                    .arg(program.exitCode())
                                    .arg(QString::fromUtf8(out), QString::fromUtf8(err))));
        }
    }

    // A bad interval is refused before anything else is asked; a run to the end asks nothing, and the
    // next tick shows it done.
    void runToTheEndThenTheTickShowsDone() {
        const QByteArray log = GameLog(200);
        WindowFixture f(log);
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Idle"));
        QCOMPARE(f.w.windowTitle(), QStringLiteral("(Idle) Corvanth"));
        QVERIFY(f.w.shpProgress->isHidden());
        f.w.txtInterval->setText(QStringLiteral("65536"));
        f.w.txtStartPosition->setText(QStringLiteral("5")); // would ask the offset question
        f.w.cmdProcess->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Update interval not valid"));
        VerifyIdle(f.w);

        f.w.txtInterval->setText(QStringLiteral("40"));
        f.w.txtStartPosition->setText(QStringLiteral("1"));
        f.w.cmdProcess->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Process Finished"));
        QCOMPARE(f.w.tmrUpdates->interval(), 40);
        QVERIFY(f.w.tmrUpdates->isActive() && !f.w.cmdProcess->isEnabled() && !f.w.shpProgress->isHidden());
        f.w.processing().tmrUpdates_Timer();
        const QString size = Grouped(log.size());
        QCOMPARE(f.w.lblByteNum->text(), size + QLatin1Char('/') + size);
        QCOMPARE(f.w.lblPercent->text(), QStringLiteral("100%"));
        QCOMPARE(f.w.windowTitle(), kDone);
        QCOMPARE(f.w.shpProgress->width(), f.w.shpProgConst->width());
        const QImage bar = f.w.shpProgress->grab().toImage(); // filled, not outlined
        QCOMPARE(bar.pixelColor(bar.width() / 2, bar.height() / 2), QColor(0, 0, 255));
        QCOMPARE(f.w.lblEstimated->text(), QStringLiteral("00:00:00"));
        QCOMPARE(f.w.txtStartPosition->text(), size); // the journaled position
        VerifyIdle(f.w);
    }

    // The start position as typed: the question it asks (none when empty) and where the run starts
    // (0: no run) after the scripted answer.
    void startPosition() {
        const QString notNumeric = QStringLiteral("Start Position must be numeric, start from beginning?");
        const QString offset = QStringLiteral("Are you sure you want to start processing at byte 1,000?");
        const QString belowOne =
            QStringLiteral("The start position must be 1 or more: byte 1 is the first byte of the log.");
        const struct {
            const char* typed;
            Answer answer;
            QString question;
            qint64 start;
        } cases[] = {{"1.0", Answer::Ok, {}, 1},       {"abc", Answer::No, notNumeric, 0},
                     {"", Answer::Yes, notNumeric, 1}, {"1,000", Answer::Yes, offset, 1000},
                     {"1,000", Answer::No, offset, 1}, {"1,000", Answer::Cancel, offset, 0},
                     {"0.4", Answer::Ok, belowOne, 0}};
        const QByteArray log = GameLog(100);
        for (const auto& c : cases) {
            WindowFixture f(log);
            f.w.txtStartPosition->setText(QString::fromLatin1(c.typed));
            f.prompter.script({c.answer});
            f.w.cmdProcess->click();
            QVERIFY2(f.prompter.asked.size() == (c.question.isEmpty() ? 0u : 1u), c.typed);
            if (!c.question.isEmpty()) QCOMPARE(f.prompter.asked[0].text, c.question);
            QCOMPARE(f.w.processing().lastSummary().has_value(), c.start > 0);
            if (c.start == 0) {
                VerifyIdle(f.w);
                continue;
            }
            QCOMPARE(f.w.processing().lastSummary()->startPosition, c.start);
            QCOMPARE(f.w.processing().lastSummary()->bytesRead, log.size() - c.start + 1);
        }
    }

    // Pause stops at a line end; Resume and Process wait for the paused run to return; a bad
    // interval keeps it paused; Resume goes on from where it stopped, whatever the start position says.
    void pauseThenResumeWithANewInterval() {
        const int games = 400;
        const QByteArray log = GameLog(games);
        WindowFixture f(log);
        QSignalSpy returned(&f.w.processing(), &ProcessingControl::runReturned);
        WindowFixture::InsideRun([&] {
            QVERIFY(f.state.Processing && !f.w.txtInterval->isEnabled());
            f.w.cmdPause->click();
            QCOMPARE(f.w.cmdPause->text(), QStringLiteral("&Resume"));
            QVERIFY(f.w.txtInterval->isEnabled() && f.w.processing().runInFlight());
            f.w.cmdPause->click();
            f.w.processing().cmdProcess_Click();
        });
        f.w.cmdProcess->click();
        QCOMPARE(returned.count(), 1);
        QVERIFY(f.prompter.asked.empty());
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Process Paused"));
        const RunSummary first = *f.w.processing().lastSummary();
        const std::int64_t pausedAt = *first.journaledPosition;
        QVERIFY(first.visitsRecorded > 0 && first.visitsRecorded < games);

        f.w.processing().tmrUpdates_Timer(); // refreshes the file display and keeps ticking
        QCOMPARE(f.w.txtStartPosition->text(), Grouped(pausedAt));
        QVERIFY(f.w.tmrUpdates->isActive() && f.w.cmdPause->isEnabled());
        f.w.txtInterval->setText(QStringLiteral("0"));
        f.w.cmdPause->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.w.cmdPause->text(), QStringLiteral("&Resume"));
        f.w.txtInterval->setText(QStringLiteral("250"));
        f.w.txtStartPosition->setText(QStringLiteral("5"));
        f.w.cmdPause->click();
        QCOMPARE(returned.count(), 2);
        QCOMPARE(f.w.tmrUpdates->interval(), 250);
        QVERIFY(!f.w.txtInterval->isEnabled());
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Process Finished"));
        QCOMPARE(f.w.processing().lastSummary()->startPosition, pausedAt);
        QCOMPARE(f.w.database().RowCount(),
                 first.visitsRecorded + f.w.processing().lastSummary()->visitsRecorded);
        QVERIFY(f.w.database().RowCount() >= games - 1); // at most the connect line of the game paused in
    }

    // Cancel stops a running run at its next line end; after a pause it keeps "Process Paused".
    void cancel() {
        for (const bool pausedFirst : {false, true}) {
            const QByteArray log = GameLog(300);
            WindowFixture f(log);
            WindowFixture::InsideRun([&] {
                (pausedFirst ? f.w.cmdPause : f.w.cmdCancel)->click();
                QVERIFY(!f.state.Processing);
                if (!pausedFirst)
                    QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Processing")); // not back yet
            });
            f.w.cmdProcess->click();
            if (pausedFirst) f.w.cmdCancel->click();
            const QString status =
                pausedFirst ? QStringLiteral("Process Paused") : QStringLiteral("Process Canceled");
            QCOMPARE(f.w.lblStatus->text(), status);
            const RunSummary summary = *f.w.processing().lastSummary();
            QVERIFY(summary.outcome == RunOutcome::Stopped && summary.bytesRead < log.size());
            const QString percent = f.w.lblPercent->text();
            f.w.processing().tmrUpdates_Timer();
            VerifyIdle(f.w);
            QCOMPARE(f.w.lblStatus->text(), status);
            QCOMPARE(f.w.lblPercent->text(), percent);
            QVERIFY(f.w.windowTitle() != kDone);
        }
    }

    // A failure says where and why in the status tooltip, until the next run; that one finds the log
    // gone. (The rows and journal either leaves: ProcessLogTest.)
    void failureThenAMissingFile() {
        QByteArray log = GameLog(20);
        const qint64 badLine = log.size() + 1;
        log += "  1:05 ClientConnect: 101, name: Intruder, ip: 10.9.9.9:27960 DATE: 2024-03-01 21:00:00\n";
        WindowFixture f(log + GameLog(5, 20));
        f.w.cmdProcess->click();
        QCOMPARE(f.w.processing().lastSummary()->outcome, RunOutcome::Failed);
        const QString tip = f.w.lblStatus->toolTip();
        QVERIFY2(tip.startsWith(QStringLiteral("The run stopped on a failure at byte ") + Grouped(badLine) +
                                QStringLiteral(": ") +
                                QString::fromStdString(f.w.processing().lastSummary()->failure->reason)),
                 qPrintable(tip));
        QVERIFY2(tip.contains(QStringLiteral("\nLine: ") + QString::fromLatin1(log.mid(badLine - 1, 30))),
                 qPrintable(tip));
        f.w.processing().tmrUpdates_Timer();
        VerifyIdle(f.w);
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Processing"));

        f.w.lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.w.NewFile();
        QVERIFY(f.w.lblFileSize->text().isEmpty() && f.w.txtStartPosition->text().isEmpty());
        f.prompter.script({Answer::Yes}); // not numeric: start from the beginning
        f.w.cmdProcess->click();
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("File Doesn't Exist"));
        QCOMPARE(f.w.lblStatus->toolTip(), QString());
        f.w.processing().tmrUpdates_Timer();
        VerifyIdle(f.w);
        QVERIFY(f.w.windowTitle() != kDone);
    }

    // The tick during a run, on a 618-pixel bar. Before it the percentage reads 7%, the estimate
    // "old", the bar 3 pixels (width -1: left so), the caption "untouched".
    void tickDuringARun() {
        const struct {
            qint64 position;
            const char* size;
            double elapsed;
            const char* shown; // lblByteNum, lblPercent, lblEstimated
            int width;
        } cases[] = {{500, "1,000", 10.0, "500/1,000 50% 00:00:11", 309},
                     {1010, "1,000", 10.0, "1,010/1,000 101% 00:00:01", 624}, // grown
                     {1005, "1,000", 10.0, "1,005/1,000 100% 00:00:01", 621}, // 100.5 to even
                     {70, "1,000", 10.0, "70/1,000 7% 00:02:13", 43},         // same percent
                     {100, "1,000", 0.0, "100/1,000 10% old", 62},            // no time yet
                     {500, "", 10.0, "500/  old", -1}};                       // size unknown
        WindowFixture f(GameLog(3));
        QCOMPARE(f.w.shpProgConst->width(), 618);
        f.clock.now = 100.0; // a start on a missing file takes the start time, then ends at once
        f.w.lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.w.txtStartPosition->setText(QStringLiteral("1"));
        f.w.cmdProcess->click();
        for (const auto& c : cases) {
            f.w.lblPercent->setText(QStringLiteral("7%"));
            f.w.lblEstimated->setText(QStringLiteral("old"));
            f.w.setWindowTitle(QStringLiteral("untouched"));
            f.w.shpProgress->resize(3, f.w.shpProgress->height());
            f.w.lblFileSize->setText(QString::fromLatin1(c.size));
            f.state.Processing = true;
            f.state.ReadPosition = c.position;
            f.clock.now = 100.0 + c.elapsed;
            f.w.processing().tmrUpdates_Timer();
            f.state.Processing = false;
            const QString percent = f.w.lblPercent->text();
            QCOMPARE(QStringList({f.w.lblByteNum->text(), percent, f.w.lblEstimated->text()}).join(' '),
                     QString::fromLatin1(c.shown));
            QCOMPARE(f.w.windowTitle(), percent == QStringLiteral("7%")
                                            ? QStringLiteral("untouched")
                                            : '(' + percent + QStringLiteral(") Corvanth"));
            QCOMPARE(f.w.shpProgress->width(), c.width < 0 ? 3 : c.width);
        }
    }

    // The window keeps its size and its list's columns their places.
    void fixedSizeAndMenuKeys() {
        WindowFixture f(GameLog(1));
        QCOMPARE(f.w.minimumSize(), f.w.maximumSize());
        QVERIFY(!(f.w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!f.w.lstReport->header()->sectionsMovable()); // the list's columns stay in place

        // Ctrl+H and Ctrl+A reach their menu commands wherever the focus is, the text boxes included.
        // Only whether the commands are reached counts here, not the windows they open.
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
    void focusAltAAndChangeDuringARun() {
        for (const bool byChange : {false, true}) {
            WindowFixture f(GameLog(300));
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
            RunUntilSignal(f.w.mAdvanced, &QMenu::aboutToShow,
                           [&] { QTest::keyClick(f.w.txtSearch, Qt::Key_A, Qt::AltModifier); });
            QVERIFY(f.w.mAdvanced->isVisible());
            f.w.mAdvanced->hide();
        }
    }

    // Cancelled once, then chosen; or declined.
    void firstStartAsksForALog() {
        for (const bool chooses : {true, false}) {
            init(); // settings as on a first start
            WindowFixture f(GameLog(2), WindowFixture::RememberLog::No, WindowFixture::Start::Later);
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

        // A statement that fails says why (Enter on the focused button runs it; the empty result it
        // lists: PostTest). The referee list's failure note goes with the next search.
        f.w.txtQuery->setPlainText(QStringLiteral("SELEC nonsense"));
        f.w.cmdQuery->setFocus();
        QTest::keyClick(f.w.cmdQuery, Qt::Key_Return);
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Query failed"));
        QVERIFY2(f.prompter.asked[0].text.contains(QStringLiteral("syntax error")),
                 qPrintable(f.prompter.asked[0].text));

        // (Statements that would write fail the same way: NamesDatabaseTest.) Renamed by another program,
        // the table is gone for the referee list.
        test::BackendLocation(test::Backend::Sqlite, f.dataFile(identity::DatabaseFileName).toStdString())
            .ExecuteBeside("ALTER TABLE Names RENAME TO Elsewhere");
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

    // Advanced > Who Is Playing lists the players a follower published beside the window, keyed as a
    // search's rows, so the pop-up menu's commands work on them.
    void whoIsPlaying() {
        WindowFixture f(GameLog(3));
        f.w.cmdProcess->click();
        {
            NamesDatabase follower;
            follower.Open(f.dataFile(identity::DatabaseFileName).toStdString());
            const OnlineSlot players[] = {{4, "Player1", "10.0.0.1"}};
            follower.PublishOnline({"/srv/a.log", "Arena", std::time(nullptr), ServerFollowed::Yes}, players);
            follower.Commit();
        }
        f.w.mWhoIsPlaying->trigger();
        f.w.resultModel().Flush();
        QCOMPARE(f.w.resultList().Count(), std::size_t{1});
        QCOMPARE(f.w.lstReport->model()->index(0, 4).data().toString(), QStringLiteral("False"));
        ShowLinked(f.w); // the row's cluster: itself, at hop 0
        QCOMPARE(f.w.lstReport->model()->columnCount(), 7);
        QCOMPARE(f.w.resultList().Count(), std::size_t{1});
        QVERIFY(f.w.lstReport->toolTip().isEmpty());
    }

    // Cancel during a run also ends a cluster walk started inside it: what was found is listed, and
    // the message says the walk was stopped. Once idle, "Show Everything Linked" lists the selected
    // row's cluster with its hops; the next search hides the two columns again.
    void showEverythingLinked() {
        WindowFixture f(ChainLog() + GameLog(300));
        // The model's signals stay consistent while columns come and go.
        QAbstractItemModelTester tester(&f.w.resultModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.w.txtSearch->setText(QStringLiteral("Alpha"));
        std::function<void()> walkOnceTheChainIsIn = [&] {
            if (f.w.database().RowCount() < 5) return QTimer::singleShot(0, walkOnceTheChainIsIn);
            f.w.cmdSearch->click();
            f.clock.step = 0.016; // the walk hands control to the event loop at every check
            QTimer::singleShot(0, [&] { f.w.cmdCancel->click(); });
            ShowLinked(f.w);
            QVERIFY(f.w.resultList().Count() < 4);
        };
        WindowFixture::InsideRun(walkOnceTheChainIsIn);
        f.w.cmdProcess->click();
        QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Process Canceled"));
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].text,
                 QStringLiteral("The walk was stopped; rows linked further are not listed."));

        f.clock.step = 0;
        ShowActive(f.w);
        QTreeView* list = f.w.lstReport;
        list->setColumnWidth(0,
                             list->viewport()->width()); // as wide as the user pulled it: the five overflow
        f.w.cmdSearch->click();
        ShowLinked(f.w);
        const QAbstractItemModel* model = list->model();
        QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Hops"));
        QCOMPARE(model->rowCount(), 4); // Alpha, Bravo twice, Charlie: Delta is linked to nobody
        QCOMPARE(model->index(3, 5).data().toString() + model->index(3, 0).data().toString(),
                 QStringLiteral("3Charlie"));
        ShowLinked(f.w, 3); // a row of the cluster starts a cluster of its own
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(model->index(0, 5).data().toString() + model->index(0, 0).data().toString(),
                 QStringLiteral("0Charlie"));
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        // The two columns are scrolled into sight, and lblMatches tells what the list holds (the
        // search box still shows "Alpha"; the list holds Charlie's cluster).
        const QRect shown = list->viewport()->rect();
        for (const int column : {5, 6}) {
            const QRect cell = list->visualRect(model->index(0, column));
            QVERIFY2(cell.left() >= shown.left() && cell.right() <= shown.right(),
                     qPrintable(QStringLiteral("column %1 at %2-%3, viewport 0-%4")
                                    .arg(column)
                                    .arg(cell.left())
                                    .arg(cell.right())
                                    .arg(shown.right())));
        }
        QCOMPARE(f.w.lblMatches->toolTip(),
                 QStringLiteral("Everything linked to Charlie@2.2.2.2, up to 6 hops"));
        f.w.cmdSearch->click(); // back at the left edge
        QCOMPARE(model->columnCount(), 5);
        QCOMPARE(list->horizontalScrollBar()->value(), 0);
        QCOMPARE(f.w.lblMatches->toolTip(), QString());
        // With GUIDs in the table the walk follows them too: Delta shares one with Alpha.
        f.w.database().RecordGuid("G", "Alpha", "1.1.1.1", "d");
        f.w.database().RecordGuid("g", "Delta", "9.9.9.9", "d");
        f.w.database().Commit();
        ShowLinked(f.w);
        QCOMPARE(model->rowCount(), 5); // Alpha, Bravo twice, Charlie, and Delta
    }

    // Closing during a run, or during a search inside it, stops the search at its next row and the run
    // at its next line end: rows kept, position journaled, settings saved, nothing asked; the window
    // closes once the run has returned.
    void closingDuringARun() {
        for (const bool inSearch : {false, true}) {
            init(); // settings as on a first start
            WindowFixture f(GameLog(3000));
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
            QCOMPARE(f.settings.GetRegString(QStringLiteral("txtInterval"), QString()),
                     QStringLiteral("321"));
            QVERIFY(f.prompter.asked.empty());
        }
    }

    // Clearing the database asks first. The Advanced menu opens the database file. Idle, the window
    // closes at once on Alt+X (the Exit button's and the menu's key): database closed, settings saved.
    void idleCommandsAndClosing() {
        WindowFixture f(GameLog(5));
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
        // The button's click comes at the end of its press animation; the window closes in it.
        RunUntilSignal(f.w.cmdExit, &QPushButton::clicked,
                       [&] { QTest::keyClick(f.w.txtSearch, Qt::Key_X, Qt::AltModifier); });
        QVERIFY(!f.w.isVisible());
        QVERIFY(!f.w.database().IsOpen());
        QCOMPARE(f.settings.GetRegString(QStringLiteral("txtSearch"), QString()), QStringLiteral("kept"));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_Window.moc"
