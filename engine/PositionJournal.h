#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvanth {

// Positions.txt: for every log processed, the position the last run reached. One record a line:
// the log's path, a double quote, the position; lines end in CR LF. Records are read as whole lines,
// so a path with a comma is matched as a whole. Paths match ignoring letter case.
class PositionJournal {
public:
    explicit PositionJournal(std::string folder);

    const std::string& journalPath() const { return journal_; }
    const std::string& scratchPath() const { return scratch_; }

    // Records `position` for `logPath`: every matching record is replaced (keeping its stored
    // spelling), a new log is appended. Writes the scratch file, deletes the journal, renames.
    // Throws std::runtime_error when a file operation fails; the old journal is then unchanged.
    void SavePosition(const std::string& logPath, double position) const;

    // The position of the first well-formed matching record, or 1. Blank lines and records without a
    // numeric position are skipped; each one skipped is described in `problems` when given.
    double LastPosition(const std::string& logPath, std::vector<std::string>* problems = nullptr) const;

private:
    std::string folder_;
    std::string journal_;
    std::string scratch_;
};

} // namespace corvanth
