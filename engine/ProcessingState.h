#pragma once

#include "LogReader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace corvanth {

inline constexpr int kClientSlots = 101; // client numbers 0 to 100

// The engine's shared state: one instance for the program's life, owned by the top level (window,
// command line or test) and passed by reference. Handlers that run while a run pumps events talk to
// the run only through this record.
struct ProcessingState {
    bool Processing = false;
    LogReader LogFile;
    std::optional<std::int64_t> ResumePosition; // position of the last LF read by any run
    // The 1-based position of the last log byte the current (or last) run has consumed, published
    // before every hand-over to the host: what the progress display shows.
    std::int64_t ReadPosition = 0;
    std::string CurrentLine; // bytes since the last LF (Windows-1252)
    std::array<std::string, kClientSlots> ClientNames;
    std::array<std::string, kClientSlots> ClientIPs;
    std::array<std::string, kClientSlots> ClientDates;

    void ClearClients() {
        for (auto& s : ClientIPs)
            s.clear();
        for (auto& s : ClientNames)
            s.clear();
    }
};

} // namespace corvanth
