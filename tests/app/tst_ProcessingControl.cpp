#include "NumberText.h"
#include "ReturnTime.h"
#include "ShapeWidget.h"
#include "WindowFixture.h"

#include <QFileInfo>
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

} // namespace

class ProcessingControlTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_;

private slots:
    void init() { ScratchSettings(settingsDir_.path()); }

    // The frame's texts: times, grouped numbers (read back in another locale), halves to even, and
    // the tick interval (-1: refused).
    void numberTexts() {
        const std::pair<double, const char*> times[] = {{0, "00:00:00"},
                                                        {3661, "01:01:01"},
                                                        {360000, "100:00:00"},
                                                        {-5, "-01:59:55"},
                                                        {61.6, "00:01:02"}};
        for (const auto& [seconds, text] : times)
            QCOMPARE(ReturnTime(seconds), QString::fromLatin1(text));
        const std::pair<double, const char*> numbers[] = {
            {0.4, ""}, {999, "999"}, {1000, "1,000"}, {1234566.6, "1,234,567"}, {-12345, "-12,345"}};
        const QLocale german(QLocale::German, QLocale::Germany);
        for (const auto& [value, text] : numbers) {
            QCOMPARE(ThousandsFormat(value, QLocale::c()), QString::fromLatin1(text));
            QCOMPARE(ReadNumber(ThousandsFormat(value, german), german).value_or(0), std::round(value));
        }
        const std::pair<double, std::int64_t> halves[] = {{42.5, 42}, {43.5, 44}, {42.4, 42},
                                                          {42.6, 43}, {-0.5, 0},  {-1.5, -2}};
        for (const auto& [value, whole] : halves)
            QCOMPARE(RoundHalfEven(value), whole);
        const std::pair<const char*, int> intervals[] = {{"1", 1},     {"65535", 65535}, {" 250 ", 250},
                                                         {"0", -1},    {"65536", -1},    {"000001", -1},
                                                         {"10.5", -1}, {"", -1}};
        for (const auto& [text, interval] : intervals)
            QCOMPARE(ParseTickInterval(QString::fromLatin1(text)).value_or(-1), interval);
    }

    // A bad interval is refused before anything else is asked; a run to the end asks nothing, and the
    // next tick shows it done.
    void runToTheEndThenTheTickShowsDone() {
        const QByteArray log = GameLog(200);
        WindowFixture f(log);
        f.load();
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
        QCOMPARE(f.w.lblEstimated->text(), QStringLiteral("00:00:00"));
        QCOMPARE(f.w.txtStartPosition->text(), size); // the journaled position
        VerifyIdle(f.w);
    }

    // The start position as typed: the question it asks (none when empty) and where the run starts
    // (0: no run) after the scripted answer.
    void startPosition_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<qint64>("start");
        const char* notNumeric = "Start Position must be numeric, start from beginning?";
        const char* offset = "Are you sure you want to start processing at byte 1,000?";
        const char* belowOne = "The start position must be 1 or more: byte 1 is the first byte of the log.";
        QTest::newRow("one with decimals") << "1.0" << int(Answer::Ok) << "" << qint64{1};
        QTest::newRow("not numeric, No") << "abc" << int(Answer::No) << notNumeric << qint64{0};
        QTest::newRow("empty, Yes") << "" << int(Answer::Yes) << notNumeric << qint64{1};
        QTest::newRow("offset, Yes keeps it") << "1,000" << int(Answer::Yes) << offset << qint64{1000};
        QTest::newRow("offset, No starts at 1") << "1,000" << int(Answer::No) << offset << qint64{1};
        QTest::newRow("offset, Cancel") << "1,000" << int(Answer::Cancel) << offset << qint64{0};
        QTest::newRow("rounds to zero") << "0.4" << int(Answer::Ok) << belowOne << qint64{0};
    }
    void startPosition() {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(qint64, start);
        const QByteArray log = GameLog(100);
        WindowFixture f(log);
        f.load();
        f.w.txtStartPosition->setText(typed);
        f.prompter.script({static_cast<Answer>(answer)});
        f.w.cmdProcess->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{question.isEmpty() ? 0u : 1u});
        if (!question.isEmpty()) QCOMPARE(f.prompter.asked[0].text, question);
        QCOMPARE(f.w.processing().lastSummary().has_value(), start > 0);
        if (start == 0) return VerifyIdle(f.w);
        QCOMPARE(f.w.processing().lastSummary()->startPosition, start);
        QCOMPARE(f.w.processing().lastSummary()->bytesRead, log.size() - start + 1);
    }

    // Pause stops at a line end; Resume and Process wait for the paused run to return; a bad
    // interval keeps it paused; Resume goes on from where it stopped, whatever the start position says.
    void pauseThenResumeWithANewInterval() {
        const int games = 400;
        const QByteArray log = GameLog(games);
        WindowFixture f(log);
        f.load();
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
    void cancel_data() {
        QTest::addColumn<bool>("pausedFirst");
        QTest::newRow("while running") << false;
        QTest::newRow("while paused") << true;
    }
    void cancel() {
        QFETCH(bool, pausedFirst);
        const QByteArray log = GameLog(300);
        WindowFixture f(log);
        f.load();
        WindowFixture::InsideRun([&] {
            (pausedFirst ? f.w.cmdPause : f.w.cmdCancel)->click();
            QVERIFY(!f.state.Processing);
            if (!pausedFirst) QCOMPARE(f.w.lblStatus->text(), QStringLiteral("Processing")); // not back yet
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

    // A failure keeps the rows before it and says where and why in the status tooltip, until the
    // next run; that one finds the log gone.
    void failureThenAMissingFile() {
        QByteArray log = GameLog(20);
        const qint64 badLine = log.size() + 1;
        log += "  1:05 ClientConnect: 101, name: Intruder, ip: 10.9.9.9:27960 DATE: 2024-03-01 21:00:00\n";
        WindowFixture f(log + GameLog(5, 20));
        f.load();
        f.w.cmdProcess->click();
        QCOMPARE(f.w.processing().lastSummary()->outcome, RunOutcome::Failed);
        const QString tip = f.w.lblStatus->toolTip();
        QVERIFY2(tip.startsWith(QStringLiteral("The run stopped on a failure at byte ") + Grouped(badLine) +
                                QStringLiteral(": ") +
                                QString::fromStdString(f.w.processing().lastSummary()->failure->reason)),
                 qPrintable(tip));
        QVERIFY2(tip.contains(QStringLiteral("\nLine: ") + QString::fromLatin1(log.mid(badLine - 1, 30))),
                 qPrintable(tip));
        QCOMPARE(f.w.database().RowCount(), std::int64_t{20});
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
        QVERIFY(!QFileInfo::exists(f.dataFile(identity::JournalFileName)));
    }

    // The tick during a run, on a 618-pixel bar. Before it the percentage reads 7%, the estimate
    // "old", the bar 3 pixels (width -1: left so), the caption "untouched".
    void tickDuringARun_data() {
        QTest::addColumn<qint64>("position");
        QTest::addColumn<QString>("size");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<QString>("shown"); // lblByteNum, lblPercent, lblEstimated
        QTest::addColumn<int>("width");
        QTest::newRow("half") << qint64{500} << "1,000" << 10.0 << "500/1,000 50% 00:00:11" << 309;
        QTest::newRow("grown") << qint64{1010} << "1,000" << 10.0 << "1,010/1,000 101% 00:00:01" << 624;
        QTest::newRow("100.5 to even")
            << qint64{1005} << "1,000" << 10.0 << "1,005/1,000 100% 00:00:01" << 621;
        QTest::newRow("same percent") << qint64{70} << "1,000" << 10.0 << "70/1,000 7% 00:02:13" << 43;
        QTest::newRow("no time yet") << qint64{100} << "1,000" << 0.0 << "100/1,000 10% old" << 62;
        QTest::newRow("size unknown") << qint64{500} << "" << 10.0 << "500/  old" << -1;
    }
    void tickDuringARun() {
        QFETCH(qint64, position);
        QFETCH(QString, size);
        QFETCH(double, elapsed);
        QFETCH(QString, shown);
        QFETCH(int, width);
        WindowFixture f(GameLog(3));
        f.load();
        QCOMPARE(f.w.shpProgConst->width(), 618);
        f.clock.now = 100.0; // a start on a missing file takes the start time, then ends at once
        f.w.lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.w.txtStartPosition->setText(QStringLiteral("1"));
        f.w.cmdProcess->click();
        f.w.lblPercent->setText(QStringLiteral("7%"));
        f.w.lblEstimated->setText(QStringLiteral("old"));
        f.w.setWindowTitle(QStringLiteral("untouched"));
        f.w.shpProgress->resize(3, f.w.shpProgress->height());
        f.w.lblFileSize->setText(size);
        f.state.Processing = true;
        f.state.ReadPosition = position;
        f.clock.now = 100.0 + elapsed;
        f.w.processing().tmrUpdates_Timer();
        f.state.Processing = false;
        const QString percent = f.w.lblPercent->text();
        QCOMPARE(QStringList({f.w.lblByteNum->text(), percent, f.w.lblEstimated->text()}).join(' '), shown);
        QCOMPARE(f.w.windowTitle(), percent == QStringLiteral("7%")
                                        ? QStringLiteral("untouched")
                                        : '(' + percent + QStringLiteral(") Corvanth"));
        QCOMPARE(f.w.shpProgress->width(), width < 0 ? 3 : width);
    }
};

QTEST_MAIN(ProcessingControlTest)
#include "tst_ProcessingControl.moc"
