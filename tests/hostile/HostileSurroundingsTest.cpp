// The run's surroundings turn hostile: a full disk, a database file locked by another program, a log
// that is no readable file. Each case ends with a clear reason, and nothing recorded before is lost.
#include "CliRunner.h"
#include "FakeRunHost.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "NamesTable.h"
#include "TempFolder.h"

#include <csignal>
#include <functional>
#include <optional>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace corvanth::test {
namespace {

// Runs `body` in a forked child and waits for it. The body fills its report (the result's `out`) and
// returns the child's exit code; the child may also die by a signal. When the tests run as root, a child that
// must meet permissions drops to "nobody"; a file size limit is a disk that is full for this process.
enum class Privileges { Keep, DropWhenRoot };
CliResult RunInChild(Privileges privileges, std::optional<rlim_t> fileSizeLimit,
                     const std::function<int(std::string& report)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        constexpr uid_t kNobody = 65534;
        if (privileges == Privileges::DropWhenRoot && ::geteuid() == 0)
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(121);
        if (fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail with EFBIG instead of killing
            const rlimit r{*fileSizeLimit, *fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(122);
        }
        std::string report;
        int code = 120;
        try {
            code = body(report);
        } catch (const std::exception& e) {
            report += std::string("exception: ") + e.what();
        }
        if (::write(fds[1], report.data(), report.size()) < 0) code = 123;
        ::_exit(code);
    }
    ::close(fds[1]);
    std::string report;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        report.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    const CliResult ended = CliProcess(pid).wait();
    return {ended.exitCode, ended.signal, report, {}};
}

std::string Game(int players, const std::string& prefix) {
    std::string text = InitGame();
    for (int i = 0; i < players; ++i)
        text += Connect(i % 100, prefix + std::to_string(i),
                        "10.2." + std::to_string(i / 250) + "." + std::to_string(i % 250));
    return text;
}

// A data folder with the rows and the journal of one finished run.
struct Seeded {
    Seeded() {
        dir.write("games.log", Game(3, "Old"));
        NamesDatabase db;
        db.Open(database);
        run(db);
    }
    RunSummary run(NamesDatabase& db) { return RunFromStart(db, dir.path(), log, EveryLine()); }
    TempFolder dir;
    const std::string database = dir.file("IPLogging.mdb"), log = dir.file("games.log");
};

TEST(HostileSurroundings, AFullDiskEndsTheRunAndKeepsCommittedRows) {
    Seeded data;
    const std::string before = NamesTable(data.database), journal = data.dir.read("Positions.txt");
    std::string big;
    for (int g = 0; g < 40; ++g)
        big += Game(100, "Many" + std::to_string(g) + "_");
    data.dir.write("games.log", big);
    const auto limit = static_cast<rlim_t>(std::filesystem::file_size(data.database)) + 64 * 1024;
    const CliResult child = RunInChild(Privileges::Keep, limit, [&](std::string& report) {
        NamesDatabase db;
        db.Open(data.database);
        db.SetCommitInterval(std::chrono::milliseconds(0));
        const RunSummary s = data.run(db);
        if (s.failure) report = s.failure->reason;
        return s.outcome == RunOutcome::Failed ? 2 : 0;
    });
    ASSERT_EQ(child.exitCode, 2) << child.out;
    EXPECT_NE(child.out.find("disk I/O error"), std::string::npos) << child.out;
    EXPECT_EQ(data.dir.read("Positions.txt"), journal) << "a failed run leaves the journal alone";
    EXPECT_EQ(IntegrityCheck(data.database), "ok");
    const std::string after = NamesTable(data.database);
    EXPECT_EQ(after.substr(after.find("Old")), before) << "the old rows sort after the new ones";
    EXPECT_GT(after.size(), before.size()) << "some new players made it before the disk was full";
}

TEST(HostileSurroundings, ADatabaseLockedByAnotherProgramFailsTheRunUntilItLetsGo) {
    Seeded data;
    const std::string before = NamesTable(data.database), journal = data.dir.read("Positions.txt");
    data.dir.write("games.log", Game(4, "Locked"));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(data.database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    NamesDatabase db;
    db.SetBusyTimeout(std::chrono::milliseconds(0)); // the lock is held until the test lets go: fail at once
    db.Open(data.database);
    const RunSummary locked = data.run(db);
    ASSERT_EQ(locked.outcome, RunOutcome::Failed);
    EXPECT_NE(locked.failure->reason.find("locked"), std::string::npos) << locked.failure->reason;
    EXPECT_EQ(data.dir.read("Positions.txt"), journal);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(NamesTable(data.database), before);
    EXPECT_EQ(data.run(db).outcome, RunOutcome::Finished);
}

// A folder, a pipe and a file it may not read, each named like the log.
TEST(HostileSurroundings, ALogThatIsNoReadableFileIsNamedAsSuch) {
    enum class Kind { Folder, Fifo, Unreadable };
    const struct {
        Kind kind;
        RunOutcome outcome;
        const char* reason;
    } cases[] = {{Kind::Folder, RunOutcome::FileMissing, ""},
                 {Kind::Fifo, RunOutcome::Failed, "not a regular file"},
                 {Kind::Unreadable, RunOutcome::Failed, "Permission denied"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        TempFolder dir;
        const std::string log = dir.file("games.log");
        if (c.kind == Kind::Folder) std::filesystem::create_directory(log);
        if (c.kind == Kind::Fifo) {
            ASSERT_EQ(::mkfifo(log.c_str(), 0644), 0);
        }
        if (c.kind == Kind::Unreadable) ::chmod(dir.write("games.log", Game(2, "Hidden")).c_str(), 0);
        // In a child with an alarm: a run that blocked on the pipe would be killed.
        const CliResult child = RunInChild(Privileges::DropWhenRoot, std::nullopt, [&](std::string& report) {
            ::alarm(20);
            NamesDatabase db;
            db.Open(":memory:");
            const RunSummary s = RunFromStart(db, dir.file("nowhere"), log);
            report = s.failure ? s.failure->reason : "";
            return static_cast<int>(s.outcome);
        });
        ASSERT_EQ(child.signal, 0);
        EXPECT_EQ(child.exitCode, static_cast<int>(c.outcome)) << child.out;
        EXPECT_NE(child.out.find(c.reason), std::string::npos) << child.out;
        EXPECT_FALSE(dir.exists("nowhere"));
    }
}

} // namespace
} // namespace corvanth::test
