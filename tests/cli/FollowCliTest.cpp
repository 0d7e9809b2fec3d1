// corvanth-cli follow as a process: stopped with SIGTERM, killed with SIGKILL and started again, and
// searched from another connection while it writes. Every wait is on a condition, with a generous
// bound; no outcome depends on how fast the machine is.
#include "CliRunner.h"
#include "NamesDatabase.h"
#include "NamesTable.h"
#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace corvanth;

namespace {

// A follower running in the background, its output in files.
class Follower {
public:
    Follower(const std::string& data, const std::string& log)
        : out_(data + "/out.txt"), err_(data + "/err.txt") {
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(out, 1);
            dup2(err, 2);
            execl(CORVANTH_CLI, CORVANTH_CLI, "--data-dir", data.c_str(), "follow", log.c_str(), "--poll",
                  "50", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Follower() {
        if (pid_ > 0) stop(SIGKILL);
    }
    int stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    std::string out() const { return Read(out_); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    pid_t pid_ = -1;
    std::string out_, err_;
};

bool WaitFor(const std::function<bool()>& condition) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > bound) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

std::string Connect(int client, const std::string& name, int address) {
    return "  0:05 ClientConnect: " + std::to_string(client) + ", name: " + name + ", ip: 10.0." +
           std::to_string(address / 250) + "." + std::to_string(address % 250) + ":27960 DATE: d" +
           std::to_string(address) + "\n";
}

// Games whose clients connect early and are renamed, disconnected and made referees much later.
std::string Game(int g) {
    std::string text = "  0:00 InitGame: \\wfversion\\2.8\\x\n";
    for (int c = 0; c < 8; ++c)
        text += Connect(c, "G" + std::to_string(g) + "C" + std::to_string(c), g * 8 + c);
    for (int i = 0; i < 40; ++i)
        text += "  1:00 say: chatter " + std::to_string(i) + "\n";
    for (int c = 0; c < 8; c += 2) {
        const std::string renamed = "G" + std::to_string(g) + "R" + std::to_string(c);
        text += "  2:00 ClientUserinfoChanged: " + std::to_string(c) + " n\\" + renamed + "\\t\\0\n";
        if (c == 4) text += "  2:01 " + renamed + " entered RefPassword\n";
        text += "  2:02 ClientDisconnect: " + std::to_string(c + 1) + "\n";
    }
    return text;
}

double Journaled(const std::string& data, const std::string& log) {
    const auto lookup = PositionJournal(data).LastPosition(log);
    return lookup ? static_cast<double>(lookup->position) : -1.0;
}

} // namespace

TEST(FollowCli, ReaderSearchesThroughoutAndSigtermJournals) {
    test::TempFolder dir;
    const std::string log = dir.file("games.log");
    Append(log, "  0:00 InitGame: \\wfversion\\2.8\\x\n");
    Follower follower(dir.path(), log);
    ASSERT_TRUE(WaitFor([&] { return Journaled(dir.path(), log) > 1; }));
    NamesDatabase reader;
    reader.Open(dir.file("IPLogging.mdb"));
    int failures = 0;
    std::string lastError;
    for (int i = 0; i < 300; ++i) {
        Append(log, Connect(i % 100, "P" + std::to_string(i), i));
        try {
            Recordset rs =
                reader.OpenRecordset(CustomQuery("SELECT * FROM Names WHERE StrippedName LIKE 'p*'"));
            while (!rs.Eof())
                rs.MoveNext();
        } catch (const std::exception& e) {
            ++failures;
            lastError = e.what();
        }
    }
    EXPECT_EQ(failures, 0) << lastError;
    ASSERT_TRUE(WaitFor([&] { return reader.RowCount() == 300; })) << reader.RowCount();
    const double size = static_cast<double>(std::filesystem::file_size(log));
    ASSERT_TRUE(WaitFor([&] { return Journaled(dir.path(), log) == size; }));
    EXPECT_EQ(follower.stop(SIGTERM), 0);
    EXPECT_EQ(follower.out(),
              "Follow stopped: 301 lines, 300 visits recorded in 1 log, positions journaled\n");
    EXPECT_EQ(Journaled(dir.path(), log), size);
}

TEST(FollowCli, KilledAnywhereAndStartedAgainEqualsOneProcessRun) {
    test::TempFolder dir;
    const std::string log = dir.file("games.log");
    const std::string data = dir.file("follow");
    std::filesystem::create_directory(data);
    Append(log, "");
    // Each piece is appended right before a kill: the follower may be anywhere in reading it.
    for (int piece = 0; piece < 6; ++piece) {
        Follower follower(data, log);
        const double before = static_cast<double>(std::filesystem::file_size(log));
        ASSERT_TRUE(WaitFor([&] { return before == 0 || Journaled(data, log) >= before - 200; }));
        std::string bytes;
        for (int g = piece * 3; g < piece * 3 + 3; ++g)
            bytes += Game(g);
        // Cut inside a game (and inside a line) so the kill falls among its clients.
        const std::size_t cut = bytes.size() / 2 + 7;
        Append(log, bytes.substr(0, cut));
        std::this_thread::yield();
        follower.stop(SIGKILL);
        Append(log, bytes.substr(cut));
    }
    Follower last(data, log);
    const double size = static_cast<double>(std::filesystem::file_size(log));
    ASSERT_TRUE(WaitFor([&] { return Journaled(data, log) == size; }));
    EXPECT_EQ(last.stop(SIGTERM), 0);

    const std::string plain = dir.file("plain");
    std::filesystem::create_directory(plain);
    const auto run = test::RunCli({"--data-dir", plain, "process", log});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string expected = test::NamesTable(plain + "/IPLogging.mdb");
    EXPECT_NE(expected.find("G17R4|10.0.0.140|d140|True"), std::string::npos);
    EXPECT_EQ(test::NamesTable(data + "/IPLogging.mdb"), expected);
}
