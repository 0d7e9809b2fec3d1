// online-delay RATE SECONDS [SERVERS] [SLOTS]: starts one corvanth-cli follow on SERVERS fresh logs
// (4), appends RATE lines a second to each for SECONDS seconds (2% of them connects of a new name, in
// turn into the first SLOTS slots, 64), and measures, from another connection, the delay from each
// connect line's write to its row in table Online. A name replaced in its slot before the reader looked
// is counted as missed, not as a delay. Then it stops the follower with SIGTERM and checks that every
// server reads as not followed.
#include "SpawnQuiet.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: online-delay RATE SECONDS [SERVERS] [SLOTS]\n");
        return 64;
    }
    const int rate = std::atoi(argv[1]);
    const int seconds = std::atoi(argv[2]);
    const int servers = argc > 3 ? std::atoi(argv[3]) : 4;
    const int slots = argc > 4 ? std::atoi(argv[4]) : 64;
    const std::string cli = (std::filesystem::path(argv[0]).parent_path() / "../bin/corvanth-cli").string();
    char pattern[] = "/tmp/corvanth-online-delay-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string data = dir + "/follow";
    std::filesystem::create_directories(data);
    std::vector<std::FILE*> logs;
    std::vector<std::string> args = {cli, "--data-dir", data, "follow"};
    for (int s = 0; s < servers; ++s) {
        const std::string log = dir + "/server" + std::to_string(s) + ".log";
        logs.push_back(std::fopen(log.c_str(), "ab"));
        std::fprintf(logs.back(), "  0:00 InitGame: \\sv_hostname\\^1Server %d\\wfversion\\2.8\\x\n", s);
        std::fflush(logs.back());
        args.push_back(log);
    }
    const pid_t follower = SpawnQuiet(args);
    const std::string database = data + "/IPLogging.mdb";
    sqlite3* reader = nullptr;
    sqlite3_stmt* look = nullptr;
    // Until the follower has made the table (its first turn).
    while (!look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!reader && std::filesystem::exists(database)) {
            sqlite3_open_v2(database.c_str(), &reader, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_busy_timeout(reader, 5000);
        }
        if (reader && sqlite3_prepare_v2(reader, "SELECT PlayerName FROM Online WHERE Slot >= 0", -1, &look,
                                         nullptr) != SQLITE_OK)
            look = nullptr;
    }

    std::unordered_map<std::string, Clock::time_point> written;
    std::vector<double> delays;
    const auto collect = [&] {
        while (sqlite3_step(look) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(look, 0);
            const auto it = written.find(text ? reinterpret_cast<const char*>(text) : "");
            if (it == written.end()) continue;
            delays.push_back(std::chrono::duration<double>(Clock::now() - it->second).count());
            written.erase(it);
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
        for (int s = 0; s < servers; ++s) {
            std::string chunk;
            for (long l = line; l < due; ++l) {
                if (l % 50 == 0) {
                    const long c = l / 50 * servers + s; // every connect a new name
                    const std::string name = "N" + std::to_string(c);
                    chunk += "  0:05 ClientConnect: " + std::to_string((l / 50) % slots) + ", name: " + name +
                             ", ip: 10." + std::to_string(s) + "." + std::to_string(c / 250 % 250) + "." +
                             std::to_string(c % 250) + ":27960 DATE: d\n";
                    written[name] = Clock::now();
                } else {
                    chunk += "  0:06 say: some chatter line number " + std::to_string(l) + "\n";
                }
            }
            std::fwrite(chunk.data(), 1, chunk.size(), logs[static_cast<std::size_t>(s)]);
            std::fflush(logs[static_cast<std::size_t>(s)]);
        }
        connects = (due + 49) / 50 * servers;
        line = due;
        collect();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto bound = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < bound) {
        collect();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(follower, SIGTERM);
    int status = 0;
    waitpid(follower, &status, 0);
    sqlite3_stmt* state = nullptr;
    int notFollowed = 0;
    sqlite3_prepare_v2(reader, "SELECT count(*) FROM Online WHERE Slot = -1 AND Followed = 0", -1, &state,
                       nullptr);
    if (state && sqlite3_step(state) == SQLITE_ROW) notFollowed = sqlite3_column_int(state, 0);
    sqlite3_finalize(state);
    sqlite3_finalize(look);
    sqlite3_close(reader);
    for (auto* log : logs)
        std::fclose(log);

    std::sort(delays.begin(), delays.end());
    const auto at = [&](double q) {
        return delays.empty()
                   ? 0.0
                   : delays[std::min(delays.size() - 1, static_cast<std::size_t>(q * delays.size()))];
    };
    std::printf("%d servers x %d slots, %d lines/s each for %d s: %ld connects, %zu seen in table Online, "
                "%zu replaced before the reader looked\n",
                servers, slots, rate, seconds, connects, delays.size(), written.size());
    std::printf("delay write -> Online row: p50 %.1f ms  p90 %.1f ms  p99 %.1f ms  max %.1f ms  (target p99 "
                "< 1000 ms)\n",
                at(0.5) * 1000, at(0.9) * 1000, at(0.99) * 1000, delays.empty() ? 0.0 : delays.back() * 1000);
    std::printf("after SIGTERM: exit %d, %d of %d servers read as not followed\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, notFollowed, servers);
    std::filesystem::remove_all(dir);
    return 0;
}
