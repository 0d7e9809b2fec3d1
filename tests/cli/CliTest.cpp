// The command-line program itself: exit codes, argument errors and output formats.
#include "CliRunHost.h"
#include "CliRunner.h"
#include "ExitStatus.h"
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
    // A file no one may read, root included: a write-only kernel setting.
    const std::string unreadable = "/proc/sys/vm/drop_caches";
    const struct {
        std::vector<std::string> args;
        int code;
        std::string text; // in stdout or stderr; a help text starts with it
    } cases[] = {
        {{"--help"}, 0, "Usage: corvanth-cli [--data-dir DIR]"},
        {{"process", "--help"}, 0, "Usage: corvanth-cli process LOG [--start POS]\n"},
        {{"search", "-h"}, 0, "Usage: corvanth-cli search name PATTERN"},
        {{"clear", "--help"}, 0, "Usage: corvanth-cli clear --yes\n"},
        {{}, 64, "Usage:"},
        {{"frobnicate"}, 64, "unknown command"},
        {{"--data-dir"}, 64, "Missing value after '--data-dir'"},
        {{"process"}, 64, "corvanth-cli process: expected LOG (see --help)"},
        {{"follow"}, 64, "corvanth-cli follow: expected LOG [LOG...] (see --help)"},
        {{"process", "a.log", "--start", "abc"}, 64, "is not a number"},
        {{"process", "a.log", "--start", "0"}, 64, "before the first byte"},
        {{"clear"}, 64, "--yes"},
        {{"search", "name", "x", "--broad"}, 64, "--broad widens --aliases or --cluster; give one of them"},
        {{"search", "name", "x", "--same-name"}, 64, "--same-name widens --cluster; give both"},
        {{"search", "name", "x", "--depth", "2"}, 64, "--depth limits --cluster; give both"},
        {{"search", "ip", "1.2.3.4", "--aliases"}, 64, "lists no aliases"},
        {{"search", "date", "x"}, 64, "expected \"name PATTERN\""},
        {{"search", "name", ""}, 64, "the pattern is empty"},
        {{"search", "name", "x", "--format", "xml"}, 64, "unknown format"},
        {{"search", "name", "x", "--cluster", "--depth", "-1"}, 64, "0 or more"},
        {{"search", "name", "x", "--cluster", "--aliases"}, 64, "give one"},
        {{"process", dir.file("none.log")}, 1, "does not exist"},
        {{"process", dir.path()}, 1, "corvanth-cli process: " + dir.path() + " is a directory"},
        {{"follow", unreadable}, 2, "corvanth-cli follow: " + unreadable + ": cannot open the log"},
        {{"query", "/**/DROP TABLE Names"}, 65, "custom SQL only reads the database"},
        // The query made the data folder's file; a copy reads a database that exists and is not the target.
        {{"copy", "--from", dir.file("none.db"), "--to", dir.file("made.db")}, 65, "does not exist"},
        {{"copy", "--from", "sqlite:", "--to", dir.path() + "/./IPLogging.mdb"}, 65, "the same database"},
        {{"--database", "postgresql://nobody:hunter2@/corvanth?host=/nonexistent", "refs"}, 65, "~/.pgpass"},
    };
    for (const auto& c : cases) {
        const CliResult r = cli(c.args);
        const std::string trace = testing::PrintToString(c.args) + r.err;
        EXPECT_EQ(r.exitCode, c.code) << trace;
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << trace;
        if (c.text.starts_with("Usage: corvanth-cli ")) {
            EXPECT_TRUE(r.out.starts_with(c.text)) << r.out;
        }
        EXPECT_EQ((r.out + r.err).find("--help-all"), std::string::npos) << trace;
    }
    EXPECT_FALSE(dir.exists("Positions.txt"));
    EXPECT_FALSE(dir.exists("none.db"));
    EXPECT_FALSE(dir.exists("made.db"));
}

// Each command's help lists the exit statuses it gives, with their meanings; the program's lists them all.
TEST_F(Cli, HelpListsTheExitStatuses) {
    const struct {
        std::vector<std::string> args;
        std::vector<int> codes;
    } cases[] = {{{"--help"}, {0, 1, 2, 64, 65}},
                 {{"process", "--help"}, {0, 1, 2, 64, 65}},
                 {{"follow", "--help"}, {0, 2, 64, 65}},
                 {{"query", "--help"}, {0, 64, 65}}};
    for (const auto& c : cases) {
        const std::string out = cli(c.args).out;
        const auto section = out.find("Exit status:\n");
        ASSERT_NE(section, std::string::npos) << out;
        std::string listed;
        for (const ExitStatusMeaning& status : kExitStatuses) {
            const std::string code = std::to_string(static_cast<int>(status.code));
            if (out.find("\n  " + code + std::string(4 - code.size(), ' ') + std::string(status.meaning) +
                             "\n",
                         section) != std::string::npos)
                listed += code + " ";
        }
        std::string expected;
        for (const int code : c.codes)
            expected += std::to_string(code) + " ";
        EXPECT_EQ(listed, expected) << testing::PrintToString(c.args);
    }
}

TEST_F(Cli, ProcessThenContinueFromTheJournal) {
    const std::string first =
        InitGame() + Connect(1, "Ace", "10.0.0.1:27960") + Connect(2, "O'Neil", "10.0.0.2");
    const std::string log = dir.write("games.log", first);
    CliResult r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string size = std::to_string(first.size());
    EXPECT_EQ(r.out, "Process Finished: " + size +
                         " bytes from byte 1, 3 lines, 1 game tracked, 2 visits recorded, 0 referee "
                         "logins, position " +
                         size + " journaled\n");
    EXPECT_EQ(cli({"position", log}).out, size + "\n");
    // The next run reads only what was appended, from the LF it stopped at.
    dir.append("games.log",
               std::string((1 << 20) + 1, 'y') + "\n" + InitGame() + Connect(3, "Late", "10.0.0.3"));
    r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" bytes from byte " + size +
                         ", 2 lines, 1 game tracked, 1 visits recorded, 0 referee logins, 1 "
                         "overlong lines skipped, position"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(rows(), 3);
    r = cli({"clear", "--yes"});
    EXPECT_EQ(r.out, "Deleted 3 rows\n");
    EXPECT_EQ(rows(), 0);
}

// A stock Quake 3 server's log (ioquake3) names no \\wfversion\\: nothing is recorded, and the summary says
// why.
TEST_F(Cli, AStockQuake3LogSaysWhyNothingIsRecorded) {
    const std::string log = dir.write(
        "games.log",
        "  0:00 ------------------------------------------------------------\n"
        "  0:00 InitGame: \\sv_hostname\\noname\\g_gametype\\0\\sv_maxclients\\8\\version\\ioq3 1.36 "
        "linux-x86_64\\protocol\\68\\mapname\\q3dm17\\gamename\\baseq3\n"
        "  0:05 ClientConnect: 0\n"
        "  0:05 ClientUserinfoChanged: 0 n\\Visor\\t\\0\\model\\visor/gorre\\hmodel\\visor/gorre\n"
        "  0:05 ClientBegin: 0\n");
    const CliResult r = cli({"process", log});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find(", 5 lines, 0 games tracked, 0 visits recorded,"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "corvanth-cli process: no tracked game: the log has no InitGame line with \\wfversion\\ "
                     "2.8 or later, nor an Urban Terror game\n");
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

// (The rows and the journal a failed run leaves: ProcessLogTest.)
TEST_F(Cli, AFailureNamesItsLine) {
    const std::string good = InitGame() + Connect(1, "Kept", "1.1.1.1");
    const std::string bad = "  0:06 ClientConnect: abc, name: Bad, ip: 2.2.2.2 DATE: d";
    const std::string log = dir.write("games.log", good + bad + "\n" + Connect(2, "Never", "3.3.3.3"));
    const CliResult r = cli({"process", log});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "corvanth-cli process: the run failed at byte " + std::to_string(good.size() + 1) +
                         ": client number \"abc\" is not a number\n  line: " + bad +
                         "\n  rows written before the failure are kept; the journal was not updated\n");
}

// --data-dir, then CORVANTH_DATA_DIR; --database, then CORVANTH_DATABASE, then the file in the data
// folder; a PostgreSQL server that cannot be reached is a clear failure that creates no file, journals
// nothing and does not repeat the password (which only the environment may hold).
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
            EXPECT_EQ(r.out, "");
            EXPECT_FALSE(dir.exists("Positions.txt")); // the run that read the log journals nothing
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
