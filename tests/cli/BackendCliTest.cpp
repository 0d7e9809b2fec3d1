#include "CliRunner.h"
#include "LogLines.h"
#include "PgTestDatabase.h"
#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

using namespace corvanth::test;

namespace {

// Every row as CSV lines, sorted (rows of one name are listed in the order the database gives them).
std::vector<std::string> Table(const TempFolder& dir, const std::string& location) {
    const CliResult r =
        RunCli({"--data-dir", dir.path(), "--database", location, "search", "name", "*", "--format", "csv"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = r.out.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(r.out.substr(start, end - start));
    std::sort(lines.begin(), lines.end());
    return lines;
}

// SQLite files into one PostgreSQL database and back: pairs merge as a run would.
TEST(CliCopy, FilesIntoPostgresAndBackMergePairs) {
    TempFolder dir;
    PgTestDatabase server;
    const std::string a =
        dir.write("a.log", InitGame() + Connect(1, "Ace", "1.1.1.1", "2004-01-01 10:00") +
                               Connect(2, "Bob", "2.2.2.2", "2004-01-05 10:00") + Referee("Bob"));
    const std::string b = dir.write("b.log", InitGame() + Connect(1, "ACE", "1.1.1.1", "2004-02-01 10:00") +
                                                 Connect(2, "Bob", "2.2.2.2", "2004-01-03 10:00") +
                                                 Connect(3, "Cid", "3.3.3.3", "2004-01-01 10:00"));
    for (const auto& [log, file] : {std::pair{a, "a.db"}, std::pair{b, "b.db"}}) {
        const CliResult r = RunCli({"--data-dir", dir.path(), "--database", dir.file(file), "process", log});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string sqliteBack = "sqlite:" + dir.file("back.db");
    for (const auto& [from, to] : {std::pair{"sqlite:" + dir.file("a.db"), server.location()},
                                   std::pair{"sqlite:" + dir.file("b.db"), server.location()},
                                   std::pair{server.location(), sqliteBack}}) {
        const CliResult r = RunCli({"--data-dir", dir.path(), "copy", "--from", from, "--to", to});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Copied"), std::string::npos) << r.out;
    }
    const std::vector<std::string> merged{
        "Ace,Ace,1.1.1.1,2004-02-01 10:00,False", "Bob,Bob,2.2.2.2,2004-01-05 10:00,True",
        "Cid,Cid,3.3.3.3,2004-01-01 10:00,False", "Name,StripName,IP,Last Connection,Referee"};
    EXPECT_EQ(Table(dir, server.location()), merged);
    EXPECT_EQ(Table(dir, sqliteBack), merged);
}

// Four runs on four logs into one PostgreSQL database at once, while a fifth program searches until they
// are done: the table is the one the four runs leave one after another (the later LastVisit of each
// pair, whatever the order), with no pair twice and no failed search.
TEST(CliConcurrency, FourRunsIntoOneServerAtOnceEqualTheSameRunsOneAfterAnother) {
    TempFolder dir;
    PgTestDatabase server;
    std::vector<std::string> logs;
    for (int k = 0; k < 4; ++k) {
        std::string text = InitGame();
        for (int i = 0; i < 12000; ++i) {
            const int player = (i * 7 + k * 13) % 150;
            const std::string name = "P" + std::to_string(player);
            const std::string ip = "10." + std::to_string(k % 2) + ".0." + std::to_string(player % 40);
            char date[32];
            std::snprintf(date, sizeof date, "2004-01-%02d %02d:%02d", 1 + i / 500, (i / 60) % 24,
                          (i + k) % 60);
            text += Connect(1 + i % 16, name, ip, date);
            if (player % 25 == k) text += Referee(name);
        }
        logs.push_back(dir.write("game" + std::to_string(k) + ".log", text));
    }
    std::vector<std::future<CliResult>> writers;
    for (const auto& log : logs)
        writers.push_back(std::async(std::launch::async, [&, log] {
            return RunCli({"--data-dir", dir.path(), "--database", server.location(), "process", log});
        }));
    bool done = false;
    while (!done) {
        done = true;
        for (auto& w : writers)
            done = done && w.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        const CliResult s =
            RunCli({"--data-dir", dir.path(), "--database", server.location(), "search", "ip", "10.*"});
        EXPECT_EQ(s.exitCode, 0) << s.err;
    }
    for (auto& w : writers) {
        const CliResult r = w.get();
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }

    // The same logs one after another into a database of their own: one writer at a time.
    PgTestDatabase alone;
    for (const auto& log : logs) {
        TempFolder own;
        ASSERT_EQ(RunCli({"--data-dir", own.path(), "--database", alone.location(), "process", log}).exitCode,
                  0);
    }
    const std::vector<std::string> expected = Table(dir, alone.location());
    EXPECT_EQ(expected.size(), 301u); // 300 pairs and the header
    EXPECT_EQ(Table(dir, server.location()), expected);
    const CliResult self = RunCli({"--data-dir", dir.path(), "copy", "--from", server.location(), "--to",
                                   server.location() + " application_name=again"});
    EXPECT_EQ(self.exitCode, 65);
    EXPECT_NE(self.err.find("the same database"), std::string::npos) << self.err;
    const CliResult twice = RunCli({"--data-dir", dir.path(), "--database", server.location(), "query",
                                    "SELECT PlayerName, IP FROM Names GROUP BY corvanth_fold(PlayerName), "
                                    "corvanth_fold(IP), PlayerName, IP HAVING count(*) > 1",
                                    "--format", "csv"});
    EXPECT_EQ(twice.exitCode, 0) << twice.err;
    EXPECT_EQ(twice.out, "Name,StripName,IP,Last Connection,Referee\r\n");
}

// A line whose visit the server refuses (for a check the test adds to the table) ends `process` and
// `follow` at that line, named by its byte position and text, though the refusal is found only when its
// batch (of thousands of rows) is written; every visit of an earlier line is stored and the journal does
// not pass the line (later lines are stored as far as the run got before the refusal was found, and
// read again by the next run).
TEST(CliRefusal, ARefusedVisitIsReportedByItsOwnLine) {
    for (const std::string command : {"process", "follow"}) {
        SCOPED_TRACE(command);
        TempFolder dir;
        PgTestDatabase server;
        std::string text = InitGame();
        std::int64_t at = 0;
        for (int i = 0; i < 12000; ++i) {
            if (i == 3000) {
                at = static_cast<std::int64_t>(text.size()) + 1;
                text += Connect(3, "Refused", "10.0.0.3");
            }
            text += Connect(1 + i % 16, "P" + std::to_string(i), "10.0.0.1");
        }
        const std::string log = dir.write("games.log", text);
        ASSERT_EQ(RunCli({"--data-dir", dir.path(), "--database", server.location(), "search", "name", "x"})
                      .exitCode,
                  0);
        server.Exec("ALTER TABLE Names ADD CHECK (PlayerName <> 'Refused')");
        const CliResult r = RunCli({"--data-dir", dir.path(), "--database", server.location(), command, log});
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("at byte " + std::to_string(at) + ":"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("ClientConnect: 3, name: Refused"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("\"P"), std::string::npos) << r.err; // no other row of the batch
        const std::vector<std::string> table = Table(dir, server.location());
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(
                std::binary_search(table.begin(), table.end(),
                                   "P" + std::to_string(i) + ",P" + std::to_string(i) + ",10.0.0.1,d,False"))
                << "P" << i;
        EXPECT_LT(corvanth::PositionJournal(dir.path()).LastPosition(log)->position, at) << r.err;
    }
}

} // namespace
