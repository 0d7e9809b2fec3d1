#pragma once

#include "OnlinePlayers.h"

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace corvanth {

// Marks a sink's failure that says the store cannot be reached for now (a database server restarting,
// a network gone), not that anything written was wrong: what was not yet written is lost with it and
// can be written again once Reconnect() succeeds. The failure derives from its own exception class too.
class SinkUnreachable {
public:
    virtual ~SinkUnreachable() = default;
};

// The line of a log that gave a visit: the log's path and the position of the line's first byte (1-based;
// 0: no line).
struct LogLine {
    std::string log;
    std::int64_t position = 0;
};

// A sink that writes in batches finds a visit it cannot write only when its batch goes out: lines later,
// maybe while another log is read. Such a failure names the line that gave the visit, which is then the
// failure's line rather than the one in hand. The failure derives from its own exception class too.
class SinkFailure {
public:
    virtual ~SinkFailure() = default;
    const LogLine& failedLine() const { return failedLine_; }
    void setFailedLine(LogLine line) { failedLine_ = std::move(line); }

private:
    LogLine failedLine_;
};

// The line a failure names (see SinkFailure), or none.
inline const LogLine* FailedLineOf(const std::exception& e) {
    const auto* failure = dynamic_cast<const SinkFailure*>(&e);
    return failure && failure->failedLine().position > 0 ? &failure->failedLine() : nullptr;
}

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
    // A follower's view of one server's slots (table Online): the server's row, then each slot listed,
    // filled or emptied; slots not listed keep their rows. Goes into the batch being written, before
    // the Commit() that ends it. A store that keeps no such table (or may not create it) ignores it.
    virtual void PublishOnline(const OnlineServer&, std::span<const OnlineSlot>) {}
    // The visits, marks and GUIDs handed over next come from the line of `log` that starts at byte
    // `position`. A sink that writes them later names that line in its failure (SinkFailure).
    virtual void FromLine(std::string_view /*log*/, std::int64_t /*position*/) {}
    // Called by the run whenever it hands control to its host: commit batched writes that are due.
    virtual void Checkpoint() = 0;
    // Called at every end of a run: commit everything written so far.
    virtual void Commit() = 0;
    // After a SinkUnreachable failure: reaches the store again, dropping whatever was not yet written.
    // Throws a SinkUnreachable failure while it cannot. A store that is always reachable does nothing.
    virtual void Reconnect() {}
};

} // namespace corvanth
