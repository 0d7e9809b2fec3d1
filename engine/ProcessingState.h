#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace corvanth {

inline constexpr int kClientSlots = 101; // client numbers 0 to 100

// What a run shares with the handlers that run while it pumps events: one instance for the program's
// life, owned by the top level (window, command line or test) and passed by reference. The open log
// and the line being assembled belong to the run's scanner, not here.
struct ProcessingState {
    bool Processing = false;                    // cleared by whoever wants the run to stop
    std::optional<std::int64_t> ResumePosition; // position of the last LF read by any run
    // The 1-based position of the last log byte the current (or last) run has consumed, published
    // before every hand-over to the host: what the progress display shows.
    std::int64_t ReadPosition = 0;
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
