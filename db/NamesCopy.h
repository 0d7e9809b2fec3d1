#pragma once

#include "NamesDatabase.h"

#include <cstdint>

namespace corvanth {

// Told how a copy goes, every few thousand rows and at the end.
class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    virtual void rowsCopied(std::int64_t done, std::int64_t total) = 0;
};

struct CopySummary {
    std::int64_t copied = 0;  // rows of table Names read and merged into the target
    std::int64_t guids = 0;   // rows of table Guids read and merged into the target
    std::int64_t skipped = 0; // rows without a name or an address (or GUID), which no run would have written
};

// Copies every row of `from` into `to`, merging pairs as a run would (the later LastVisit, the referee
// mark kept if either has it), then every row of its table Guids when it has one (the later LastVisit
// per GUID, name and address), names as stored, and commits. The progress counts the rows of both. Throws
// DatabaseError, before anything is written when the two are the same database.
CopySummary CopyNames(NamesDatabase& from, NamesDatabase& to, CopyProgress& progress);

} // namespace corvanth
