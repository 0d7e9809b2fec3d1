// Runs killed (SIGKILL: nothing journaled) or stopped (the last line end journaled) in the middle, each
// continued from the journal, until one reaches the end of the log. The kill comes from inside the
// child at a chosen visit, the stop at a chosen hand-over: nothing depends on timing.
#include "ChildProcess.h"
#include "FakeRunHost.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "NamesTable.h"
#include "ProcessLog.h"
#include "TempFolder.h"

#include <csignal>

#include <gtest/gtest.h>

namespace corvanth::test {
namespace {

// Forwards to the database and kills its own process at the given visit.
class KillingSink : public VisitSink {
public:
    KillingSink(NamesDatabase& db, int killAtVisit) : db_(db), left_(killAtVisit) {}
    void RecordVisit(std::string_view n, std::string_view ip, std::string_view d) override {
        if (--left_ == 0) std::raise(SIGKILL);
        db_.RecordVisit(n, ip, d);
    }
    void MarkReferee(std::string_view n, std::string_view ip) override { db_.MarkReferee(n, ip); }
    void Checkpoint() override { db_.Checkpoint(); }
    void Commit() override { db_.Commit(); }

private:
    NamesDatabase& db_;
    int left_;
};

// A run continues untracked from a stop until the next InitGame, so it skips the rest of a game; and
// after a kill it replays lines already written. The log is built so that neither changes the rows:
// every game starts at 0:00 (empty client tables), uses one date, and is written twice in a row. A stop
// in the first copy leaves the second to be read whole; a stop in the second comes more than a pair of
// copies after the run's start, so the first was read whole.
std::string TwiceWrittenGames() {
    std::string log;
    for (int g = 0; g < 12; ++g) {
        std::string game = InitGame();
        const std::string date = "day" + std::to_string(g);
        for (int c = 0; c < 4; ++c)
            game += Connect(c, "P" + std::to_string((g * 3 + c) % 10),
                            "10.0." + std::to_string(g % 3) + "." + std::to_string(c), date);
        const std::string renamed = "R" + std::to_string(g % 4);
        game += Rename(1, renamed) + RefereeLogin(renamed) + Disconnect(2);
        log += game + game;
    }
    return log;
}

RunSummary Continue(const TempFolder& dir, VisitSink& sink, FakeRunHost& host, ProcessingState& state) {
    const PositionJournal journal(dir.path());
    return ProcessLog(state, sink, journal, host, dir.file("games.log"),
                      StartPosition(journal.LastPosition(dir.file("games.log"))->position), EveryLine());
}

TEST(InterruptedRuns, KilledOrStoppedAnywhereEndWithTheRowsOfOneRun) {
    TempFolder whole, parts;
    whole.write("games.log", TwiceWrittenGames());
    parts.write("games.log", TwiceWrittenGames());
    NamesDatabase reference;
    reference.Open(whole.file("IPLogging.mdb"));
    ProcessingState state;
    FakeRunHost quiet;
    ASSERT_EQ(Continue(whole, reference, quiet, state).outcome, RunOutcome::Finished);

    enum class How { Kill, Stop };
    // A game is 8 lines and 5 visits; stops come after 40 hand-overs, more than a pair of copies.
    const std::pair<How, int> plan[] = {{How::Kill, 7}, {How::Stop, 40}, {How::Kill, 23},
                                        {How::Kill, 1}, {How::Stop, 40}, {How::Kill, 12}};
    const std::string database = parts.file("IPLogging.mdb");
    for (const auto& [how, at] : plan) {
        SCOPED_TRACE(std::to_string(static_cast<int>(how)) + " at " + std::to_string(at));
        const std::string journal = parts.read("Positions.txt");
        if (how == How::Kill) {
            const ChildResult child = RunInChild({}, [&](std::string&) {
                NamesDatabase db;
                db.Open(database);
                db.SetCommitInterval(std::chrono::milliseconds(0)); // every hand-over commits
                KillingSink sink(db, at);
                ProcessingState state;
                FakeRunHost host;
                Continue(parts, sink, host, state);
                return 0;
            });
            EXPECT_EQ(child.signal, SIGKILL) << child.report;
            EXPECT_EQ(parts.read("Positions.txt"), journal);
        } else {
            NamesDatabase db;
            db.Open(database);
            ProcessingState state;
            FakeRunHost host;
            host.onPump = [&](int pump) {
                if (pump == at) state.Processing = false;
            };
            EXPECT_EQ(Continue(parts, db, host, state).outcome, RunOutcome::Stopped);
        }
        EXPECT_EQ(IntegrityCheck(database), "ok");
    }
    NamesDatabase last;
    last.Open(database);
    ASSERT_EQ(Continue(parts, last, quiet, state).outcome, RunOutcome::Finished);
    const std::string rows = NamesTable(reference);
    EXPECT_NE(rows.find("|True\n"), std::string::npos) << "the log marks referees";
    EXPECT_EQ(NamesTable(last), rows);
}

} // namespace
} // namespace corvanth::test
