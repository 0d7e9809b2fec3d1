#pragma once

#include <QString>

namespace corvanth {

// A timed processing run started from the window, for bench/window-throughput: the window opens on
// `logPath`, Process is clicked at byte 1 and the run goes to the end of the log. Prints the run's
// time and the longest gap between two turns of the event loop during it. Uses the data folder and
// the settings of the environment, so the caller points both at scratch folders.
int RunWindowBench(const QString& logPath);

} // namespace corvanth
