#include "ProcessLog.h"
#include "RecordingSink.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace corvanth;
using corvanth::test::RecordingSink;
using corvanth::test::TempFolder;

namespace {

class FakeHost : public RunHost {
public:
    std::string text{status::Processing};
    int pumps = 0;
    std::function<void(int)> onPump;

    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    std::string status() const override { return text; }
    void setStatus(std::string_view s) override { text = std::string(s); }
};

std::string Connect(int client, const std::string& name, const std::string& ip) {
    return "  0:05 ClientConnect: " + std::to_string(client) + ", name: " + name + ", ip: " + ip +
           ":27960 DATE: 2004-01-01\n";
}

const std::string kInit = "  0:00 InitGame: \\wfversion\\2.8\\x\n";

// Pumps after every line, so a test can act at an exact line end.
RunOptions EveryLine() {
    RunOptions o;
    o.pumpInterval = std::chrono::milliseconds(0);
    o.linesPerClockCheck = 1;
    return o;
}

class Run : public ::testing::Test {
protected:
    TempFolder dir;
    PositionJournal journal{dir.path()};
    ProcessingState state;
    RecordingSink sink;
    FakeHost host;

    RunSummary run(const std::string& log, std::optional<StartPosition> start,
                   const RunOptions& options = EveryLine()) {
        return ProcessLog(state, sink, journal, host, dir.file(log), start, options);
    }
};

} // namespace

TEST_F(Run, MissingFileWritesNothing) {
    const auto summary = run("none.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::FileMissing);
    EXPECT_EQ(host.text, "File Doesn't Exist");
    EXPECT_FALSE(state.Processing);
    EXPECT_FALSE(dir.exists("Positions.txt"));
}

TEST_F(Run, TwoShortLinesAndTheirPositions) {
    dir.write("a.log", "A\nB\n");
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    EXPECT_EQ(host.text, "Process Finished");
    EXPECT_EQ(summary.linesRead, 2);
    EXPECT_EQ(state.ResumePosition, 4);
    EXPECT_EQ(journal.LastPosition(dir.file("a.log"))->position, 4);
    EXPECT_FALSE(state.Processing);
    EXPECT_FALSE(state.LogFile.isOpen());
    EXPECT_EQ(sink.commits, 1);
}

TEST_F(Run, TextAfterTheLastLfWaitsForItsLineEnd) {
    dir.write("a.log", kInit + Connect(1, "Whole", "1.1.1.1") + "  0:06 ClientConnect: 2, name: Half");
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(host.text, "Process Finished");
    ASSERT_EQ(sink.calls.size(), 1u);
    const auto lastLf = static_cast<std::int64_t>((kInit + Connect(1, "Whole", "1.1.1.1")).size());
    EXPECT_EQ(summary.journaledPosition, lastLf);
    // The line is completed later; the next run from the journal reads it once, whole.
    std::ofstream(dir.file("a.log"), std::ios::app) << ", ip: 2.2.2.2 DATE: x\n"
                                                    << kInit << Connect(3, "Next", "3.3.3.3");
    sink.calls.clear();
    run("a.log", StartPosition(lastLf));
    // The resumed run starts untracked: the completed line belongs to the game before.
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].name, "Next");
}

TEST_F(Run, EmptyLogAndStartsBeyondTheEnd) {
    dir.write("empty.log", "");
    auto summary = run("empty.log", StartPosition(1));
    EXPECT_EQ(host.text, "Process Finished");
    EXPECT_EQ(summary.journaledPosition, 1); // a run that reads no LF journals its own start
    dir.write("short.log", "A\n");
    summary = run("short.log", StartPosition(500));
    EXPECT_EQ(host.text, "Process Finished");
    EXPECT_EQ(summary.linesRead, 0);
    EXPECT_EQ(journal.LastPosition(dir.file("short.log"))->position, 500);
}

TEST_F(Run, BlankLinesMoveThePositionButAreNotInterpreted) {
    dir.write("a.log", "\n\nX\n\n");
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.linesRead, 1);
    EXPECT_EQ(state.ResumePosition, 5);
}

TEST_F(Run, PauseStopsAtTheLineEndAndResumeReadsEveryLineOnce) {
    std::string log = kInit;
    for (int i = 0; i < 20; ++i)
        log += Connect(i % 10, "P" + std::to_string(i), "10.0.0." + std::to_string(i));
    dir.write("a.log", log);
    host.onPump = [&](int pump) {
        if (pump == 5) {
            state.Processing = false;
            host.text = "Process Paused";
        }
    };
    auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
    EXPECT_EQ(host.text, "Process Paused");
    EXPECT_EQ(summary.linesRead, 5);
    ASSERT_TRUE(state.ResumePosition);
    EXPECT_EQ(log[static_cast<std::size_t>(*state.ResumePosition - 1)], '\n');
    EXPECT_EQ(journal.LastPosition(dir.file("a.log"))->position, *state.ResumePosition);
    const auto firstVisits = sink.calls.size();

    // Resume: a new run from ResumePosition re-reads that LF first and starts untracked.
    host.onPump = nullptr;
    host.text = "Processing";
    summary = run("a.log", StartPosition(*state.ResumePosition));
    EXPECT_EQ(host.text, "Process Finished");
    EXPECT_EQ(summary.linesRead, 16);
    EXPECT_EQ(sink.calls.size(), firstVisits); // untracked until the next InitGame
}

TEST_F(Run, ResumeAcrossAGameBoundaryInterpretsNothingTwice) {
    std::string log;
    for (int g = 0; g < 4; ++g) {
        log += kInit;
        for (int i = 0; i < 5; ++i)
            log +=
                Connect(i, "G" + std::to_string(g) + "P" + std::to_string(i), "1.1.1." + std::to_string(i));
    }
    dir.write("a.log", log);
    host.onPump = [&](int pump) {
        if (pump == 6) state.Processing = false; // right after the first game's last connect
    };
    run("a.log", StartPosition(1));
    EXPECT_EQ(host.text, "Process Canceled");
    host.onPump = nullptr;
    host.text = "Processing";
    run("a.log", StartPosition(*state.ResumePosition));
    ASSERT_EQ(sink.calls.size(), 20u);
    for (std::size_t i = 0; i < sink.calls.size(); ++i)
        EXPECT_EQ(sink.calls[i].name, "G" + std::to_string(i / 5) + "P" + std::to_string(i % 5));
}

TEST_F(Run, CancelWhileTheLineIsStillBeingRead) {
    // Processing is cleared in the middle of a long line: the line is finished and interpreted first.
    std::string longLine =
        "  0:05 ClientConnect: 1, name: Long, ip: 9.9.9.9 DATE: " + std::string(300000, 'x') + "\n";
    dir.write("a.log", kInit + longLine + Connect(2, "After", "2.2.2.2"));
    RunOptions options = EveryLine();
    options.linesPerClockCheck = 1000;
    host.onPump = [&](int) { state.Processing = false; }; // the 64 KiB check inside the long line
    const auto summary = run("a.log", StartPosition(1), options);
    EXPECT_EQ(host.text, "Process Canceled");
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].name, "Long");
    EXPECT_EQ(summary.journaledPosition, static_cast<std::int64_t>(kInit.size() + longLine.size()));
}

TEST_F(Run, CrlfLinesReachTheInterpreterWithTheirCr) {
    dir.write(
        "a.log",
        "  0:00 InitGame: \\wfversion\\2.8\\x\r\n  0:05 ClientConnect: 4, name: Win, ip: 4.4.4.4 DATE: d\r\n"
        "  0:09 ClientDisconnect: 4\r\n");
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].date, "d\r");
    EXPECT_TRUE(state.ClientNames[4].empty());
}

TEST_F(Run, StartPositionTextWithSeparators) {
    std::string log = kInit + Connect(1, "First", "1.1.1.1");
    const std::size_t second = log.size();
    log += kInit + Connect(2, "Second", "2.2.2.2");
    dir.write("a.log", log);
    const auto summary = run("a.log", StartPosition(std::to_string(second + 1)));
    EXPECT_EQ(summary.startPosition, static_cast<std::int64_t>(second + 1));
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].name, "Second");
    EXPECT_EQ(*StartPosition(std::string("1,234")).Resolve(), 1234);
}

TEST_F(Run, FailureKeepsStatusRowsAndJournal) {
    journal.SavePosition(dir.file("a.log"), 7);
    const std::string good = kInit + Connect(1, "Kept", "1.1.1.1");
    dir.write("a.log", good + "  0:06 ClientConnect: 101, name: Bad, ip: 1.1.1.2 DATE: d\n" +
                           Connect(2, "Never", "2.2.2.2"));
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_EQ(host.text, "Processing");
    EXPECT_FALSE(state.Processing);
    EXPECT_FALSE(state.LogFile.isOpen());
    ASSERT_TRUE(summary.failure);
    EXPECT_EQ(summary.failure->linePosition, static_cast<std::int64_t>(good.size() + 1));
    EXPECT_NE(summary.failure->reason.find("outside 0 to 100"), std::string::npos);
    EXPECT_NE(summary.failure->line.find("ClientConnect: 101"), std::string::npos);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.commits, 1); // what was written is committed
    EXPECT_EQ(journal.LastPosition(dir.file("a.log"))->position, 7);
    EXPECT_EQ(state.ResumePosition, static_cast<std::int64_t>(good.size()));
}

TEST_F(Run, AFailingSinkEndsTheRun) {
    dir.write("a.log", kInit + Connect(1, "A", "1.1.1.1") + Connect(2, "B", "2.2.2.2"));
    sink.failOnVisit = 1;
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_EQ(summary.failure->reason, "database is locked");
}

TEST_F(Run, StartBeforeTheFirstByteFails) {
    dir.write("a.log", "A\n");
    const auto summary = run("a.log", StartPosition(0));
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_EQ(summary.linesRead, 0);
}

TEST_F(Run, ClosingTheLogDuringARunEndsItThroughTheFailurePath) {
    std::string log = kInit;
    for (int i = 0; i < 50; ++i)
        log += Connect(i % 100, "N" + std::to_string(i), "1.1.1.1");
    dir.write("a.log", log);
    host.onPump = [&](int pump) {
        if (pump == 3) {
            state.Processing = false; // what closing the window does
            state.LogFile.close();
        }
    };
    const auto summary = run("a.log", StartPosition(1));
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_EQ(host.text, "Processing"); // nothing written to the window
    EXPECT_FALSE(dir.exists("Positions.txt"));
    EXPECT_LT(sink.calls.size(), 50u);
}

TEST_F(Run, OverlongLinesAreSkippedWithBoundedMemory) {
    RunOptions options = EveryLine();
    options.maxLineLength = 1000;
    dir.write("a.log", kInit + std::string(5000, 'y') + "\n" + Connect(1, "After", "1.1.1.1"));
    const auto summary = run("a.log", StartPosition(1), options);
    EXPECT_EQ(summary.overlongLines, 1);
    EXPECT_LE(state.CurrentLine.capacity(), 2000u);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].name, "After");
}

TEST_F(Run, LinesSpanningBlocksAreWhole) {
    std::string log = kInit;
    while (log.size() < LogReader::kBlockSize * 2 + 100)
        log += Connect(static_cast<int>(log.size() % 100), "Span", "3.3.3.3");
    dir.write("a.log", log);
    const auto summary = run("a.log", StartPosition(1), RunOptions{});
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    EXPECT_EQ(summary.bytesRead, static_cast<std::int64_t>(log.size()));
    for (const auto& c : sink.calls)
        ASSERT_EQ(c.ip, "3.3.3.3");
    EXPECT_EQ(static_cast<std::int64_t>(sink.calls.size()), summary.linesRead - 1);
}
