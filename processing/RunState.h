#pragma once

namespace corvanth {

// Where the window's run stands. ProcessingControl owns the one value; the status label and the
// Pause button's caption are drawn from it when it changes and are never read back.
enum class RunState {
    Idle,        // no run yet
    Running,     // a run is on the stack, reading the log
    Paused,      // Pause stopped the run at a line end; Resume goes on from the position reached
    Stopping,    // Cancel or closing the window asked the run to stop at its next line end
    Canceled,    // the run returned after a stop that was not a pause, or a pause was canceled
    Finished,    // the run reached the end of the log
    Failed,      // the run stopped on a failure; its reason is the status label's tooltip
    FileMissing, // the log did not exist
};

} // namespace corvanth
