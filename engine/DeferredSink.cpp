#include "DeferredSink.h"

#include <utility>

namespace corvanth {

DeferredSink::DeferredSink(std::function<VisitSink&()> open)
    : thread_([this, open = std::move(open)] {
          try {
              sink_ = &open();
          } catch (...) {
              failure_ = std::current_exception();
          }
      }) {}

DeferredSink::~DeferredSink() {
    wait();
}

void DeferredSink::wait() {
    if (thread_.joinable()) thread_.join();
}

std::exception_ptr DeferredSink::OpeningFailure() {
    wait();
    return failure_;
}

VisitSink& DeferredSink::opened() {
    wait();
    if (failure_) std::rethrow_exception(failure_);
    return *sink_;
}

void DeferredSink::RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) {
    opened().RecordVisit(playerName, ip, lastVisit);
}

void DeferredSink::MarkReferee(std::string_view playerName, std::string_view ip) {
    opened().MarkReferee(playerName, ip);
}

void DeferredSink::RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                              std::string_view lastVisit) {
    opened().RecordGuid(guid, playerName, ip, lastVisit);
}

void DeferredSink::PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) {
    opened().PublishOnline(server, slots);
}

void DeferredSink::FromLine(std::string_view log, std::int64_t position) {
    opened().FromLine(log, position);
}

void DeferredSink::Checkpoint() {
    opened().Checkpoint();
}

void DeferredSink::Commit() {
    opened().Commit();
}

void DeferredSink::Reconnect() {
    opened().Reconnect();
}

} // namespace corvanth
