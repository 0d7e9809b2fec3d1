#pragma once

#include <string_view>

namespace corvanth {

// Where the line interpreter records what it learns. Texts are UTF-8.
class VisitSink {
public:
    virtual ~VisitSink() = default;
    virtual void RecordVisit(std::string_view playerName, std::string_view ip,
                             std::string_view lastVisit) = 0;
    virtual void MarkReferee(std::string_view playerName, std::string_view ip) = 0;
    // A client GUID seen with a name and an address (logs that carry GUIDs: Urban Terror's cl_guid).
    virtual void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                            std::string_view lastVisit) = 0;
    // Called by the run whenever it hands control to its host: commit batched writes that are due.
    virtual void Checkpoint() = 0;
    // Called at every end of a run: commit everything written so far.
    virtual void Commit() = 0;
};

} // namespace corvanth
