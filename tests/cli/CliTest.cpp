#include "../engine/TempFolder.h"
#include "CliRunner.h"
#include "NamesDatabase.h"
#include "PositionJournal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace corvanth;
using namespace corvanth::test;

namespace {

const std::string kInit = "  0:00 InitGame: \\wfversion\\2.8\\x\n";

std::string Connect(int client, const std::string& name, const std::string& ip) {
    return "  0:05 ClientConnect: " + std::to_string(client) + ", name: " + name + ", ip: " + ip +
           ":27960 DATE: 2004-01-01 10:00\n";
}

class Cli : public ::testing::Test {
protected:
    TempFolder dir;
    std::string data() const { return dir.path(); }
    CliResult cli(std::vector<std::string> args, int interruptAfterMs = -1) {
        args.insert(args.begin(), {"--data-dir", data()});
        return RunCli(args, {}, interruptAfterMs);
    }
    std::int64_t rows() {
        NamesDatabase db;
        db.Open(dir.file("IPLogging.mdb"));
        return db.RowCount();
    }
};

} // namespace

TEST_F(Cli, HelpAndUsageErrors) {
    const struct {
        std::vector<std::string> args;
        int code;
        const char* text;
    } cases[] = {
        {{"--help"}, 0, "process LOG [--start POS]"},
        {{"process", "--help"}, 0, "--start <POS>"},
        {{"position", "--help"}, 0, "journal"},
        {{"clear", "--help"}, 0, "--yes"},
        {{}, 64, "Usage:"},
        {{"frobnicate"}, 64, "unknown command"},
        {{"process"}, 64, "expected one LOG"},
        {{"process", "a.log", "--start", "abc"}, 64, "is not a number"},
        {{"process", "a.log", "--start", "0"}, 64, "before the first byte"},
        {{"process", "a.log", "--start", "99999999999999999999"}, 64, "is larger than any log can be"},
        {{"clear"}, 64, "--yes"},
    };
    for (const auto& c : cases) {
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.code) << testing::PrintToString(c.args) << r.err;
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos)
            << testing::PrintToString(c.args) << r.out << r.err;
    }
}

TEST_F(Cli, MissingLogExitsOne) {
    const CliResult r = cli({"process", dir.file("none.log")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos);
    EXPECT_FALSE(dir.exists("Positions.txt"));
}

TEST_F(Cli, ProcessThenContinueFromTheJournal) {
    const std::string first = kInit + Connect(1, "Ace", "10.0.0.1") + Connect(2, "O'Neil", "10.0.0.2");
    const std::string log = dir.write("games.log", first);
    CliResult r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Process Finished: " + std::to_string(first.size()) +
                         " bytes from byte 1, 3 lines, 2 visits "
                         "recorded, 0 referee logins, position " +
                         std::to_string(first.size()) + " journaled\n");
    EXPECT_EQ(rows(), 2);
    r = cli({"position", log});
    EXPECT_EQ(r.out, std::to_string(first.size()) + "\n");

    // The server writes more: the next run reads only what was appended (and the LF it stopped at).
    const std::string more = kInit + Connect(3, "Late", "10.0.0.3");
    std::ofstream(log, std::ios::app) << more;
    r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.out.find(std::to_string(more.size() + 1) + " bytes from byte " + std::to_string(first.size())),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("2 lines, 1 visits"), std::string::npos) << r.out;
    EXPECT_EQ(rows(), 3);
}

TEST_F(Cli, AJournalThatCannotBeReadStopsTheRunBeforeItStarts) {
    const std::string log = dir.write("games.log", kInit + Connect(1, "A", "1.1.1.1"));
    std::filesystem::create_directory(dir.file("Positions.txt"));
    for (const std::string command : {"process", "position"}) {
        const CliResult r = cli({command, log});
        EXPECT_EQ(r.exitCode, 65) << command;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(r.err, "corvanth-cli " + command + ": cannot read " + dir.file("Positions.txt") +
                             ": Is a directory\n");
    }
    EXPECT_FALSE(dir.exists("IPLogging.mdb"));
    EXPECT_FALSE(dir.exists("PositionOut.txt"));
}

TEST_F(Cli, DataFolderFromTheEnvironment) {
    TempFolder other;
    const std::string log = dir.write("games.log", kInit + Connect(1, "Env", "1.1.1.1"));
    const CliResult r = RunCli({"process", log}, {"CORVANTH_DATA_DIR=" + other.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(other.exists("IPLogging.mdb"));
    EXPECT_TRUE(other.exists("Positions.txt"));
    EXPECT_FALSE(dir.exists("IPLogging.mdb"));
}

TEST_F(Cli, AFailureNamesTheLineAndKeepsTheRows) {
    const std::string good = kInit + Connect(1, "Kept", "1.1.1.1");
    const std::string bad = "  0:06 ClientConnect: abc, name: Bad, ip: 2.2.2.2 DATE: d";
    const std::string log = dir.write("games.log", good + bad + "\n" + Connect(2, "Never", "3.3.3.3"));
    PositionJournal(dir.path()).SavePosition(log, 1);
    const CliResult r = cli({"process", log});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("at byte " + std::to_string(good.size() + 1)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"abc\" is not a number"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line: " + bad), std::string::npos) << r.err;
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(dir.read("Positions.txt"), log + "\"1\r\n"); // journal untouched
}

TEST_F(Cli, InterruptStopsAtALineEndAndJournals) {
    std::string log = kInit;
    for (int i = 0; log.size() < 60u << 20; ++i)
        log += Connect(i % 100, "P" + std::to_string(i % 5000), "10.0." + std::to_string(i % 200) + ".1");
    const std::string path = dir.write("big.log", log);
    const CliResult r = cli({"process", path}, 150);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_NE(r.out.find("Process Canceled"), std::string::npos) << r.out;
    const auto position = static_cast<std::size_t>(PositionJournal(dir.path()).LastPosition(path)->position);
    ASSERT_GT(position, 1u);
    ASSERT_LT(position, log.size());
    EXPECT_EQ(log[position - 1], '\n');
}

TEST_F(Cli, AnOverlongLineIsCounted) {
    const std::string log = dir.write("games.log", kInit + std::string((1 << 20) + 1, 'y') + "\n" +
                                                       Connect(1, "After", "1.1.1.1"));
    const CliResult r = cli({"process", log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(", 1 overlong lines skipped, "), std::string::npos) << r.out;
    EXPECT_EQ(rows(), 1);
}

TEST_F(Cli, ClearDeletesEveryRow) {
    const std::string log =
        dir.write("games.log", kInit + Connect(1, "A", "1.1.1.1") + Connect(2, "B", "1.1.1.1"));
    ASSERT_EQ(cli({"process", log}).exitCode, 0);
    EXPECT_EQ(rows(), 2);
    const CliResult r = cli({"clear", "--yes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Deleted 2 rows\n");
    EXPECT_EQ(rows(), 0);
}

TEST_F(Cli, AFileThatIsNotADatabaseIsAClearError) {
    dir.write("IPLogging.mdb", "this is not a database, and it stays as it is");
    const std::string log = dir.write("games.log", kInit + Connect(1, "A", "1.1.1.1"));
    const CliResult r = cli({"process", log});
    EXPECT_EQ(r.exitCode, 65);
    EXPECT_NE(r.err.find("not a database"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("IPLogging.mdb"), "this is not a database, and it stays as it is");
}

// --database, then CORVANTH_DATABASE, then the file in the data folder; a PostgreSQL server that cannot
// be reached is a clear failure that creates no file and does not repeat the password.
TEST_F(Cli, DatabaseLocationFromTheOptionOrTheEnvironment) {
    const std::string log = dir.write("games.log", kInit + Connect(1, "Ace", "10.0.0.1"));
    const struct {
        std::vector<std::string> options, env;
        int exitCode;
        std::string file; // the database the run wrote, empty when none
    } cases[] = {
        {{"--database", "sqlite:" + dir.file("option.db")}, {}, 0, "option.db"},
        {{"--database=sqlite:" + dir.file("option2.db")},
         {"CORVANTH_DATABASE=sqlite:" + dir.file("env.db")},
         0,
         "option2.db"},
        {{}, {"CORVANTH_DATABASE=sqlite:" + dir.file("env.db")}, 0, "env.db"},
        {{}, {"CORVANTH_DATABASE="}, 0, "IPLogging.mdb"},
        {{"--database", "postgresql://nobody:hunter2@/corvanth?host=/nonexistent"}, {}, 65, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options) + testing::PrintToString(c.env));
        for (const char* f : {"option.db", "option2.db", "env.db", "IPLogging.mdb", "Positions.txt"})
            std::filesystem::remove(dir.file(f));
        std::vector<std::string> args{"--data-dir", data()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"process", log});
        const CliResult r = RunCli(args, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        for (const char* f : {"option.db", "option2.db", "env.db", "IPLogging.mdb"})
            EXPECT_EQ(dir.exists(f), c.file == f) << f;
        if (c.file.empty()) {
            EXPECT_NE(r.err.find("cannot connect to the PostgreSQL server"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("hunter2"), std::string::npos) << r.err;
            continue;
        }
        NamesDatabase db;
        db.Open(dir.file(c.file));
        EXPECT_EQ(db.RowCount(), 1);
    }
}
