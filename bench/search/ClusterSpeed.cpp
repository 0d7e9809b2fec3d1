// cluster-speed: times "corvanth-cli search name NAME --cluster" (depth 6) on a large names database.
//
//   cluster-speed [FOLDER] [--rows N] [--names K]
//
// FOLDER holds (or gets) IPLogging.mdb; without it, or when the file is missing, a synthetic
// database of N rows (1,000,000 by default) is generated first. K exact names spread over the table
// (10 by default) are each looked up three times by the whole command, its output written to
// /dev/null; the median of each name counts. Target: every name's cluster within 500 ms. For
// comparison the walk alone is timed in the process, without starting the program.

#include "ClusterWalk.h"
#include "CommandTiming.h"
#include "NameText.h"
#include "NamesDatabase.h"
#include "NamesDbGenerator.h"

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

class BenchHost : public PostHost {
public:
    bool aliasesTicked() const override { return false; }
    bool aliasesEnabled() const override { return false; }
    bool broadTicked() const override { return false; }
    void pumpEvents() override {}
    void setMatches(std::size_t) override {}
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    std::string folder;
    std::size_t rows = 1'000'000;
    std::size_t nameCount = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc) {
            rows = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--names" && i + 1 < argc) {
            nameCount = std::max<std::size_t>(1, std::strtoull(argv[++i], nullptr, 10));
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: cluster-speed [FOLDER] [--rows N] [--names K]\n");
            return 0;
        } else {
            folder = arg;
        }
    }
    if (folder.empty())
        folder = (std::filesystem::temp_directory_path() / ("corvanth-cluster-speed-" + std::to_string(rows)))
                     .string();
    const std::string path = folder + "/IPLogging.mdb";

    try {
        std::filesystem::create_directories(folder);
        bench::GenerateNamesDatabaseUnlessPresent(path, rows);
        NamesDatabase db;
        db.Open(path);
        const long long total = static_cast<long long>(db.RowCount());
        std::printf("database %s: %lld rows\n", path.c_str(), total);

        // Exact names spread over the table, as a user types them: stripped, without pattern characters.
        std::vector<std::string> names;
        const long long step = std::max<long long>(1, total / static_cast<long long>(nameCount) - 1);
        Recordset rs = db.OpenRecordset(
            CustomQuery("SELECT StrippedName FROM Names WHERE rowid % " + std::to_string(step) + " = 1"));
        for (; !rs.Eof() && names.size() < nameCount; rs.MoveNext()) {
            const std::string name = DecodeName(rs.Field("StrippedName").value_or(""));
            if (!name.empty() && name.find_first_of("*?#[-") == std::string::npos) names.push_back(name);
        }

        std::vector<double> commandTimes;
        for (const std::string& name : names) {
            ResultList list;
            BenchHost host;
            const auto start = Clock::now();
            const ClusterOutcome outcome =
                ListCluster(db, list, host, NameSearchQuery(EncodeName(name)), ClusterOptions{});
            const double walkMs = Milliseconds(Clock::now() - start);
            std::vector<double> times;
            for (int run = 0; run < 3; ++run)
                times.push_back(TimeCommand({CORVANTH_CLI, "--data-dir", folder, "search", "name", name,
                                             "--cluster", "--format", "csv"}));
            const double median = Median(times);
            commandTimes.push_back(median);
            std::printf("%-24s rows %5zu  %-10s  walk %7.1f ms  command median %7.1f ms\n", name.c_str(),
                        outcome.matches, outcome.end == ClusterEnd::SizeLimit ? "size limit" : "complete",
                        walkMs, median);
        }
        if (commandTimes.empty()) {
            std::fprintf(stderr, "cluster-speed: no names to look up\n");
            return 1;
        }
        const double worst = *std::max_element(commandTimes.begin(), commandTimes.end());
        std::printf("whole command, %zu names: median %.1f ms  worst %.1f ms  (target < 500 ms: %s)\n",
                    commandTimes.size(), Median(commandTimes), worst,
                    worst >= 0 && worst < 500 ? "met" : "MISSED");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cluster-speed: %s\n", e.what());
        return 1;
    }
    return 0;
}
