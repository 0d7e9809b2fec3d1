// The command-line program itself: exit codes, argument errors and output formats.
#include "CliRunHost.h"
#include "CliRunner.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace corvanth;
using namespace corvanth::test;

namespace {

class Cli : public ::testing::Test {
protected:
    TempFolder dir;
    CliResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", dir.path()});
        return RunCli(args);
    }
    std::int64_t rows(const std::string& file = "IPLogging.mdb") {
        NamesDatabase db;
        db.Open(dir.file(file));
        return db.RowCount();
    }
};

} // namespace

TEST_F(Cli, HelpUsageErrorsAndAMissingLog) {
    const struct {
        std::vector<std::string> args;
        int code;
        const char* text;
    } cases[] = {
        {{"--help"}, 0, "process LOG [--start POS]"},
        {{"process", "--help"}, 0, "--start <POS>"},
        {{"clear", "--help"}, 0, "--yes"},
        {{}, 64, "Usage:"},
        {{"frobnicate"}, 64, "unknown command"},
        {{"process"}, 64, "expected one LOG"},
        {{"process", "a.log", "--start", "abc"}, 64, "is not a number"},
        {{"process", "a.log", "--start", "0"}, 64, "before the first byte"},
        {{"clear"}, 64, "--yes"},
        {{"search", "name", "x", "--broad"}, 64, "give both"},
        {{"search", "ip", "1.2.3.4", "--aliases"}, 64, "lists no aliases"},
        {{"search", "date", "x"}, 64, "expected \"name PATTERN\""},
        {{"search", "name", ""}, 64, "the pattern is empty"},
        {{"search", "name", "x", "--format", "xml"}, 64, "unknown format"},
        {{"search", "name", "x", "--cluster", "--depth", "-1"}, 64, "0 or more"},
        {{"search", "name", "x", "--cluster", "--aliases"}, 64, "Unknown option"},
        {{"process", dir.file("none.log")}, 1, "does not exist"},
        {{"query", "/**/DROP TABLE Names"}, 65, "custom SQL only reads the database"},
        // The query made the data folder's file; a copy reads a database that exists and is not the target.
        {{"copy", "--from", dir.file("none.db"), "--to", dir.file("made.db")}, 65, "does not exist"},
        {{"copy", "--from", "sqlite:", "--to", dir.path() + "/./IPLogging.mdb"}, 65, "the same database"},
        {{"--database", "postgresql://nobody:hunter2@/corvanth?host=/nonexistent", "refs"}, 65, "~/.pgpass"},
    };
    for (const auto& c : cases) {
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.code) << testing::PrintToString(c.args) << r.err;
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << testing::PrintToString(c.args) << r.err;
    }
    EXPECT_FALSE(dir.exists("Positions.txt"));
    EXPECT_FALSE(dir.exists("none.db"));
    EXPECT_FALSE(dir.exists("made.db"));
}

TEST_F(Cli, ProcessThenContinueFromTheJournal) {
    const std::string first =
        InitGame() + Connect(1, "Ace", "10.0.0.1:27960") + Connect(2, "O'Neil", "10.0.0.2");
    const std::string log = dir.write("games.log", first);
    CliResult r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string size = std::to_string(first.size());
    EXPECT_EQ(r.out, "Process Finished: " + size +
                         " bytes from byte 1, 3 lines, 2 visits recorded, 0 referee "
                         "logins, position " +
                         size + " journaled\n");
    EXPECT_EQ(cli({"position", log}).out, size + "\n");
    // The next run reads only what was appended, from the LF it stopped at.
    dir.append("games.log",
               std::string((1 << 20) + 1, 'y') + "\n" + InitGame() + Connect(3, "Late", "10.0.0.3"));
    r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" bytes from byte " + size +
                         ", 2 lines, 1 visits recorded, 0 referee logins, 1 "
                         "overlong lines skipped, position"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(rows(), 3);
    r = cli({"clear", "--yes"});
    EXPECT_EQ(r.out, "Deleted 3 rows\n");
    EXPECT_EQ(rows(), 0);
}

TEST_F(Cli, AJournalThatCannotBeReadStopsTheRunBeforeItStarts) {
    const std::string log = dir.write("games.log", InitGame());
    std::filesystem::create_directory(dir.file("Positions.txt"));
    for (const std::string command : {"process", "position"}) {
        const CliResult r = cli({command, log});
        EXPECT_EQ(r.exitCode, 65) << command;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(r.err, "corvanth-cli " + command + ": cannot read " + dir.file("Positions.txt") +
                             ": Is a directory\n");
    }
    EXPECT_FALSE(dir.exists("IPLogging.mdb"));
}

TEST_F(Cli, AFailureNamesTheLineAndKeepsTheRows) {
    const std::string good = InitGame() + Connect(1, "Kept", "1.1.1.1");
    const std::string bad = "  0:06 ClientConnect: abc, name: Bad, ip: 2.2.2.2 DATE: d";
    const std::string log = dir.write("games.log", good + bad + "\n" + Connect(2, "Never", "3.3.3.3"));
    const CliResult r = cli({"process", log});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "corvanth-cli process: the run failed at byte " + std::to_string(good.size() + 1) +
                         ": client number \"abc\" is not a number\n  line: " + bad +
                         "\n  rows written before the failure are kept; the journal was not updated\n");
    EXPECT_EQ(rows(), 1);
    EXPECT_FALSE(dir.exists("Positions.txt"));
}

// --data-dir, then CORVANTH_DATA_DIR; --database, then CORVANTH_DATABASE, then the file in the data
// folder; a PostgreSQL server that cannot be reached is a clear failure that creates no file and does
// not repeat the password (which only the environment may hold).
TEST_F(Cli, DataFolderAndDatabaseFromTheOptionOrTheEnvironment) {
    const std::string log = dir.write("games.log", InitGame() + Connect(1, "Ace", "10.0.0.1"));
    TempFolder other;
    ASSERT_EQ(RunCli({"process", log}, {"CORVANTH_DATA_DIR=" + other.path()}).exitCode, 0);
    EXPECT_TRUE(other.exists("IPLogging.mdb"));
    EXPECT_TRUE(other.exists("Positions.txt"));
    const struct {
        std::vector<std::string> options, env;
        std::string file; // the database the run wrote, empty when none
    } cases[] = {
        {{"--database=sqlite:" + dir.file("option.db")},
         {"CORVANTH_DATABASE=sqlite:" + dir.file("env.db")},
         "option.db"},
        {{}, {"CORVANTH_DATABASE=sqlite:" + dir.file("env.db")}, "env.db"},
        {{}, {"CORVANTH_DATABASE="}, "IPLogging.mdb"},
        {{}, {"CORVANTH_DATABASE=postgresql://nobody:hunter2@/corvanth?host=/nonexistent"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        for (const char* f : {"option.db", "env.db", "IPLogging.mdb", "Positions.txt"})
            std::filesystem::remove(dir.file(f));
        std::vector<std::string> args{"--data-dir", dir.path()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"process", log});
        const CliResult r = RunCli(args, c.env);
        EXPECT_EQ(r.exitCode, c.file.empty() ? 65 : 0) << r.err;
        for (const char* f : {"option.db", "env.db", "IPLogging.mdb"})
            EXPECT_EQ(dir.exists(f), c.file == f) << f;
        if (c.file.empty()) {
            EXPECT_NE(r.err.find("cannot connect to the PostgreSQL server"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("hunter2"), std::string::npos) << r.err;
        } else
            EXPECT_EQ(rows(c.file), 1);
    }
}

// Ctrl-C reaches the run as a stop request at its next hand-over; the test raises it itself, at a point
// it chooses. (Where a stop ends the run and what it journals: ProcessLogTest.)
TEST(CliRunHost, CtrlCStopsTheRunAtItsNextHandOver) {
    ProcessingState state;
    state.Processing = true;
    CliRunHost host(state, 0, ProgressDisplay::None);
    host.pumpEvents();
    EXPECT_TRUE(state.Processing);
    ASSERT_EQ(std::raise(SIGINT), 0); // held for the host until it looks
    EXPECT_TRUE(state.Processing);
    host.pumpEvents();
    EXPECT_FALSE(state.Processing);
    EXPECT_TRUE(host.interrupted());
}
