#include "ProcessLog.h"
#include "FakeRunHost.h"
#include "LogLines.h"
#include "RecordingSink.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace corvanth;
using namespace corvanth::test;

namespace {

const std::string kInit = InitGame();

class Run : public ::testing::Test {
protected:
    TempFolder dir;
    PositionJournal journal{dir.path()};
    ProcessingState state;
    RecordingSink sink;
    FakeRunHost host;

    RunSummary run(const std::string& log, std::optional<StartPosition> start,
                   const RunOptions& options = EveryLine()) {
        return ProcessLog(state, sink, journal, host, dir.file(log), start, options);
    }
};

} // namespace

TEST_F(Run, MissingFileWritesNothingWhateverTheStart) {
    for (const StartPosition& start : {StartPosition(1), StartPosition(std::string("abc"))}) {
        const auto summary = run("none.log", start);
        EXPECT_EQ(summary.outcome, RunOutcome::FileMissing);
        EXPECT_EQ(host.text, "File Doesn't Exist");
        EXPECT_FALSE(state.Processing);
        EXPECT_FALSE(dir.exists("Positions.txt"));
    }
}

// Runs to the end of a log: what is read, and the position journaled (the last LF, or the start when
// nothing is read). Blank lines move the position but are not interpreted.
TEST_F(Run, FinishedRunsJournalTheirLastLineEnd) {
    const std::string whole = kInit + Connect(1, "Whole", "1.1.1.1");
    const struct {
        std::string log;
        std::int64_t start, linesRead, journaled;
    } rows[] = {
        {"A\n\nB\n\n", 1, 2, 6},
        {"", 1, 0, 1},
        {"A\n", 500, 0, 500},
        {whole + "  0:06 ClientConnect: 2, name: Half", 1, 2, static_cast<std::int64_t>(whole.size())}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.log);
        dir.write("a.log", row.log);
        sink.commits = 0;
        const auto summary = run("a.log", StartPosition(row.start));
        EXPECT_EQ(summary.outcome, RunOutcome::Finished);
        EXPECT_EQ(host.text, "Process Finished");
        EXPECT_FALSE(state.Processing);
        EXPECT_EQ(sink.commits, 1);
        EXPECT_EQ(summary.linesRead, row.linesRead);
        EXPECT_EQ(summary.journaledPosition, row.journaled);
        EXPECT_EQ(state.ResumePosition, row.journaled);
        EXPECT_EQ(journal.LastPosition(dir.file("a.log"))->position, row.journaled);
    }
    // The half line is completed later; the next run from the journal reads it once, whole, but
    // untracked: it belongs to the game before.
    dir.append("a.log", ", ip: 2.2.2.2 DATE: x\n" + kInit + Connect(3, "Next", "3.3.3.3"));
    sink.calls.clear();
    run("a.log", StartPosition(static_cast<std::int64_t>(whole.size())));
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].name, "Next");
}

// A stop (Processing cleared, with or without the pause text) takes effect at the next line end,
// the hand-over after a block's last LF included; the run leaves the status to whoever stopped it.
TEST_F(Run, StopsTakeEffectAtTheNextLineEnd) {
    const std::string longLine =
        "  0:05 ClientConnect: 1, name: Long, ip: 9.9.9.9 DATE: " + std::string(300000, 'x') + "\n";
    std::string twenty = kInit;
    for (int i = 0; i < 20; ++i)
        twenty += Connect(i % 10, "P" + std::to_string(i), "10.0.0." + std::to_string(i));
    const struct {
        const char* what;
        std::string log;
        int stopAtPump;
        bool pause;
        int linesPerClockCheck;
        std::int64_t linesRead;
        std::int64_t journaled;
    } rows[] = {
        {"pause in the middle", twenty, 5, true, 1, 5, -1},
        {"cancel inside a long line", kInit + longLine + Connect(2, "After", "2.2.2.2"), 1, false, 1000, 2,
         static_cast<std::int64_t>(kInit.size() + longLine.size())},
        {"pause in the hand-over after the last line", "A\n", 2, true, 1, 1, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        dir.write("a.log", row.log);
        host.text = status::Processing;
        host.pumps = 0;
        host.onPump = [&](int pump) {
            if (pump != row.stopAtPump) return;
            state.Processing = false;
            if (row.pause) host.text = status::Paused;
        };
        RunOptions options = EveryLine();
        options.linesPerClockCheck = row.linesPerClockCheck;
        const auto summary = run("a.log", StartPosition(1), options);
        EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
        EXPECT_EQ(host.text, row.pause ? status::Paused : status::Processing);
        EXPECT_EQ(summary.linesRead, row.linesRead);
        ASSERT_TRUE(summary.journaledPosition);
        EXPECT_EQ(row.log[static_cast<std::size_t>(*summary.journaledPosition - 1)], '\n');
        if (row.journaled > 0) {
            EXPECT_EQ(*summary.journaledPosition, row.journaled);
        }
        EXPECT_EQ(journal.LastPosition(dir.file("a.log"))->position, *summary.journaledPosition);
    }
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
    host.onPump = nullptr;
    run("a.log", StartPosition(*state.ResumePosition));
    ASSERT_EQ(sink.calls.size(), 20u);
    for (std::size_t i = 0; i < sink.calls.size(); ++i)
        EXPECT_EQ(sink.calls[i].name, "G" + std::to_string(i / 5) + "P" + std::to_string(i % 5));
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
    ASSERT_TRUE(summary.failure);
    EXPECT_EQ(summary.failure->linePosition, static_cast<std::int64_t>(good.size() + 1));
    EXPECT_NE(summary.failure->reason.find("outside 0 to 100"), std::string::npos);
    EXPECT_NE(summary.failure->line.find("ClientConnect: 101"), std::string::npos);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.commits, 1); // what was written is committed
    EXPECT_EQ(journal.LastPosition(dir.file("a.log"))->position, 7);
    EXPECT_EQ(state.ResumePosition, static_cast<std::int64_t>(good.size()));
}

// (A failing sink: AWriteFailingBehindTheScanEndsTheRunAtItsLine.)
TEST_F(Run, AStartBeforeTheFirstByteEndsTheRun) {
    dir.write("a.log", kInit + Connect(1, "A", "1.1.1.1") + Connect(2, "B", "2.2.2.2"));
    const auto summary = run("a.log", StartPosition(0));
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_EQ(summary.linesRead, 0);
}

TEST_F(Run, OverlongLinesAreSkippedAndLinesSpanningBlocksAreWhole) {
    RunOptions options;
    options.maxLineLength = 1000;
    std::string log = kInit + std::string(5000, 'y') + "\n";
    while (log.size() < LogReader::kBlockSize * 2 + 100)
        log += Connect(static_cast<int>(log.size() % 100), "Span", "3.3.3.3");
    dir.write("a.log", log);
    const auto summary = run("a.log", StartPosition(1), options);
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    EXPECT_EQ(summary.overlongLines, 1);
    EXPECT_EQ(summary.bytesRead, static_cast<std::int64_t>(log.size()));
    for (const auto& c : sink.calls)
        ASSERT_EQ(c.ip, "3.3.3.3");
    EXPECT_EQ(static_cast<std::int64_t>(sink.calls.size()), summary.linesRead - 1);
}

// A write failing behind the scan ends the run at its line (one spanning two reads), not at a later one.
// A host that may use the store gets it at every hand-over, the writer caught up and the store
// checkpointed; one that leaves it alone is handed control without either, and the store is
// checkpointed only as often as the run's options say.
TEST_F(Run, TheStoreIsHandedOverOnlyToAHostThatMayUseIt) {
    std::string log = kInit;
    for (int i = 0; i < 30; ++i)
        log += Connect(i % 10, "P" + std::to_string(i), "10.0.0." + std::to_string(i));
    dir.write("a.log", log);
    constexpr auto kNever = std::chrono::hours(24);
    constexpr auto kAlways = std::chrono::milliseconds(0);
    const struct {
        const char* what;
        StoreUse use;
        std::chrono::milliseconds checkpointInterval;
        bool everyHandOver;
    } rows[] = {
        {"a window", StoreUse::MayUse, kNever, true},
        {"the command line", StoreUse::LeavesAlone, kNever, false},
        {"the command line, checkpoint due", StoreUse::LeavesAlone, kAlways, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        sink = RecordingSink();
        host.pumps = 0;
        host.storeUse = row.use;
        RunOptions options = EveryLine();
        options.checkpointInterval = row.checkpointInterval;
        EXPECT_EQ(run("a.log", StartPosition(1), options).outcome, RunOutcome::Finished);
        EXPECT_GE(host.pumps, 31);
        EXPECT_EQ(sink.checkpoints, row.everyHandOver ? host.pumps : 0);
        EXPECT_EQ(sink.calls.size(), 30U); // every visit written all the same
    }
}

TEST_F(Run, AWriteFailingBehindTheScanEndsTheRunAtItsLine) {
    constexpr auto kRead = static_cast<std::int64_t>(LogReader::kBlockSize);
    std::string log = kInit;
    int spanning = 0;
    std::int64_t spanningStart = 0;
    for (int i = 1; i < 400; ++i) {
        const std::string line =
            Connect(i % 100, "P" + std::to_string(i), "10.0.0.1", std::string(4500, 'd'));
        if (std::ssize(log) < kRead && std::ssize(log) + std::ssize(line) > kRead)
            std::tie(spanning, spanningStart) = std::pair(i, std::ssize(log) + 1);
        log += line;
    }
    dir.write("a.log", log + Connect(101, "Bad", "1.1.1.1"));
    sink.failOnVisit = spanning - 1;
    const auto summary = run("a.log", StartPosition(1), RunOptions());
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_EQ(summary.failure.value().reason, "database is locked");
    EXPECT_EQ(summary.failure->linePosition, spanningStart);
    EXPECT_EQ(summary.failure->line.substr(0, 40), log.substr(spanningStart - 1, 40));
    EXPECT_EQ(summary.linesRead, spanning + 1);
    EXPECT_EQ(summary.bytesRead, kRead); // the line was not whole before the second read
    EXPECT_EQ(state.ResumePosition, spanningStart - 1);
}
