#include "RunHost.h"
#include "ShapeWidget.h"
#include "WindowFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvanth;
using namespace corvanth::testing;
using Answer = Prompter::Answer;

namespace {

// `value` with a comma between groups of three digits, as the C locale of the tests shows it.
QString Grouped(qint64 value) {
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

QString S(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The window's processing controls are in the idle layout.
void VerifyIdleLayout(frmMain& w) {
    QVERIFY(w.cmdProcess->isEnabled());
    QVERIFY(!w.cmdPause->isEnabled());
    QVERIFY(!w.cmdCancel->isEnabled());
    QVERIFY(w.txtInterval->isEnabled());
    QVERIFY(!w.tmrUpdates->isActive());
    QCOMPARE(w.cmdPause->text(), caption::Pause);
}

} // namespace

class ProcessingControlTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir settingsDir_;

private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid());
        UseScratchSettings(settingsDir_.path());
    }
    void init() { ClearSettings(); }

    void beforeAnyRun() {
        WindowFixture f(GameLog(5));
        f.load();
        QCOMPARE(f.w().lblStatus->text(), QStringLiteral("Idle"));
        QCOMPARE(f.w().windowTitle(), QStringLiteral("(Idle) Corvanth"));
        QVERIFY(f.w().shpProgress->isHidden());
        QVERIFY(!f.w().shpProgConst->isHidden());
        VerifyIdleLayout(f.w());
        QCOMPARE(f.w().txtStartPosition->text(), QStringLiteral("1"));
    }

    void runFromTheStartAsksNothing() {
        const QByteArray log = GameLog(200);
        WindowFixture f(log);
        f.load();
        f.w().txtInterval->setText(QStringLiteral("40"));
        f.w().cmdProcess->click();
        QVERIFY(f.prompter.asked.empty());
        QCOMPARE(f.w().lblStatus->text(), S(status::Finished));
        QCOMPARE(f.w().tmrUpdates->interval(), 40);
        QVERIFY(f.w().tmrUpdates->isActive());
        QVERIFY(!f.w().cmdProcess->isEnabled());
        QVERIFY(!f.w().shpProgress->isHidden());
        QCOMPARE(f.w().database().RowCount(), std::int64_t{200});
        QCOMPARE(f.journaled(), static_cast<double>(log.size())); // the last LF
        QCOMPARE(f.w().processing().lastSummary()->startPosition, std::int64_t{1});
    }

    // The start position as typed: the question it asks (none when empty) and where the run starts
    // (0: no run) after the scripted answer.
    void startPosition_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<qint64>("start");
        const auto row = [](const char* name, const char* typed, Answer answer, const char* question,
                            qint64 start) {
            QTest::newRow(name) << QString::fromLatin1(typed) << static_cast<int>(answer)
                                << QString::fromLatin1(question) << start;
        };
        const char* notNumeric = "Start Position must be numeric, start from beginning?";
        const char* offset = "Are you sure you want to start processing at byte 1,000?";
        const char* belowOne = "The start position must be 1 or more: byte 1 is the first byte of the log.";
        row("one with decimals", "1.0", Answer::Ok, "", 1);
        row("not numeric, No", "abc", Answer::No, notNumeric, 0);
        row("empty, Yes", "", Answer::Yes, notNumeric, 1);
        row("offset, Yes keeps it", "1,000", Answer::Yes, offset, 1000);
        row("offset, No starts at 1", "1,000", Answer::No, offset, 1);
        row("offset, Cancel", "1,000", Answer::Cancel, offset, 0);
        row("zero", "0", Answer::Ok, belowOne, 0);
        row("negative", "-3", Answer::Ok, belowOne, 0);
        row("rounds to zero", "0.4", Answer::Ok, belowOne, 0);
    }
    void startPosition() {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(qint64, start);
        const QByteArray log = GameLog(100);
        WindowFixture f(log);
        f.load();
        f.w().txtStartPosition->setText(typed);
        f.prompter.script({static_cast<Answer>(answer)});
        f.w().cmdProcess->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{question.isEmpty() ? 0u : 1u});
        if (!question.isEmpty()) QCOMPARE(f.prompter.asked[0].text, question);
        if (start == 0) {
            QVERIFY(!f.w().processing().lastSummary());
            VerifyIdleLayout(f.w());
            QCOMPARE(f.w().lblStatus->text(), QStringLiteral("Idle"));
            QCOMPARE(f.w().database().RowCount(), std::int64_t{0});
            return;
        }
        QCOMPARE(f.w().processing().lastSummary()->startPosition, start);
        QCOMPARE(f.w().lblStatus->text(), S(status::Finished));
        QCOMPARE(f.w().processing().lastSummary()->bytesRead, log.size() - start + 1);
    }

    void intervalIsCheckedBeforeTheRun_data() {
        QTest::addColumn<QString>("interval");
        QTest::newRow("zero") << "0";
        QTest::newRow("too large") << "65536";
        QTest::newRow("not a number") << "fast";
        QTest::newRow("fraction") << "2.5";
        QTest::newRow("empty") << "";
    }
    void intervalIsCheckedBeforeTheRun() {
        QFETCH(QString, interval);
        WindowFixture f(GameLog(3));
        f.load();
        f.w().txtInterval->setText(interval);
        f.w().txtStartPosition->setText(QStringLiteral("5")); // would ask the offset question
        f.w().cmdProcess->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Update interval not valid"));
        QVERIFY(f.prompter.asked[0].text.contains(QStringLiteral("1 to 65535")));
        QVERIFY(!f.w().processing().lastSummary());
        VerifyIdleLayout(f.w());
    }

    void noLogChosenDoesNothing() {
        WindowFixture f(GameLog(3));
        f.load();
        f.w().lblCurFile->setText(QString());
        f.w().cmdProcess->click();
        QVERIFY(f.prompter.asked.empty());
        QVERIFY(!f.w().processing().lastSummary());
    }

    void pauseChangeIntervalResume() {
        const int games = 400;
        const QByteArray log = GameLog(games);
        WindowFixture f(log);
        f.load();
        QSignalSpy returned(&f.w().processing(), &ProcessingControl::runReturned);
        bool pausedInside = false;
        WindowFixture::InsideRun([&] {
            pausedInside = f.state.Processing;
            f.w().cmdPause->click();
            // The window shows the paused layout before the run has come back.
            QCOMPARE(f.w().cmdPause->text(), caption::Resume);
            QVERIFY(f.w().txtInterval->isEnabled());
        });
        f.w().cmdProcess->click();
        QVERIFY(pausedInside);
        QCOMPARE(returned.count(), 1);
        QCOMPARE(f.w().lblStatus->text(), S(status::Paused));
        const auto first = *f.w().processing().lastSummary();
        QCOMPARE(first.outcome, RunOutcome::Stopped);
        QVERIFY(first.journaledPosition);
        const std::int64_t pausedAt = *first.journaledPosition;
        QVERIFY(pausedAt < log.size());
        QCOMPARE(log.at(pausedAt - 1), '\n'); // stopped at a line end
        QCOMPARE(f.journaled(), static_cast<double>(pausedAt));
        const std::int64_t rowsAtPause = f.w().database().RowCount();
        QCOMPARE(rowsAtPause, first.visitsRecorded);
        QVERIFY(rowsAtPause > 0 && rowsAtPause < games);

        // While paused the tick refreshes the file display and keeps ticking.
        f.w().txtStartPosition->setText(QStringLiteral("7"));
        f.w().processing().tmrUpdates_Timer();
        QCOMPARE(f.w().txtStartPosition->text(), Grouped(pausedAt));
        QVERIFY(f.w().tmrUpdates->isActive());
        QVERIFY(f.w().cmdPause->isEnabled());

        // A new interval and an edited start position; only the interval counts for Resume.
        f.w().txtInterval->setText(QStringLiteral("250"));
        f.w().txtStartPosition->setText(QStringLiteral("5"));
        f.w().cmdPause->click();
        QVERIFY(f.prompter.asked.empty());
        QCOMPARE(returned.count(), 2);
        QCOMPARE(f.w().tmrUpdates->interval(), 250);
        QCOMPARE(f.w().cmdPause->text(), caption::Pause);
        QVERIFY(!f.w().txtInterval->isEnabled());
        QCOMPARE(f.w().lblStatus->text(), S(status::Finished));
        const auto second = *f.w().processing().lastSummary();
        QCOMPARE(second.startPosition, pausedAt);
        QCOMPARE(second.outcome, RunOutcome::Finished);
        // Every line read once: the two runs read the log's bytes with only the LF at the pause
        // read twice, and no visit was recorded twice.
        QCOMPARE(first.bytesRead + second.bytesRead, log.size() + 1);
        QCOMPARE(first.linesRead + second.linesRead, std::int64_t{2 * games});
        QCOMPARE(f.w().database().RowCount(), first.visitsRecorded + second.visitsRecorded);
        // The resumed run starts outside any game: it skips the connect line of the game it resumed in
        // when it paused between that game's two lines, and nothing else.
        QVERIFY(f.w().database().RowCount() >= games - 1);
        QCOMPARE(f.journaled(), static_cast<double>(log.size()));

        f.w().processing().tmrUpdates_Timer();
        VerifyIdleLayout(f.w());
        QCOMPARE(f.w().windowTitle(), caption::DoneWindow);
    }

    void resumeAndProcessWaitForTheRunToReturn() {
        WindowFixture f(GameLog(300));
        f.load();
        QSignalSpy returned(&f.w().processing(), &ProcessingControl::runReturned);
        bool inFlightInside = false;
        WindowFixture::InsideRun([&] {
            f.w().cmdPause->click(); // pause: the run ends at this line end, once control goes back
            inFlightInside = f.w().processing().runInFlight();
            f.w().cmdPause->click(); // resume while the paused run is still on its way out: ignored
            QCOMPARE(f.w().cmdPause->text(), caption::Resume);
            f.w().processing().cmdProcess_Click(); // ignored too, without any question
        });
        f.w().cmdProcess->click();
        QVERIFY(inFlightInside);
        QCOMPARE(returned.count(), 1);
        QVERIFY(f.prompter.asked.empty());
        QCOMPARE(f.w().lblStatus->text(), S(status::Paused));
        QCOMPARE(f.w().processing().lastSummary()->outcome, RunOutcome::Stopped);
    }

    void resumeWithABadIntervalStaysPaused() {
        WindowFixture f(GameLog(300));
        f.load();
        WindowFixture::InsideRun([&] { f.w().cmdPause->click(); });
        f.w().cmdProcess->click();
        f.w().txtInterval->setText(QStringLiteral("0"));
        f.w().cmdPause->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1});
        QCOMPARE(f.prompter.asked[0].title, QStringLiteral("Update interval not valid"));
        QCOMPARE(f.w().cmdPause->text(), caption::Resume);
        QCOMPARE(f.w().lblStatus->text(), S(status::Paused));
        QCOMPARE(f.w().processing().lastSummary()->outcome, RunOutcome::Stopped);
    }

    void cancelWhileRunning() {
        const QByteArray log = GameLog(300);
        WindowFixture f(log);
        f.load();
        WindowFixture::InsideRun([&] {
            f.w().cmdCancel->click();
            QVERIFY(!f.state.Processing);
            QCOMPARE(f.w().cmdPause->text(), caption::Pause);
            // The run has not come back yet: the status still reads Processing.
            QCOMPARE(f.w().lblStatus->text(), S(status::Processing));
        });
        f.w().cmdProcess->click();
        QCOMPARE(f.w().lblStatus->text(), S(status::Canceled));
        const auto summary = *f.w().processing().lastSummary();
        QCOMPARE(summary.outcome, RunOutcome::Stopped);
        QVERIFY(summary.bytesRead < log.size());
        QCOMPARE(f.journaled(), static_cast<double>(*summary.journaledPosition));
        const QString percentBefore = f.w().lblPercent->text();
        f.w().processing().tmrUpdates_Timer();
        VerifyIdleLayout(f.w());
        QCOMPARE(f.w().lblStatus->text(), S(status::Canceled));
        QVERIFY(f.w().windowTitle() != caption::DoneWindow);
        QCOMPARE(f.w().lblPercent->text(), percentBefore);
    }

    void cancelWhilePaused() {
        WindowFixture f(GameLog(300));
        f.load();
        WindowFixture::InsideRun([&] { f.w().cmdPause->click(); });
        f.w().cmdProcess->click();
        QCOMPARE(f.w().lblStatus->text(), S(status::Paused));
        f.w().cmdCancel->click();
        QCOMPARE(f.w().cmdPause->text(), caption::Pause);
        f.w().processing().tmrUpdates_Timer();
        VerifyIdleLayout(f.w());
        QCOMPARE(f.w().lblStatus->text(), S(status::Paused));
        QVERIFY(f.w().windowTitle() != caption::DoneWindow);
    }

    void missingFile() {
        WindowFixture f(GameLog(3));
        f.load();
        f.w().lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.w().NewFile();
        QCOMPARE(f.w().txtStartPosition->text(), QString());
        QCOMPARE(f.w().lblFileSize->text(), QString());
        f.prompter.script({Answer::Yes});
        f.w().cmdProcess->click();
        QCOMPARE(f.prompter.asked.size(), std::size_t{1}); // the not-numeric question
        QCOMPARE(f.w().lblStatus->text(), S(status::FileMissing));
        QCOMPARE(f.w().processing().lastSummary()->outcome, RunOutcome::FileMissing);
        f.w().processing().tmrUpdates_Timer();
        VerifyIdleLayout(f.w());
        QVERIFY(f.w().windowTitle() != caption::DoneWindow);
        QVERIFY(!f.journalExists());
    }

    void failureLeavesProcessingWithItsReason() {
        QByteArray log = GameLog(20);
        const qint64 badLineStart = log.size() + 1;
        log += "  1:05 ClientConnect: 101, name: Intruder, ip: 10.9.9.9:27960 DATE: 2024-03-01 21:00:00\n";
        log += GameLog(5, 20);
        WindowFixture f(log);
        f.load();
        f.w().cmdProcess->click();
        const auto summary = *f.w().processing().lastSummary();
        QCOMPARE(summary.outcome, RunOutcome::Failed);
        QCOMPARE(f.w().lblStatus->text(), S(status::Processing));
        const QString tip = f.w().lblStatus->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("at byte ") + Grouped(badLineStart)), qPrintable(tip));
        QVERIFY2(tip.contains(QStringLiteral("Intruder")), qPrintable(tip));
        QVERIFY2(tip.contains(QString::fromStdString(summary.failure->reason)), qPrintable(tip));
        QCOMPARE(f.w().database().RowCount(), std::int64_t{20}); // rows before the failure stay
        QVERIFY(!f.journalExists());
        f.w().processing().tmrUpdates_Timer();
        VerifyIdleLayout(f.w());
        QCOMPARE(f.w().lblStatus->text(), S(status::Processing));
        QVERIFY(f.w().windowTitle() != caption::DoneWindow);

        // The next run starts with a clean status tooltip.
        f.w().lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.prompter.script({Answer::Yes});
        f.w().txtStartPosition->setText(QStringLiteral("1"));
        f.w().cmdProcess->click();
        QCOMPARE(f.w().lblStatus->toolTip(), QString());
    }

    // The tick during a run, at given positions; the start time comes from a real start.
    void tickDuringARun_data() {
        QTest::addColumn<qint64>("position");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("byteNum");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<int>("width");        // -1: left as it was
        QTest::addColumn<QString>("estimate"); // after 10 seconds; empty: left as it was
        const int full = 618;
        QTest::newRow("half of 1000 bytes") << qint64{500} << "1,000"
                                            << "500/1,000"
                                            << "50%" << full / 2 << "00:00:11";
        QTest::newRow("the log grew") << qint64{1010} << "1,000"
                                      << "1,010/1,000"
                                      << "101%" << 624 << "00:00:01";
        QTest::newRow("100.5 goes to even") << qint64{1005} << "1,000"
                                            << "1,005/1,000"
                                            << "100%" << 621 << "00:00:01";
        QTest::newRow("42.5 goes to even") << qint64{425} << "1,000"
                                           << "425/1,000"
                                           << "42%" << 263 << "00:00:14";
        QTest::newRow("43.5 goes to even") << qint64{435} << "1,000"
                                           << "435/1,000"
                                           << "44%" << 269 << "00:00:13";
        QTest::newRow("a million") << qint64{1250000} << "2,500,000"
                                   << "1,250,000/2,500,000"
                                   << "50%" << 309 << "00:00:11";
        QTest::newRow("size unknown") << qint64{500} << ""
                                      << "500/"
                                      << "" << -1 << "";
    }
    void tickDuringARun() {
        QFETCH(qint64, position);
        QFETCH(QString, size);
        QFETCH(QString, byteNum);
        QFETCH(QString, percent);
        QFETCH(int, width);
        QFETCH(QString, estimate);
        WindowFixture f(GameLog(3));
        f.load();
        QCOMPARE(f.w().shpProgConst->width(), 618);
        // A start on a missing file takes the start time, then ends at once.
        f.clock.now = 100.0;
        f.w().lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.w().txtStartPosition->setText(QStringLiteral("1"));
        f.w().cmdProcess->click();
        QCOMPARE(f.w().processing().startTime(), 100.0);
        f.w().tmrUpdates->stop();

        f.w().lblPercent->setText(QStringLiteral("7%"));
        f.w().lblEstimated->setText(QStringLiteral("old"));
        f.w().shpProgress->resize(3, f.w().shpProgress->height());
        f.w().lblFileSize->setText(size);
        f.state.Processing = true;
        f.state.ReadPosition = position;
        f.clock.now = 110.0;
        f.w().processing().tmrUpdates_Timer();
        f.state.Processing = false;

        QCOMPARE(f.w().lblByteNum->text(), byteNum);
        QCOMPARE(f.w().lblPercent->text(), percent);
        QCOMPARE(f.w().windowTitle(), QStringLiteral("(") + percent + QStringLiteral(") Corvanth"));
        QCOMPARE(f.w().shpProgress->width(), width < 0 ? 3 : width);
        QCOMPARE(f.w().lblEstimated->text(), estimate.isEmpty() ? QStringLiteral("old") : estimate);
    }

    void captionOnlyChangesWithThePercentage() {
        WindowFixture f(GameLog(3));
        f.load();
        f.w().lblFileSize->setText(QStringLiteral("1,000"));
        f.w().lblPercent->setText(QStringLiteral("50%"));
        f.w().setWindowTitle(QStringLiteral("untouched"));
        f.state.Processing = true;
        f.state.ReadPosition = 500;
        f.w().processing().tmrUpdates_Timer();
        f.state.Processing = false;
        QCOMPARE(f.w().windowTitle(), QStringLiteral("untouched"));
        QCOMPARE(f.w().lblByteNum->text(), QStringLiteral("500/1,000"));
    }

    void noTimeElapsedKeepsTheEstimate() {
        WindowFixture f(GameLog(3));
        f.load();
        f.clock.now = 50.0;
        f.w().lblCurFile->setText(f.dir.filePath(QStringLiteral("gone.log")));
        f.w().txtStartPosition->setText(QStringLiteral("1"));
        f.w().cmdProcess->click();
        f.w().tmrUpdates->stop();
        f.w().lblEstimated->setText(QStringLiteral("old"));
        f.w().lblFileSize->setText(QStringLiteral("1,000"));
        f.state.Processing = true;
        f.state.ReadPosition = 100;
        f.w().processing().tmrUpdates_Timer();
        f.state.Processing = false;
        QCOMPARE(f.w().lblEstimated->text(), QStringLiteral("old"));
        QCOMPARE(f.w().lblPercent->text(), QStringLiteral("10%"));
    }

    void completionDisplayOnce() {
        const QByteArray log = GameLog(50);
        WindowFixture f(log);
        f.load();
        f.w().cmdProcess->click();
        QCOMPARE(f.w().lblStatus->text(), S(status::Finished));
        QVERIFY(f.w().tmrUpdates->isActive());
        // Let the real timer deliver the tick.
        QTRY_VERIFY_WITH_TIMEOUT(!f.w().tmrUpdates->isActive(), 2000);
        const QString size = Grouped(log.size());
        QCOMPARE(f.w().lblFileSize->text(), size);
        QCOMPARE(f.w().lblByteNum->text(), size + QLatin1Char('/') + size);
        QCOMPARE(f.w().lblPercent->text(), QStringLiteral("100%"));
        QCOMPARE(f.w().windowTitle(), caption::DoneWindow);
        QCOMPARE(f.w().shpProgress->width(), f.w().shpProgConst->width());
        QCOMPARE(f.w().lblEstimated->text(), QStringLiteral("00:00:00"));
        QCOMPARE(f.w().txtStartPosition->text(), size); // the journaled position, shown by the tick
        VerifyIdleLayout(f.w());
    }
};

QTEST_MAIN(ProcessingControlTest)
#include "tst_ProcessingControl.moc"
