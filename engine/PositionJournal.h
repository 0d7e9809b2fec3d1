#pragma once

#include "DurableFile.h"
#include "Outcome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvanth {

// What the journal says about one log: the position to start at, and the records that were passed
// over because they are blank or have no numeric position (one description each).
struct JournalLookup {
    std::int64_t position = 1;
    std::vector<std::string> skippedRecords;
};

// Positions.txt: for every log processed, the position the last run reached. One record a line:
// the log's path, a double quote, the position; lines end in CR LF. Records are read as whole lines
// and split at their last double quote, so a path with a comma or a double quote is matched as a
// whole; a line without a double quote is all path. Paths match ignoring letter case.
class PositionJournal {
public:
    explicit PositionJournal(std::string folder, const FileSystemCalls& calls = SystemFileCalls());

    // Records `position` for `logPath`: every matching record is replaced (keeping its stored
    // spelling), a new log is appended. Reads the journal and replaces it durably through the scratch
    // file (WriteFileDurably). Throws RunFailure naming the file when a file operation fails; the journal is
    // then unchanged.
    void SavePosition(const std::string& logPath, std::int64_t position) const;

    // The position of the first matching record that has one, or 1. Fails, naming the file, when the
    // journal exists but cannot be read.
    Outcome<JournalLookup> LastPosition(const std::string& logPath) const;

private:
    std::string journal_;
    std::string scratch_;
    const FileSystemCalls& calls_;
};

} // namespace corvanth
