#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace corvanth::bench {

// Milliseconds in a steady-clock duration.
double Milliseconds(std::chrono::steady_clock::duration d);

// Runs the program `arguments[0]` with its output going to /dev/null; returns the wall time in
// milliseconds, or a negative number when it could not start or failed.
double TimeCommand(const std::vector<std::string>& arguments);

} // namespace corvanth::bench
