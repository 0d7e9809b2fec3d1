#pragma once

#include <string_view>

namespace corvanth {

// The run's status texts, exactly as the window shows them.
namespace status {
inline constexpr std::string_view Idle = "Idle";
inline constexpr std::string_view Processing = "Processing";
inline constexpr std::string_view Paused = "Process Paused";
inline constexpr std::string_view Canceled = "Process Canceled";
inline constexpr std::string_view Finished = "Process Finished";
inline constexpr std::string_view FileMissing = "File Doesn't Exist";
} // namespace status

// Whether a host, while a run hands it control, may use the run's store (a window searches it).
enum class StoreUse {
    MayUse,     // every hand-over first waits until the run's visits are written
    LeavesAlone // the run's writing goes on through the hand-over
};

// What a run needs from whoever started it (window, command line, test). A stop is asked for by
// clearing ProcessingState::Processing; the run only writes status texts, it never reads one back.
class RunHost {
public:
    virtual ~RunHost() = default;
    // Lets pending events run: clicks, the progress tick, closing the window, Ctrl-C.
    virtual void pumpEvents() = 0;
    virtual StoreUse storeUseWhilePumping() const { return StoreUse::MayUse; }
    virtual void setStatus(std::string_view text) = 0;
};

} // namespace corvanth
