// Random bytes as a whole log: written to a temporary file and processed by ProcessLog into a real
// names database (in memory) with a real journal. The same lines are fed to a second, plain line
// interpreter; both must make the same calls in the same order, fail on the same line, and the run
// must journal the position of the last LF it read.
#include "FuzzCommon.h"
#include "LineInterpreter.h"
#include "NamesDatabase.h"
#include "ProcessLog.h"
#include "Query.h"
#include "RunFailure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

using namespace corvanth;
using corvanth::fuzz::Check;

namespace {

class QuietHost : public RunHost {
public:
    void pumpEvents() override { ++pumps; }
    void setStatus(std::string_view t) override { text = std::string(t); }
    std::string text = std::string(status::Processing);
    int pumps = 0;
};

// Forwards to the database and remembers the calls.
class TeeSink : public VisitSink {
public:
    explicit TeeSink(NamesDatabase& db) : db_(db) {}
    void RecordVisit(std::string_view n, std::string_view ip, std::string_view lv) override {
        record.RecordVisit(n, ip, lv);
        db_.RecordVisit(n, ip, lv);
    }
    void MarkReferee(std::string_view n, std::string_view ip) override {
        record.MarkReferee(n, ip);
        db_.MarkReferee(n, ip);
    }
    void Checkpoint() override { db_.Checkpoint(); }
    void Commit() override { db_.Commit(); }
    fuzz::RecordingSink record;

private:
    NamesDatabase& db_;
};

struct Scratch {
    std::string folder, log;
    Scratch() {
        char templ[] = "/tmp/corvanth-fuzz-XXXXXX";
        if (!::mkdtemp(templ)) fuzz::Fail("mkdtemp");
        folder = templ;
        log = folder + "/games.log";
    }
    ~Scratch() {
        std::remove(log.c_str());
        std::remove((folder + "/Positions.txt").c_str());
        ::rmdir(folder.c_str());
    }
};

std::int64_t CountRows(NamesDatabase& db, const char* sql) {
    Recordset rs = db.OpenRecordset(CustomQuery(sql));
    Check(!rs.Eof(), "count query returned no row");
    const auto n = rs.Field("n");
    Check(n.has_value(), "count query without its column");
    return std::stoll(*n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Keep each input inside one read block, so the reference below needs no block logic.
    if (size > 256 * 1024) return 0;
    static Scratch scratch; // one folder for the fuzzer's whole life, removed at exit
    // The first byte picks the start position (1 to 8) and whether the host gets control at every look
    // at the clock; the rest is the log.
    std::int64_t start = 1;
    bool pumpAlways = false;
    if (size > 0) {
        start = 1 + (data[0] & 7);
        pumpAlways = (data[0] & 8) != 0;
        ++data;
        --size;
    }
    const std::string_view log(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(scratch.log, std::ios::binary | std::ios::trunc);
        out.write(log.data(), static_cast<std::streamsize>(log.size()));
        if (!out) fuzz::Fail("cannot write the log");
    }
    std::remove((scratch.folder + "/Positions.txt").c_str());

    NamesDatabase db;
    db.Open(":memory:");
    TeeSink sink(db);
    PositionJournal journal(scratch.folder);
    ProcessingState state;
    QuietHost host;
    RunOptions options;
    if (pumpAlways) options.pumpInterval = std::chrono::milliseconds(0);
    const RunSummary summary =
        ProcessLog(state, sink, journal, host, scratch.log, StartPosition(start), options);

    // The reference: split the same bytes at LF from the start position, drop the unfinished tail.
    ProcessingState refState;
    fuzz::RecordingSink refSink;
    LineInterpreter reference(refState, refSink);
    std::int64_t lastLf = 0;
    std::int64_t failedLine = 0;
    std::size_t pos = static_cast<std::size_t>(start - 1);
    while (pos < log.size()) {
        const std::size_t lf = log.find('\n', pos);
        if (lf == std::string_view::npos) break;
        const std::string_view line = log.substr(pos, lf - pos);
        const std::int64_t lineStart = static_cast<std::int64_t>(pos) + 1;
        pos = lf + 1;
        if (!line.empty()) {
            try {
                reference.InterpretLine(line);
            } catch (const RunFailure&) {
                failedLine = lineStart;
                break;
            }
        }
        lastLf = static_cast<std::int64_t>(lf) + 1;
    }

    Check(sink.record.calls == refSink.calls, "the run and the plain interpreter made different calls");
    if (failedLine != 0) {
        Check(summary.outcome == RunOutcome::Failed, "a line that must fail did not end the run");
        Check(summary.failure.has_value() && !summary.failure->reason.empty(), "a failure without a reason");
        Check(summary.failure->linePosition == failedLine, "the failure names the wrong line");
        Check(!summary.journaledPosition.has_value(), "a failed run wrote the journal");
        Check(journal.LastPosition(scratch.log)->position == 1, "a failed run left a journal record");
        Check(state.ResumePosition.value_or(0) < failedLine, "resume position beyond the failed line");
    } else {
        Check(summary.outcome == RunOutcome::Finished, "a readable log did not finish");
        const std::int64_t expected = lastLf != 0 ? lastLf : start;
        Check(summary.journaledPosition == expected, "wrong position journaled");
        Check(journal.LastPosition(scratch.log)->position == expected, "journal reads back another position");
        Check(host.text == status::Finished, "finished run without its status");
    }
    Check(!state.Processing, "Processing still set after the run");

    // What reached the database: every row stems from a visit, every visit left a row.
    const std::int64_t rows = CountRows(db, "SELECT count(*) AS n FROM Names");
    const std::int64_t refs = CountRows(db, "SELECT count(*) AS n FROM Names WHERE Ref = Yes");
    std::int64_t visits = 0;
    for (const auto& call : refSink.calls)
        visits += call.kind == "ref" ? 0 : 1;
    Check(rows <= visits, "more rows than visits");
    Check((rows == 0) == (visits == 0), "visits recorded but no row");
    Check(refs <= rows, "more referee marks than rows");
    Check(summary.visitsRecorded == visits, "the summary counts other visits");
    return 0;
}
