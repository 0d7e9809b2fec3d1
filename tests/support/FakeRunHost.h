#pragma once

#include "LogScanner.h"
#include "ProcessLog.h"
#include "RunHost.h"

#include <functional>
#include <string>

namespace corvanth::test {

// A run host that keeps the last status and lets a test act at every hand-over (counted from 1).
class FakeRunHost : public RunHost {
public:
    std::string text{status::Processing};
    int pumps = 0;
    std::function<void(int pump)> onPump;
    StoreUse storeUse = StoreUse::MayUse;

    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    StoreUse storeUseWhilePumping() const override { return storeUse; }
    void setStatus(std::string_view s) override { text = std::string(s); }
};

// Run options that hand over control after every line, so a test can act at an exact line end.
inline RunOptions EveryLine() {
    RunOptions o;
    o.pumpInterval = std::chrono::milliseconds(0);
    o.linesPerClockCheck = 1;
    return o;
}

// A run of `log` into `sink` from its first byte, with a state and a host of its own, journaled in
// the data folder `data`.
inline RunSummary RunFromStart(VisitSink& sink, const std::string& data, const std::string& log,
                               const RunOptions& options = {}) {
    ProcessingState state;
    FakeRunHost host;
    return ProcessLog(state, sink, PositionJournal(data), host, log, StartPosition(1), options);
}

} // namespace corvanth::test
