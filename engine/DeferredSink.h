#pragma once

#include "VisitSink.h"

#include <exception>
#include <functional>
#include <thread>

namespace corvanth {

// A sink that is still being opened on a thread of its own while a run starts reading: making a new
// database file waits for the disk, and the log's first megabytes need no sink. Every call first waits
// for the opening (once) and then goes to the sink opened; when the opening failed, every call throws
// its failure. Like any sink it is used by one thread at a time, handed over as the run's visit writer
// hands its sink over.
class DeferredSink : public VisitSink {
public:
    // Starts `open` on a thread of its own; what it returns must outlive this object.
    explicit DeferredSink(std::function<VisitSink&()> open);
    ~DeferredSink() override;
    DeferredSink(const DeferredSink&) = delete;
    DeferredSink& operator=(const DeferredSink&) = delete;

    // Waits for the opening; its failure, or nothing when the sink opened.
    std::exception_ptr OpeningFailure();

    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                    std::string_view lastVisit) override;
    void PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) override;
    void FromLine(std::string_view log, std::int64_t position) override;
    void Checkpoint() override;
    void Commit() override;
    void Reconnect() override;

private:
    // Waits for the opening; throws its failure.
    VisitSink& opened();
    void wait();

    VisitSink* sink_ = nullptr;
    std::exception_ptr failure_;
    std::thread thread_;
};

} // namespace corvanth
