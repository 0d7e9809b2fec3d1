// follow-delay RATE SECONDS: starts corvanth-cli follow on a fresh log and data folder, appends
// RATE lines a second for SECONDS seconds (2% of them connects of a new name), and measures, from
// another connection, the delay from each connect line's write to its row being visible. Then it
// leaves the log idle and measures the follower's CPU use, stops it with SIGTERM, and compares the
// final table with a plain `corvanth-cli process` of the same bytes.
#include "SpawnQuiet.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size()) {
        const auto space = text.find(' ', at);
        fields.push_back(text.substr(at, space - at));
        if (space == std::string::npos) break;
        at = space + 1;
    }
    // Fields after the name, from state (3): utime is 14, stime is 15.
    return (std::stod(fields[11]) + std::stod(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string Dump(const std::string& database) {
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT PlayerName, IP, LastVisit, Ref FROM Names ORDER BY 1, 2, 3", -1, &st,
                           nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            for (int i = 0; i < 4; ++i) {
                const auto* t = sqlite3_column_text(st, i);
                text += t ? reinterpret_cast<const char*>(t) : "";
                text += i == 3 ? '\n' : '|';
            }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: follow-delay RATE SECONDS [IDLE_SECONDS]\n");
        return 64;
    }
    const int rate = std::atoi(argv[1]);
    const int seconds = std::atoi(argv[2]);
    const int idleSeconds = argc > 3 ? std::atoi(argv[3]) : 10;
    const std::string cli = (std::filesystem::path(argv[0]).parent_path() / "../bin/corvanth-cli").string();
    char pattern[] = "/tmp/corvanth-follow-delay-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string log = dir + "/games.log", data = dir + "/follow", plain = dir + "/plain";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(plain);
    std::FILE* out = std::fopen(log.c_str(), "ab");
    std::fputs("  0:00 InitGame: \\wfversion\\2.8\\x\n", out);
    std::fflush(out);

    const pid_t follower = SpawnQuiet({cli, "--data-dir", data, "follow", log});
    while (!std::filesystem::exists(data + "/IPLogging.mdb"))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3* reader = nullptr;
    sqlite3_open_v2((data + "/IPLogging.mdb").c_str(), &reader, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(reader, 5000);
    sqlite3_stmt* look = nullptr;
    sqlite3_prepare_v2(reader, "SELECT rowid, PlayerName FROM Names WHERE rowid > ? ORDER BY rowid", -1,
                       &look, nullptr);

    std::unordered_map<std::string, Clock::time_point> written;
    std::vector<double> delays;
    sqlite3_int64 lastRow = 0;
    const auto collect = [&] {
        sqlite3_bind_int64(look, 1, lastRow);
        while (sqlite3_step(look) == SQLITE_ROW) {
            lastRow = sqlite3_column_int64(look, 0);
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(look, 1));
            const auto it = written.find(name);
            if (it != written.end())
                delays.push_back(std::chrono::duration<double>(Clock::now() - it->second).count());
        }
        sqlite3_reset(look);
    };

    // Lines are written in slices of 5 ms; the reader looks between slices.
    const auto start = Clock::now();
    const long total = static_cast<long>(rate) * seconds;
    long line = 0, connects = 0;
    while (line < total) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const long due = std::min(total, static_cast<long>(elapsed * rate));
        std::string chunk;
        for (; line < due; ++line) {
            if (line % 50 == 0) {
                const std::string name = "N" + std::to_string(connects);
                chunk += "  0:05 ClientConnect: " + std::to_string(connects % 100) + ", name: " + name +
                         ", ip: 10." + std::to_string(connects / 62500 % 250) + "." +
                         std::to_string(connects / 250 % 250) + "." + std::to_string(connects % 250) +
                         ":27960 DATE: d\n";
                written[name] = Clock::now();
                ++connects;
            } else {
                chunk += "  0:06 say: some chatter line number " + std::to_string(line) + "\n";
            }
        }
        std::fwrite(chunk.data(), 1, chunk.size(), out);
        std::fflush(out);
        collect();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto bound = Clock::now() + std::chrono::seconds(30);
    while (static_cast<long>(delays.size()) < connects && Clock::now() < bound) {
        collect();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double cpuBefore = CpuSeconds(follower);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double idleCpu = (CpuSeconds(follower) - cpuBefore) / idleSeconds;
    kill(follower, SIGTERM);
    int status = 0;
    waitpid(follower, &status, 0);
    std::fclose(out);
    sqlite3_finalize(look);
    sqlite3_close(reader);

    const pid_t process = SpawnQuiet({cli, "--data-dir", plain, "process", log});
    int processStatus = 0;
    waitpid(process, &processStatus, 0);
    const bool equal = Dump(data + "/IPLogging.mdb") == Dump(plain + "/IPLogging.mdb");

    std::sort(delays.begin(), delays.end());
    const auto at = [&](double share) {
        return delays.empty()
                   ? -1.0
                   : delays[std::min(delays.size() - 1, static_cast<std::size_t>(share * delays.size()))];
    };
    std::printf("rate %d lines/s for %d s: %ld lines, %ld connects, %zu rows seen\n", rate, seconds, total,
                connects, delays.size());
    std::printf("delay write -> visible: p50 %.3f s, p99 %.3f s, max %.3f s\n", at(0.5), at(0.99),
                delays.empty() ? -1.0 : delays.back());
    std::printf("idle CPU over %d s: %.3f%% of one core\n", idleSeconds, idleCpu * 100);
    std::printf("follower exit %d; final table %s a plain process of the same bytes\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, equal ? "equals" : "DIFFERS FROM");
    std::filesystem::remove_all(dir);
    return equal && static_cast<long>(delays.size()) == connects ? 0 : 1;
}
