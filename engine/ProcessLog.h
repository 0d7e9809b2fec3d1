#pragma once

#include "PositionJournal.h"
#include "ProcessingState.h"
#include "RunHost.h"
#include "StartPosition.h"
#include "VisitSink.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace corvanth {

enum class RunOutcome {
    FileMissing, // nothing opened, nothing journaled
    Finished,    // end of the log reached
    Stopped,     // Processing was cleared: canceled or paused, position journaled
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
    std::int64_t visitsRecorded = 0;
    std::int64_t refereeMarks = 0;
    std::int64_t overlongLines = 0;
    std::optional<std::int64_t> journaledPosition;
    std::optional<RunFailureInfo> failure;
};

struct RunOptions {
    // How often the run hands control to its host.
    std::chrono::milliseconds pumpInterval{15};
    // The clock is looked at after this many lines (or 64 KiB), not after every line.
    int linesPerClockCheck = 64;
    // Longer lines are not interpreted; their bytes are read and dropped, so memory stays bounded.
    std::size_t maxLineLength = 1 << 20;
};

// One processing run over a log. Returns when the run is over: at the end of the log, when Processing
// was cleared (checked at every line end), when the file is missing, or on a failure. Never throws
// for anything the log, the database or the journal does.
RunSummary ProcessLog(ProcessingState& state, VisitSink& sink, const PositionJournal& journal, RunHost& host,
                      const std::string& logFilePath, std::optional<StartPosition> start,
                      const RunOptions& options = {});

} // namespace corvanth
