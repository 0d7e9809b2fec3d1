#pragma once

#include <chrono>

namespace corvanth {

// Seconds with fractions for the start time of a run and the progress estimate. A steady clock, so
// the elapsed time of a run that crosses midnight (or a clock change) is still the real time.
class RunClock {
public:
    virtual ~RunClock() = default;
    virtual double seconds() const {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};

} // namespace corvanth
