#pragma once

#include "LogScanner.h"
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

    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    void setStatus(std::string_view s) override { text = std::string(s); }
};

// Run options that hand over control after every line, so a test can act at an exact line end.
inline RunOptions EveryLine() {
    RunOptions o;
    o.pumpInterval = std::chrono::milliseconds(0);
    o.linesPerClockCheck = 1;
    return o;
}

} // namespace corvanth::test
