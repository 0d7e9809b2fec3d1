// corvanth-cli follow as a process: searched from another connection while it writes, and stopped
// with SIGTERM. Every wait is on a condition; no outcome depends on how fast the machine is.
// (Rotation, restarts and kills of the follower: LogFollowerTest.)
#include "LogLines.h"
#include "NamesDatabase.h"
#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace corvanth;
using namespace corvanth::test;

namespace {

bool WaitFor(const std::function<bool()>& condition) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > bound) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::int64_t Journaled(const std::string& data, const std::string& log) {
    const auto lookup = PositionJournal(data).LastPosition(log);
    return lookup ? lookup->position : -1;
}

} // namespace

TEST(FollowCli, AReaderSearchesThroughoutAndSigtermJournals) {
    TempFolder dir;
    const std::string log = dir.write("games.log", InitGame());
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(dir.file("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(dir.file("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execl(CORVANTH_CLI, CORVANTH_CLI, "--data-dir", dir.path().c_str(), "follow", log.c_str(), "--poll",
              "50", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_TRUE(WaitFor([&] { return Journaled(dir.path(), log) > 1; }));
    NamesDatabase reader;
    reader.Open(dir.file("IPLogging.mdb"));
    for (int i = 0; i < 200; ++i) {
        dir.append("games.log", Connect(i % 100, "P" + std::to_string(i), "10.0.0." + std::to_string(i)));
        Recordset rs = reader.OpenRecordset(CustomQuery("SELECT * FROM Names WHERE StrippedName LIKE 'p*'"));
        while (!rs.Eof())
            rs.MoveNext();
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(log));
    ASSERT_TRUE(WaitFor([&] { return Journaled(dir.path(), log) == size; }));
    EXPECT_EQ(reader.RowCount(), 200);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(
        dir.read("out.txt"),
        "Follow stopped: 201 lines, 1 game tracked, 200 visits recorded in 1 log, positions journaled\n");
}
