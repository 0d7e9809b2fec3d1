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
#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace corvanth;
using namespace corvanth::test;

namespace {

std::int64_t Journaled(const std::string& data, const std::string& log) {
    const auto lookup = PositionJournal(data).LastPosition(log);
    return lookup ? lookup->position : -1;
}

// corvanth-cli with its data folder `dir`, stdout and stderr going to `name`.out and `name`.err there.
pid_t StartIn(const TempFolder& dir, const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", dir.path()});
    return StartCli(args, dir.file(name + ".out"), dir.file(name + ".err"));
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
    std::string location() const { return host_ + " user=corvanth dbname=postgres"; }

private:
    std::string state_, host_; // host_: "host=FOLDER", the first word of the state file
};

} // namespace

TEST(FollowCli, AReaderSearchesThroughoutAndSigtermJournals) {
    TempFolder dir;
    const std::string log = dir.write("games.log", InitGame());
    CliProcess follower(StartIn(dir, "follow", {"follow", log, "--poll", "50"}));
    ASSERT_TRUE(WaitUntil(dir.path(), follower.pid, [&] { return Journaled(dir.path(), log) > 1; }));
    NamesDatabase reader;
    reader.Open(dir.file("IPLogging.mdb"));
    for (int i = 0; i < 200; ++i) {
        dir.append("games.log", Connect(i % 100, "P" + std::to_string(i), "10.0.0." + std::to_string(i)));
        Recordset rs = reader.OpenRecordset(CustomQuery("SELECT * FROM Names WHERE StrippedName LIKE 'p*'"));
        while (!rs.Eof())
            rs.MoveNext();
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(log));
    ASSERT_TRUE(WaitUntil(dir.path(), follower.pid, [&] { return Journaled(dir.path(), log) == size; }));
    EXPECT_EQ(reader.RowCount(), 200);
    const auto who = [&](const std::string& state) {
        return Count(RunCli({"--data-dir", dir.path(), "who", "--format", "csv"}).out, "," + state + ",");
    };
    EXPECT_EQ(who("playing"), 100u); // the last 100 connects hold the 100 slots
    kill(follower.pid, SIGTERM);
    EXPECT_EQ(follower.wait().exitCode, 0);
    EXPECT_EQ(
        dir.read("follow.out"),
        "Follow stopped: 201 lines, 1 game tracked, 200 visits recorded in 1 log, positions journaled\n");
    EXPECT_EQ(who("not followed"), 1u);
    // Started again, then killed: the slots stay; the next start reads on from its saved state.
    CliProcess again(StartIn(dir, "again", {"follow", log, "--poll", "50"}));
    ASSERT_TRUE(WaitUntil(dir.path(), again.pid, [&] { return who("playing") == 100; }));
    kill(again.pid, SIGKILL);
    EXPECT_EQ(again.wait().exitCode, -1);
    dir.append("games.log", "  9:00 ClientDisconnect: 7\n");
    EXPECT_EQ(who("playing"), 100u);
    CliProcess third(StartIn(dir, "third", {"follow", log, "--poll", "50"}));
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
    CliProcess follower(StartIn(dir, "follow", {"--database", server.location(), "follow", log}));
    ASSERT_TRUE(WaitUntil(dir.path(), follower.pid, journaledAll));
    server.control("down"); // a restart while the follower waits for lines
    server.control("up");
    dir.append("games.log", lines(60));
    ASSERT_TRUE(WaitUntil(dir.path(), follower.pid, journaledAll));
    server.control("down");
    dir.append("games.log", lines(60));
    ASSERT_TRUE(WaitUntil(dir.path(), follower.pid,
                          [&] { return Count(dir.read("follow.err"), "cannot be reached") > 0; }));
    dir.append("games.log", lines(60));
    server.control("up");
    kill(follower.pid, SIGHUP); // try again now rather than after the wait
    ASSERT_TRUE(WaitUntil(dir.path(), follower.pid, journaledAll));
    kill(follower.pid, SIGTERM);
    EXPECT_EQ(follower.wait().exitCode, 0);
    const std::string said = dir.read("follow.err");
    for (const char* event :
         {"and made again", "the database cannot be reached", "the database is reachable again"})
        EXPECT_EQ(Count(said, event), 1u) << event << ": " << said;
    EXPECT_EQ(Count(said, "\ncorvanth-cli follow: "), Count(said, "\n") - 1)
        << "one line per event: " << said;

    const TempFolder other; // the same bytes processed into an SQLite file
    EXPECT_EQ(RunCli({"--data-dir", other.path(), "process", log}).exitCode, 0);
    NamesDatabase followed;
    followed.Open(ParseDatabaseLocation(server.location(), {}));
    EXPECT_EQ(NamesTable(followed), NamesTable(other.file("IPLogging.mdb")));
    EXPECT_EQ(followed.RowCount(), 150);
    followed.Close();

    CliProcess quitter(
        StartIn(dir, "quitter", {"--database", server.location(), "follow", log, "--give-up", "0"}));
    ASSERT_TRUE(
        WaitUntil(dir.path(), quitter.pid, [&] { return Count(dir.read("quitter.err"), "following") > 0; }));
    server.control("down");
    dir.append("games.log", lines(1));
    EXPECT_EQ(quitter.wait().exitCode, 2);
    EXPECT_EQ(dir.read("quitter.out"),
              "Follow failed: 0 lines, 0 games tracked, 0 visits recorded in 1 log, positions journaled\n");
    EXPECT_NE(dir.read("quitter.err").find("unreachable for more than 0 s (--give-up)"), std::string::npos)
        << dir.read("quitter.err");
}
