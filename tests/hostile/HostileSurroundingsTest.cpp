// The run's surroundings turn hostile: a data folder below a file, a full disk, a database file locked
// by another program, a log it may not read. (A read-only data folder: CliHostileTest.)
// Each case ends with a clear reason, and nothing recorded before is lost.
#include "HostileSupport.h"

#include "DatabaseError.h"
#include "NamesDatabase.h"
#include "ProcessLog.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace corvanth::hostile {
namespace {

std::string SmallGame(int players, std::string_view prefix) {
    std::string text = InitGame();
    for (int i = 0; i < players; ++i)
        text += Connect(std::to_string(i % 100), std::string(prefix) + std::to_string(i),
                        "10.2." + std::to_string(i / 250) + "." + std::to_string(i % 250),
                        "2024-01-01 " + std::to_string(i));
    return text;
}

// Fills a database with the rows of a small game, as an earlier run would have.
void Seed(const std::string& dbPath, const std::string& folder, const std::string& log) {
    NamesDatabase db;
    db.Open(dbPath);
    ProcessingState state;
    TestHost host;
    PositionJournal journal(folder);
    WriteFile(log, SmallGame(3, "Old"));
    const RunSummary s = ProcessLog(state, db, journal, host, log, StartPosition(1));
    ASSERT_EQ(s.outcome, RunOutcome::Finished);
    db.Close();
}

// What a child reports: the outcome and the reason, one per line.
std::string Describe(const RunSummary& s) {
    std::string text = std::to_string(static_cast<int>(s.outcome)) + "\n";
    if (s.failure) text += s.failure->reason + "\n";
    return text;
}

TEST(HostileSurroundings, DataFolderBelowARegularFileCannotBeOpened) {
    TempFolder folder;
    WriteFile(folder.file("notafolder"), "x");
    NamesDatabase db;
    try {
        db.Open(folder.file("notafolder") + "/IPLogging.mdb");
        FAIL() << "opened a database below a regular file";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("IPLogging.mdb"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(folder.file("notafolder")), "x");
}

TEST(HostileSurroundings, FullDiskEndsTheRunAndKeepsCommittedRows) {
    TempFolder folder;
    const std::string db = folder.file("IPLogging.mdb");
    const std::string log = folder.file("games.log");
    Seed(db, folder.path(), log);
    const auto before = ReadNames(db);
    const std::string journalBefore = ReadFile(folder.file("Positions.txt"));
    // Thousands of new players: far more than the files may grow by.
    std::string big;
    for (int g = 0; g < 40; ++g)
        big += SmallGame(100, "Many" + std::to_string(g) + "_");
    WriteFile(log, big);

    const rlim_t limit = static_cast<rlim_t>(std::filesystem::file_size(db)) + 64 * 1024;
    const ChildResult child = RunInChild({ChildLimits::Privileges::Keep, limit}, [&](std::string& report) {
        NamesDatabase names;
        names.Open(db);
        names.SetCommitInterval(std::chrono::milliseconds(0));
        ProcessingState state;
        TestHost host;
        PositionJournal journal(folder.path());
        RunOptions options;
        options.pumpInterval = std::chrono::milliseconds(0);
        const RunSummary s = ProcessLog(state, names, journal, host, log, StartPosition(1), options);
        report = Describe(s);
        try {
            names.Close();
        } catch (const DatabaseError&) {
        }
        return s.outcome == RunOutcome::Failed ? 2 : 0;
    });
    ASSERT_EQ(child.exitCode, 2) << child.message;
    EXPECT_TRUE(child.message.find("full") != std::string::npos ||
                child.message.find("I/O") != std::string::npos ||
                child.message.find("disk") != std::string::npos)
        << child.message;
    EXPECT_EQ(ReadFile(folder.file("Positions.txt")), journalBefore)
        << "a failed run leaves the journal alone";
    EXPECT_EQ(IntegrityCheck(db), "ok");
    const auto after = ReadNames(db);
    for (const auto& row : before)
        EXPECT_NE(std::find(after.begin(), after.end(), row), after.end()) << "lost row " << row[0];
    // Some of the new players made it before the disk was full; every row is one the log named.
    EXPECT_GT(after.size(), before.size());
    EXPECT_LT(after.size(), before.size() + 4000);
    for (const auto& row : after)
        EXPECT_TRUE(row[0].rfind("Old", 0) == 0 || row[0].rfind("Many", 0) == 0) << row[0];
}

TEST(HostileSurroundings, DatabaseLockedByAnotherProgramFailsTheRunAndKeepsRows) {
    TempFolder folder;
    const std::string db = folder.file("IPLogging.mdb");
    const std::string log = folder.file("games.log");
    Seed(db, folder.path(), log);
    const auto before = ReadNames(db);
    const std::string journalBefore = ReadFile(folder.file("Positions.txt"));
    WriteFile(log, SmallGame(4, "Locked"));

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    NamesDatabase names;
    names.Open(db);
    ProcessingState state;
    TestHost host;
    PositionJournal journal(folder.path());
    const RunSummary s = ProcessLog(state, names, journal, host, log, StartPosition(1));
    ASSERT_EQ(s.outcome, RunOutcome::Failed);
    EXPECT_NE(s.failure->reason.find("locked"), std::string::npos) << s.failure->reason;
    EXPECT_EQ(ReadFile(folder.file("Positions.txt")), journalBefore);

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(ReadNames(db), before);
    // Once the other program lets go, the same run goes through.
    const RunSummary again = ProcessLog(state, names, journal, host, log, StartPosition(1));
    EXPECT_EQ(again.outcome, RunOutcome::Finished);
    names.Close();
    EXPECT_EQ(ReadNames(db).size(), before.size() + 4);
}

TEST(HostileSurroundings, LogWithoutReadPermissionFailsWithTheReason) {
    TempFolder folder;
    const std::string log = folder.file("games.log");
    WriteFile(log, SmallGame(2, "Hidden"));
    ::chmod(log.c_str(), 0);
    const ChildResult child =
        RunInChild({ChildLimits::Privileges::DropWhenRoot, std::nullopt}, [&](std::string& report) {
            NamesDatabase names;
            names.Open(":memory:");
            ProcessingState state;
            TestHost host;
            PositionJournal journal(folder.file("nowhere"));
            const RunSummary s = ProcessLog(state, names, journal, host, log, StartPosition(1));
            report = Describe(s);
            return s.outcome == RunOutcome::Failed ? 2 : 0;
        });
    ASSERT_NE(child.exitCode, 121) << "could not drop privileges";
    EXPECT_EQ(child.exitCode, 2) << child.message;
    EXPECT_NE(child.message.find("Permission denied"), std::string::npos) << child.message;
}

TEST(HostileSurroundings, FolderNamedLikeTheLogIsNoLog) {
    TempFolder folder;
    const std::string log = folder.file("games.log");
    std::filesystem::create_directory(log);
    NamesDatabase names;
    names.Open(":memory:");
    ProcessingState state;
    TestHost host;
    PositionJournal journal(folder.path());
    const RunSummary s = ProcessLog(state, names, journal, host, log, StartPosition(1));
    EXPECT_EQ(s.outcome, RunOutcome::FileMissing);
    EXPECT_EQ(host.text, status::FileMissing);
    EXPECT_FALSE(Exists(journal.journalPath()));
}

TEST(HostileSurroundings, FifoNamedLikeTheLogDoesNotHangTheRun) {
    TempFolder folder;
    const std::string log = folder.file("games.log");
    ASSERT_EQ(::mkfifo(log.c_str(), 0644), 0);
    // Run in a child with an alarm: a run that blocks on the pipe is killed and reported.
    const ChildResult child = RunInChild({}, [&](std::string& report) {
        ::alarm(5);
        NamesDatabase names;
        names.Open(":memory:");
        ProcessingState state;
        TestHost host;
        PositionJournal journal(folder.path());
        const RunSummary s = ProcessLog(state, names, journal, host, log, StartPosition(1));
        report = Describe(s);
        return s.outcome == RunOutcome::Failed ? 2 : (s.outcome == RunOutcome::FileMissing ? 1 : 0);
    });
    EXPECT_EQ(child.signal, 0) << "the run blocked on the pipe";
    EXPECT_EQ(child.exitCode, 2) << child.message;
    EXPECT_NE(child.message.find("not a regular file"), std::string::npos) << child.message;
    EXPECT_FALSE(Exists(folder.file("Positions.txt")));
}

} // namespace
} // namespace corvanth::hostile
