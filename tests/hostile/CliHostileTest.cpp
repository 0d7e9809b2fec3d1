// corvanth-cli under hostile conditions: a read-only data folder, and runs killed in the middle and
// continued until the log is done.
#include "HostileSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <thread>

namespace corvanth::hostile {
namespace {

const std::string kCli = std::string(CORVANTH_BIN_DIR) + "/corvanth-cli";

struct CliRun {
    ChildResult result;
    std::string out, err;
};

// Starts the program `cli` with `args`; when `interrupt` is given, sends that signal after `after`
// unless the program has ended by then.
CliRun RunCli(const std::string& cli, const std::vector<std::string>& args, const TempFolder& scratch,
              const ChildLimits& limits = {}, int interrupt = 0, std::chrono::milliseconds after = {}) {
    const std::string outPath = scratch.file("cli.out"), errPath = scratch.file("cli.err");
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        // The output files are opened before privileges are dropped: the scratch folder is not theirs.
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || err < 0) ::_exit(123);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ApplyLimits(limits);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(cli.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(cli.c_str(), argv.data());
        ::_exit(124);
    }
    ::close(fds[1]);
    if (interrupt != 0) {
        const auto deadline = std::chrono::steady_clock::now() + after;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG | WNOWAIT | __WALL) == pid) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(pid, interrupt);
    }
    CliRun run;
    run.result = Collect(pid, fds[0]);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

class CliHostile : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Exists(kCli)) GTEST_SKIP() << "corvanth-cli is not built at " << kCli;
        data = scratch.file("data");
        std::filesystem::create_directory(data);
        ::chmod(data.c_str(), 0755);
        log = scratch.file("games.log");
    }
    CliRun Process(const std::string& dataDir, const ChildLimits& limits = {}, int interrupt = 0,
                   std::chrono::milliseconds after = {}) {
        return RunCli(kCli, {"--data-dir", dataDir, "process", log}, scratch, limits, interrupt, after);
    }

    TempFolder scratch;
    std::string data, log;
};

TEST_F(CliHostile, ReadOnlyDataFolderGivesAClearMessageAndKeepsRows) {
    WriteFile(log, InitGame() + Connect("1", "First", "10.0.0.1", "d1"));
    ASSERT_EQ(Process(data).result.exitCode, 0);
    const auto before = ReadNames(data + "/IPLogging.mdb");
    const std::string journalBefore = ReadFile(data + "/Positions.txt");
    ASSERT_EQ(before.size(), 1u);
    WriteFile(log, InitGame() + Connect("1", "First", "10.0.0.1", "d1") +
                       Connect("2", "Second", "10.0.0.2", "d2"));
    for (const auto& entry : std::filesystem::directory_iterator(data))
        ::chmod(entry.path().c_str(), 0444);
    ::chmod(data.c_str(), 0555);
    const ChildLimits unprivileged{ChildLimits::Privileges::DropWhenRoot, std::nullopt};
    // The unprivileged user may not be able to enter the folder the program was built in (a checkout
    // in a folder of mode 0700): it runs a copy in the scratch folder, which everyone can reach.
    const std::string cli = scratch.file("corvanth-cli");
    std::filesystem::copy_file(kCli, cli);
    ::chmod(cli.c_str(), 0755);
    // From the journal: the new connect lies in a game the run does not track, so nothing needs to be
    // written to the database, but the journal cannot be rewritten.
    const CliRun fromJournal = RunCli(cli, {"--data-dir", data, "process", log}, scratch, unprivileged);
    // From the start: the new connect must be written, and the database cannot take it.
    const CliRun fromStart =
        RunCli(cli, {"--data-dir", data, "process", log, "--start", "1"}, scratch, unprivileged);
    ::chmod(data.c_str(), 0755);
    for (const CliRun* run : {&fromJournal, &fromStart}) {
        ASSERT_NE(run->result.exitCode, 121) << "could not drop privileges";
        ASSERT_NE(run->result.exitCode, 124) << "could not start " << cli;
        EXPECT_EQ(run->result.signal, 0);
    }
    // Whether SQLite can open the database read-only depends on the files its last close left
    // beside it; either the database or the journal refuses, and says so.
    EXPECT_NE(fromJournal.result.exitCode, 0) << fromJournal.out << fromJournal.err;
    EXPECT_TRUE(fromJournal.err.find("PositionOut.txt: Permission denied") != std::string::npos ||
                fromJournal.err.find("readonly") != std::string::npos)
        << fromJournal.err;
    EXPECT_NE(fromStart.result.exitCode, 0) << fromStart.out << fromStart.err;
    EXPECT_NE(fromStart.err.find("readonly"), std::string::npos) << fromStart.err;
    EXPECT_EQ(ReadNames(data + "/IPLogging.mdb"), before);
    EXPECT_EQ(ReadFile(data + "/Positions.txt"), journalBefore);
    EXPECT_EQ(IntegrityCheck(data + "/IPLogging.mdb"), "ok");
}

// The log for the kill test. Why the two databases must come out equal, row for row:
//
// A run that is stopped (Ctrl-C) journals the last LF it read; the next run starts there untracked and
// reads no client line until the next InitGame of a tracked game, so the rest of an interrupted game
// is skipped. A run that is killed journals nothing; the next run starts again at the last journaled
// position and replays lines whose rows may already be committed. Both would make an ordinary log
// differ from an uninterrupted run. This log is built so that neither can:
//  - every tracked game starts at time 0:00, which empties the client names and addresses, and uses
//    only clients that connect inside it, so what a game writes depends on its own lines alone;
//  - every game uses one date text for all its visits, and every game is written twice in a row.
//    Writing a game again changes nothing (same rows, same LastVisit, Ref only ever set). If a stop
//    lands inside the first copy, the second copy is read whole; if it lands in the second, the first
//    was read whole. Either way each line of each game is applied at least once, in log order;
//  - replays after a kill apply lines again in log order, so each row ends with the LastVisit of the
//    last game that names it, exactly as in the uninterrupted run.
// This needs each stopped run to read more than one pair of copies, which the test checks from the
// byte count the program reports. Rows of games below version 2.8 are never written by either run.
struct GeneratedLog {
    std::size_t largestPair = 0;
    std::size_t bytes = 0;
};

GeneratedLog WriteKillTestLog(const std::string& path, std::size_t targetBytes) {
    std::mt19937 random(20240521);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::string> names;
    const char* stems[] = {"Sarge",   "Doom", "Xaero", "Klesk",     "Anarki",
                           "O'Brien", "Mynx", "Orbb",  "Bitterman", "Hunter"};
    for (int i = 0; i < 900; ++i) {
        std::string n = std::string(i % 7 == 0 ? "^1" : "") + stems[i % 10] + std::to_string(i / 10);
        if (i % 11 == 0) n += "^7'x";
        names.push_back(n);
    }
    std::vector<std::string> ips;
    for (int i = 0; i < 700; ++i)
        ips.push_back("10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + "." +
                      std::to_string(1 + i % 9));

    std::ofstream out(path, std::ios::binary);
    GeneratedLog info;
    std::string filler;
    for (int k = 0; k < 40; ++k)
        filler += "  0:0" + std::to_string(5 + k % 5) +
                  " Kill: 1 2 7: Somebody killed Someone by MOD_ROCKET_SPLASH\n";
    for (int game = 0; info.bytes < targetBytes; ++game) {
        std::string text;
        const bool tracked = game % 9 != 4;
        text += InitGame(tracked ? (game % 2 ? "3.0a" : "2.8") : "2.7");
        const std::string date = "2024-" + std::to_string(1 + game % 12) + "-" +
                                 std::to_string(1 + game % 28) + " " + std::to_string(game);
        const int players = 2 + pick(6);
        std::vector<std::pair<std::string, std::string>> in; // client number, name
        for (int p = 0; p < players; ++p) {
            const std::string client = std::to_string(p * 13 % 101);
            std::string name = names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))];
            if (pick(10) == 0) // the same player in another letter case
                for (char& c : name)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            text += Connect(client, name, ips[static_cast<std::size_t>(pick(static_cast<int>(ips.size())))],
                            date);
            in.emplace_back(client, name);
        }
        text += filler;
        const auto& renamed = in[static_cast<std::size_t>(pick(players))];
        if (pick(3) == 0) text += Rename(renamed.first, renamed.second + "_r" + std::to_string(pick(4)));
        if (pick(4) == 0) text += RefereeLogin(in[0].second);
        text += filler;
        text += Disconnect(in.back().first);
        out << text << text;
        info.largestPair = std::max(info.largestPair, 2 * text.size());
        info.bytes += 2 * text.size();
    }
    return info;
}

std::int64_t BytesRead(const std::string& out) {
    // "Process Canceled: 1,234 bytes from byte ..."
    const std::size_t colon = out.find(": ");
    const std::size_t end = out.find(" bytes");
    if (colon == std::string::npos || end == std::string::npos || end < colon) return -1;
    std::string digits;
    for (char c : out.substr(colon + 2, end - colon - 2))
        if (c >= '0' && c <= '9') digits += c;
    return digits.empty() ? -1 : std::stoll(digits);
}

TEST_F(CliHostile, RunsKilledAndStoppedInTheMiddleEndWithTheSameRows) {
    GeneratedLog generated =
        WriteKillTestLog(log, static_cast<std::size_t>(CORVANTH_HOSTILE_KILL_LOG_MB) << 20);
    const std::string dataA = scratch.file("A"), dataB = scratch.file("B");
    std::filesystem::create_directory(dataA);
    std::filesystem::create_directory(dataB);

    // A whole run must last long enough to be interrupted several times in the middle. On a fast
    // machine the log is doubled (its games again, each complete in itself) until it does.
    auto started = std::chrono::steady_clock::now();
    CliRun whole = Process(dataA);
    auto wholeTime = std::chrono::steady_clock::now() - started;
    while (wholeTime < std::chrono::milliseconds(1200) && generated.bytes < (std::size_t{640} << 20)) {
        ASSERT_EQ(whole.result.exitCode, 0) << whole.err;
        const std::string copy = scratch.file("copy.log");
        std::filesystem::copy_file(log, copy, std::filesystem::copy_options::overwrite_existing);
        {
            std::ofstream out(log, std::ios::binary | std::ios::app);
            std::ifstream in(copy, std::ios::binary);
            out << in.rdbuf();
        }
        std::filesystem::remove(copy);
        generated.bytes *= 2;
        std::filesystem::remove_all(dataA);
        std::filesystem::create_directory(dataA);
        started = std::chrono::steady_clock::now();
        whole = Process(dataA);
        wholeTime = std::chrono::steady_clock::now() - started;
    }
    ASSERT_EQ(whole.result.exitCode, 0) << whole.err;
    ASSERT_NE(whole.out.find("Process Finished"), std::string::npos) << whole.out;
    const auto rowsA = ReadNames(dataA + "/IPLogging.mdb");
    ASSERT_GT(rowsA.size(), 1000u);

    // Interrupt at moments spread over the time one whole run takes: killed (nothing journaled) or
    // stopped with Ctrl-C (the position journaled), until a run reaches the end on its own.
    const auto whole_ms = std::chrono::duration_cast<std::chrono::milliseconds>(wholeTime).count();
    struct Interruption {
        int signal;
        double share; // of the time a whole run takes
    };
    const Interruption plan[] = {{SIGKILL, 0.10}, {SIGINT, 0.30},  {SIGKILL, 0.25}, {SIGKILL, 0.05},
                                 {SIGINT, 0.35},  {SIGKILL, 0.40}, {SIGINT, 0.30},  {SIGKILL, 0.20}};
    int killed = 0, stopped = 0, runs = 0;
    bool finished = false;
    for (const auto& step : plan) {
        // A stop must come after the program has set up its Ctrl-C handling and read a good stretch.
        const long long floor = step.signal == SIGINT ? 150 : 20;
        const auto after = std::chrono::milliseconds(
            std::max<long long>(floor, static_cast<long long>(step.share * whole_ms)));
        const CliRun run = Process(dataB, {}, step.signal, after);
        ++runs;
        if (run.result.exitCode == 0 && run.out.find("Process Finished") != std::string::npos) {
            finished = true;
            break;
        }
        if (run.result.signal != 0) {
            // Killed; a Ctrl-C that lands before the program watches for it (while it starts) or after
            // the run is over (while it exits) ends it like a kill does.
            ASSERT_EQ(run.result.signal, step.signal) << run.out << run.err;
            ++killed;
        } else {
            ASSERT_EQ(step.signal, SIGINT) << "a killed run exited on its own: " << run.out << run.err;
            ASSERT_EQ(run.result.exitCode, 0) << run.out << run.err;
            ASSERT_NE(run.out.find("Process Canceled"), std::string::npos) << run.out;
            ASSERT_GT(BytesRead(run.out), static_cast<std::int64_t>(generated.largestPair))
                << "the stop came before the run had read a whole game twice; the rows could not be compared "
                   "exactly";
            ++stopped;
        }
        // A run killed while it started may not have created the database yet.
        if (Exists(dataB + "/IPLogging.mdb")) {
            EXPECT_EQ(IntegrityCheck(dataB + "/IPLogging.mdb"), "ok") << "after run " << runs;
        }
    }
    while (!finished && runs < 20) {
        const CliRun run = Process(dataB);
        ++runs;
        ASSERT_EQ(run.result.exitCode, 0) << run.err;
        finished = run.out.find("Process Finished") != std::string::npos;
    }
    ASSERT_TRUE(finished);
    std::printf("kill test: %zu MB log, whole run %lld ms, %d runs (%d killed, %d stopped), %zu rows\n",
                generated.bytes >> 20, static_cast<long long>(whole_ms), runs, killed, stopped, rowsA.size());
    EXPECT_GE(killed, 2) << "the runs were too quick to be killed in the middle";
    EXPECT_GE(stopped, 1) << "the runs were too quick to be stopped in the middle";

    EXPECT_EQ(IntegrityCheck(dataB + "/IPLogging.mdb"), "ok");
    const auto rowsB = ReadNames(dataB + "/IPLogging.mdb");
    ASSERT_EQ(rowsB.size(), rowsA.size());
    for (std::size_t i = 0; i < rowsA.size(); ++i)
        ASSERT_EQ(rowsB[i], rowsA[i]) << "row " << i;
    int refs = 0;
    for (const auto& r : rowsA)
        refs += r[4] == "1";
    EXPECT_GT(refs, 0) << "the log marks referees";
    // Both data folders journal the end of the log.
    const std::string size = std::to_string(std::filesystem::file_size(log));
    EXPECT_NE(ReadFile(dataB + "/Positions.txt").find("\"" + size + "\r\n"), std::string::npos);
}

} // namespace
} // namespace corvanth::hostile
