// who-speed: times "corvanth-cli who" (the whole command) on a large names database.
//
//   who-speed [DATABASE] [--rows N] [--servers S] [--slots K]
//
// Without DATABASE, or when the file does not exist, a synthetic database of N rows (1,000,000 by
// default) is generated first (as search-speed makes it). S servers (4) of K filled slots (64) are then
// published into table Online as a follower would, each slot a name and address of the table, and the
// command is run eleven times with each format, its output to /dev/null; the median counts. Target:
// under 100 ms.

#include "CommandTiming.h"
#include "NamesDatabase.h"
#include "NamesDbGenerator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using namespace corvanth;

int main(int argc, char** argv) {
    std::string path;
    std::size_t rows = 1'000'000;
    int servers = 4, slots = 64;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc) {
            rows = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--servers" && i + 1 < argc) {
            servers = std::atoi(argv[++i]);
        } else if (arg == "--slots" && i + 1 < argc) {
            slots = std::atoi(argv[++i]);
        } else if (arg.starts_with("-")) {
            std::printf("usage: who-speed [DATABASE] [--rows N] [--servers S] [--slots K]\n");
            return 64;
        } else {
            path = arg;
        }
    }
    if (path.empty())
        path =
            (std::filesystem::temp_directory_path() / ("corvanth-who-speed-" + std::to_string(rows) + ".mdb"))
                .string();
    try {
        bench::GenerateNamesDatabaseUnlessPresent(path, rows);
        NamesDatabase db;
        db.Open(path);
        const std::int64_t total = db.RowCount();
        std::printf("database %s: %lld rows\n", path.c_str(), static_cast<long long>(total));
        // Players spread over the table: every (total / players)-th row.
        const int players = servers * slots;
        std::vector<std::pair<std::string, std::string>> pairs;
        {
            Recordset rs = db.OpenRecordset(
                {"SELECT PlayerName, IP FROM Names WHERE rowid % ?1 = 0 LIMIT ?2;",
                 {std::to_string(std::max<std::int64_t>(1, total / players)), std::to_string(players)}});
            for (; !rs.Eof(); rs.MoveNext())
                pairs.emplace_back(rs.Field("PlayerName").value_or(""), rs.Field("IP").value_or(""));
        }
        const auto now = static_cast<std::int64_t>(std::time(nullptr));
        for (int s = 0; s < servers; ++s) {
            std::vector<OnlineSlot> filled;
            for (int k = 0; k < slots && static_cast<std::size_t>(s * slots + k) < pairs.size(); ++k) {
                const auto& [name, ip] = pairs[static_cast<std::size_t>(s * slots + k)];
                filled.push_back({k, name, ip});
            }
            db.PublishOnline({"/srv/server" + std::to_string(s) + ".log", "^1Server " + std::to_string(s),
                              now, ServerFollowed::Yes},
                             filled);
        }
        db.Commit();
        db.Close();
        std::printf("published %d servers, %zu players\n", servers, pairs.size());
        for (const char* format : {"table", "csv", "json"}) {
            std::vector<double> times;
            for (int run = 0; run < 11; ++run)
                times.push_back(
                    bench::TimeCommand({CORVANTH_CLI, "--database", path, "who", "--format", format}));
            std::sort(times.begin(), times.end());
            std::printf("who --format %-5s  median %6.1f ms  min %6.1f ms  max %6.1f ms  (target < 100 ms)\n",
                        format, times[times.size() / 2], times.front(), times.back());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "who-speed: %s\n", e.what());
        return 1;
    }
    return 0;
}
