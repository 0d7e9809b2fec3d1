#pragma once

#include "LogScanner.h"
#include "PositionJournal.h"
#include "ProcessingState.h"
#include "RunHost.h"
#include "StartPosition.h"
#include "VisitSink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvanth {

enum class RunOutcome {
    FileMissing, // nothing opened, nothing journaled
    Finished,    // end of the log reached
    Stopped,     // Processing was cleared: position journaled, the status left to whoever asked
    Failed,      // a run-time failure: rows written so far are committed, the journal is left alone
};

struct RunFailureInfo {
    std::int64_t linePosition = 0; // 1-based position of the first byte of the line, 0 when none
    std::string line;              // the line as UTF-8, shortened when long
    std::string reason;
};

struct RunSummary {
    RunOutcome outcome = RunOutcome::Finished;
    std::int64_t startPosition = 1;
    std::int64_t bytesRead = 0;
    std::int64_t linesRead = 0;
    std::int64_t gamesTracked = 0; // InitGame lines that started a tracked game
    std::int64_t visitsRecorded = 0;
    std::int64_t refereeMarks = 0;
    std::int64_t overlongLines = 0;
    std::optional<std::int64_t> journaledPosition;
    std::optional<RunFailureInfo> failure;
};

// One processing run over a log: open it, scan to its end, journal the position reached. Returns when
// the run is over: at the end of the log ("Process Finished"), when Processing was cleared (checked at
// every line end; the status is left alone), when the file is missing ("File Doesn't Exist"), or on a
// failure. Never throws for anything the log, the database or the journal does.
RunSummary ProcessLog(ProcessingState& state, VisitSink& sink, const PositionJournal& journal, RunHost& host,
                      const std::string& logFilePath, std::optional<StartPosition> start,
                      const RunOptions& options = {});

} // namespace corvanth
