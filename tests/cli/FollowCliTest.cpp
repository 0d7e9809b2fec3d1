// corvanth-cli follow as a process: searched from another connection while it writes, stopped with
// SIGTERM, and writing to a PostgreSQL server that restarts and goes away. Every wait is on an event (a
// file of the test's folder changing, the follower ending); no outcome depends on how fast the machine is.
// (Rotation, restarts and kills of the follower: LogFollowerTest.)
#include "ChangeWait.h"
#include "CliRunner.h"
#include "DatabaseLocation.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "NamesTable.h"
#include "PgConnection.h"
#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using namespace corvanth;
using namespace corvanth::test;

namespace {

std::int64_t Journaled(const std::string& data, const std::string& log) {
    const auto lookup = PositionJournal(data).LastPosition(log);
    return lookup ? lookup->position : -1;
}

// A corvanth-cli started by the test, killed and reaped should the test end before it does.
struct Child {
    pid_t pid = -1;
    explicit Child(pid_t started) : pid(started) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
    }
    int exitCode() {
        int status = 0;
        waitpid(std::exchange(pid, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

// Starts corvanth-cli with its data folder `dir`, stdout and stderr going to `name`.out and `name`.err there.
pid_t StartCli(const TempFolder& dir, const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> all{CORVANTH_CLI, "--data-dir", dir.path()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(dir.file(name + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(dir.file(name + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execv(CORVANTH_CLI, argv.data());
        _exit(127);
    }
    return pid;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A PostgreSQL server of the test's own (tests/support/pg-server), which it shuts down and starts again.
class OwnPgServer {
public:
    explicit OwnPgServer(const TempFolder& dir) : state_(dir.file("pg")) {
        control("start");
        std::ifstream(state_) >> host_;
    }
    ~OwnPgServer() { control("stop"); }
    OwnPgServer(const OwnPgServer&) = delete;
    OwnPgServer& operator=(const OwnPgServer&) = delete;

    void control(const std::string& action) const {
        const std::string command =
            std::string(CORVANTH_PG_SERVER) + " " + action + " " + state_ + " >/dev/null";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("pg-server " + action + " failed");
    }
    std::string location(const std::string& database) const {
        return host_ + " user=corvanth dbname=" + database;
    }

private:
    std::string state_, host_; // host_: "host=FOLDER", the first word of the state file
};

} // namespace

TEST(FollowCli, AReaderSearchesThroughoutAndSigtermJournals) {
    TempFolder dir;
    const std::string log = dir.write("games.log", InitGame());
    Child follower(StartCli(dir, "follow", {"follow", log, "--poll", "50"}));
    const pid_t pid = follower.pid;
    ASSERT_TRUE(WaitUntil(dir.path(), pid, [&] { return Journaled(dir.path(), log) > 1; }));
    NamesDatabase reader;
    reader.Open(dir.file("IPLogging.mdb"));
    for (int i = 0; i < 200; ++i) {
        dir.append("games.log", Connect(i % 100, "P" + std::to_string(i), "10.0.0." + std::to_string(i)));
        Recordset rs = reader.OpenRecordset(CustomQuery("SELECT * FROM Names WHERE StrippedName LIKE 'p*'"));
        while (!rs.Eof())
            rs.MoveNext();
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(log));
    ASSERT_TRUE(WaitUntil(dir.path(), pid, [&] { return Journaled(dir.path(), log) == size; }));
    EXPECT_EQ(reader.RowCount(), 200);
    const auto who = [&](const std::string& state) {
        return Count(RunCli({"--data-dir", dir.path(), "who", "--format", "csv"}).out, "," + state + ",");
    };
    EXPECT_EQ(who("playing"), 100u); // the last 100 connects hold the 100 slots
    kill(pid, SIGTERM);
    EXPECT_EQ(follower.exitCode(), 0);
    EXPECT_EQ(
        dir.read("follow.out"),
        "Follow stopped: 201 lines, 1 game tracked, 200 visits recorded in 1 log, positions journaled\n");
    EXPECT_EQ(who("not followed"), 1u);
    // Started again, then killed: the slots stay; the next start reads on from its saved state.
    Child again(StartCli(dir, "again", {"follow", log, "--poll", "50"}));
    ASSERT_TRUE(WaitUntil(dir.path(), again.pid, [&] { return who("playing") == 100; }));
    kill(again.pid, SIGKILL);
    EXPECT_EQ(again.exitCode(), -1);
    dir.append("games.log", "  9:00 ClientDisconnect: 7\n");
    EXPECT_EQ(who("playing"), 100u);
    Child third(StartCli(dir, "third", {"follow", log, "--poll", "50"}));
    ASSERT_TRUE(WaitUntil(dir.path(), third.pid, [&] { return who("playing") == 99; }));
}

// The server restarts while the follower is idle, then stays down while lines arrive: the follower
// says so once, says once that it is back, and ends with the table a plain `process` of the same bytes
// makes. With --give-up 0 a server that is down ends the follower.
TEST(FollowCli, APostgresServerThatRestartsOrGoesAwayLosesNothing) {
    TempFolder dir;
    const OwnPgServer server(dir);
    int next = 0;
    const auto lines = [&next](int count) {
        std::string text;
        char date[32];
        for (int end = next + count; next < end; ++next) {
            std::snprintf(date, sizeof date, "01/02/2026 10:%02d:%02d", next / 60, next % 60);
            text += Connect(next % 64, "P" + std::to_string(next % 150),
                            "10.1.0." + std::to_string(next % 150 % 7), date);
        }
        return text;
    };
    const std::string log = dir.write("games.log", InitGame() + lines(60));
    const auto journaledAll = [&] {
        return Journaled(dir.path(), log) == static_cast<std::int64_t>(std::filesystem::file_size(log));
    };
    Child follower(StartCli(dir, "follow", {"--database", server.location("postgres"), "follow", log}));
    const pid_t pid = follower.pid;
    ASSERT_TRUE(WaitUntil(dir.path(), pid, journaledAll));
    server.control("down"); // a restart while the follower waits for lines
    server.control("up");
    dir.append("games.log", lines(60));
    ASSERT_TRUE(WaitUntil(dir.path(), pid, journaledAll));
    server.control("down");
    dir.append("games.log", lines(60));
    ASSERT_TRUE(
        WaitUntil(dir.path(), pid, [&] { return Count(dir.read("follow.err"), "cannot be reached") > 0; }));
    dir.append("games.log", lines(60));
    server.control("up");
    kill(pid, SIGHUP); // try again now rather than after the wait
    ASSERT_TRUE(WaitUntil(dir.path(), pid, journaledAll));
    kill(pid, SIGTERM);
    EXPECT_EQ(follower.exitCode(), 0);
    const std::string said = dir.read("follow.err");
    EXPECT_EQ(Count(said, "and made again"), 1u) << said;
    EXPECT_EQ(Count(said, "the database cannot be reached"), 1u) << said;
    EXPECT_EQ(Count(said, "the database is reachable again"), 1u) << said;
    EXPECT_EQ(Count(said, "\ncorvanth-cli follow: "), Count(said, "\n") - 1)
        << "one line per event: " << said;

    PgConnection(server.location("postgres")).Exec("CREATE DATABASE processed", "test server");
    const TempFolder other;
    EXPECT_EQ(RunCli({"--data-dir", other.path(), "--database", server.location("processed"), "process", log})
                  .exitCode,
              0);
    NamesDatabase followed, processed;
    followed.Open(ParseDatabaseLocation(server.location("postgres"), {}));
    processed.Open(ParseDatabaseLocation(server.location("processed"), {}));
    EXPECT_EQ(NamesTable(followed), NamesTable(processed));
    EXPECT_EQ(processed.RowCount(), 150);
    followed.Close();
    processed.Close();

    Child quitter(StartCli(dir, "quitter",
                           {"--database", server.location("postgres"), "follow", log, "--give-up", "0"}));
    ASSERT_TRUE(
        WaitUntil(dir.path(), quitter.pid, [&] { return Count(dir.read("quitter.err"), "following") > 0; }));
    server.control("down");
    dir.append("games.log", lines(1));
    EXPECT_EQ(quitter.exitCode(), 2);
    EXPECT_EQ(dir.read("quitter.out"),
              "Follow failed: 0 lines, 0 games tracked, 0 visits recorded in 1 log, positions journaled\n");
    EXPECT_NE(dir.read("quitter.err").find("unreachable for more than 0 s (--give-up)"), std::string::npos)
        << dir.read("quitter.err");
}
