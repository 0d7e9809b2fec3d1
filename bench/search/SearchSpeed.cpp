// search-speed: times the searches of the result list on a large names database.
//
//   search-speed [DATABASE] [--rows N] [--ace] [--on LOCATION]
//
// Without DATABASE, or when the file does not exist, a synthetic database of N rows (1,000,000 by
// default) is generated first. With --on, the searches run on LOCATION instead (as --database takes
// it, e.g. a PostgreSQL server the file was copied into with corvanth-cli copy); the addresses to look
// up still come from the file. Then it times, through Post as the window runs it:
//   - the name search *ace* with aliases (target: under 1 s),
//   - an exact address search (target: under 50 ms),
// and, for comparison, *ace* without and with broad aliases and a /24 search. Then the whole command
// (corvanth-cli search ... --format csv, output to /dev/null, median of three):
//   - *ace* with aliases (target: at most 1 s), with broad aliases (at most 1.5 s),
//   - an exact address (at most 20 ms).
// With --ace the table is the one where a quarter of the names contain "ace" (each row from an
// address of its own) instead of the players' table.

#include "CommandTiming.h"
#include "FixedPostHost.h"
#include "NameText.h"
#include "NamesDatabase.h"
#include "NamesDbGenerator.h"
#include "Post.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace corvanth;
using bench::Milliseconds;
using bench::TimeCommand;
using Clock = std::chrono::steady_clock;

namespace {

struct Timing {
    double best = 0;
    double median = 0;
    std::size_t rows = 0;
    std::size_t matches = 0;
    std::size_t pumps = 0;
};

// Runs one search `runs` times into a fresh list each time.
Timing TimeSearch(NamesDatabase& db, const Query& query, Aliases mode, AliasCheck check, int runs) {
    std::vector<double> times;
    Timing t;
    for (int i = 0; i < runs; ++i) {
        ResultList list;
        FixedPostHost host(mode);
        const auto start = Clock::now();
        const PostOutcome outcome = Post(db, list, host, query, ClearFirst::Yes, check);
        times.push_back(Milliseconds(Clock::now() - start));
        if (outcome.failure) std::fprintf(stderr, "search failed: %s\n", outcome.failure->c_str());
        if (outcome.timedOut) std::fprintf(stderr, "search stopped at the time limit\n");
        t.rows = list.Count();
        t.matches = host.matches();
        t.pumps = host.pumps();
    }
    std::sort(times.begin(), times.end());
    t.best = times.front();
    t.median = times[times.size() / 2];
    return t;
}

void Report(const char* what, const Timing& t, double targetMs) {
    std::printf("%-40s rows %8zu  matches %8zu  yields %5zu  best %9.2f ms  median %9.2f ms", what, t.rows,
                t.matches, t.pumps, t.best, t.median);
    if (targetMs > 0)
        std::printf("  (target < %.0f ms: %s)", targetMs, t.median < targetMs ? "met" : "MISSED");
    std::printf("\n");
}

void ReportCommand(const std::string& path, const char* what, std::vector<std::string> arguments,
                   double targetMs) {
    arguments.insert(arguments.begin(), {CORVANTH_CLI, "--database", path});
    std::vector<double> times;
    for (int run = 0; run < 3; ++run)
        times.push_back(TimeCommand(arguments));
    std::sort(times.begin(), times.end());
    const double median = times[1];
    std::printf("whole command: %-34s best %9.2f ms  median %9.2f ms  (target <= %.0f ms: %s)\n", what,
                times.front(), median, targetMs, times.front() >= 0 && median <= targetMs ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    std::string path;
    std::string on;
    std::size_t rows = 1'000'000;
    bool ace = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc) {
            rows = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--on" && i + 1 < argc) {
            on = argv[++i];
        } else if (arg == "--ace") {
            ace = true;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: search-speed [DATABASE] [--rows N] [--ace] [--on LOCATION]\n");
            return 0;
        } else {
            path = arg;
        }
    }
    if (path.empty())
        path = (std::filesystem::temp_directory_path() /
                ("corvanth-search-speed-" + std::string(ace ? "ace-" : "") + std::to_string(rows) + ".mdb"))
                   .string();

    try {
        if (!std::filesystem::exists(path)) {
            std::printf("generating %zu rows into %s ...\n", rows, path.c_str());
            const auto start = Clock::now();
            bench::GeneratorOptions options;
            options.rows = rows;
            const std::size_t written = ace ? bench::GenerateAceNamesDatabase(path, options)
                                            : bench::GenerateNamesDatabase(path, options);
            std::printf("generated %zu rows in %.1f s\n", written, Milliseconds(Clock::now() - start) / 1000);
        }

        NamesDatabase db;
        db.Open(path);

        // Addresses to look up: spread over the table.
        std::vector<std::string> addresses;
        {
            Recordset rs = db.OpenRecordset(CustomQuery("SELECT IP FROM Names WHERE rowid % 50021 = 7"));
            for (; !rs.Eof() && addresses.size() < 15; rs.MoveNext())
                if (auto ip = rs.Field("IP")) addresses.push_back(*ip);
        }
        if (addresses.empty()) {
            std::fprintf(stderr, "the database has no addresses\n");
            return 1;
        }
        if (!on.empty()) db.Open(ParseDatabaseLocation(on, path));
        std::printf("database %s: %lld rows\n", on.empty() ? path.c_str() : "(--on)",
                    static_cast<long long>(db.RowCount()));

        const Query ace = NameSearchQuery(EncodeName("*ace*"));
        Report("name *ace* with aliases",
               TimeSearch(db, ace, Aliases::SameAddress, AliasCheck::AllowAliases, 3), 1000);
        Report("name *ace* without aliases", TimeSearch(db, ace, Aliases::Off, AliasCheck::AllowAliases, 3),
               0);
        Report("name *ace* with broad aliases",
               TimeSearch(db, ace, Aliases::SameFirstThreeOctets, AliasCheck::AllowAliases, 3), 0);

        std::vector<double> exact;
        std::size_t exactRows = 0;
        for (const auto& ip : addresses) {
            const Timing t =
                TimeSearch(db, IpSearchQuery(ip), Aliases::SameAddress, AliasCheck::ForbidAliases, 3);
            exact.push_back(t.median);
            exactRows += t.rows;
        }
        std::sort(exact.begin(), exact.end());
        std::printf(
            "%-40s %zu addresses, %zu rows in all  median %.3f ms  worst %.3f ms  (target < 50 ms: %s)\n",
            "exact address search", exact.size(), exactRows, exact[exact.size() / 2], exact.back(),
            exact.back() < 50 ? "met" : "MISSED");

        Report(("address search " + BroadIP(addresses.front())).c_str(),
               TimeSearch(db, IpSearchQuery(BroadIP(addresses.front())), Aliases::Off,
                          AliasCheck::ForbidAliases, 3),
               0);

        ReportCommand(path, "name *ace* with aliases",
                      {"search", "name", "*ace*", "--aliases", "--format", "csv"}, 1000);
        ReportCommand(path, "name *ace* with broad aliases",
                      {"search", "name", "*ace*", "--aliases", "--broad", "--format", "csv"}, 1500);
        ReportCommand(path, ("address " + addresses.front()).c_str(),
                      {"search", "ip", addresses.front(), "--format", "csv"}, 20);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "search-speed: %s\n", e.what());
        return 1;
    }
    return 0;
}
