#pragma once

#include <cstdio>
#include <optional>

namespace corvanth {

// The window's own options, answered before any window system is needed: --help (or -h) and
// --version write to `out` and end the program: 0, or 1 when the text could not be written. Every
// other argument is left to Qt (-platform NAME, -style NAME, ...); an argument `--` ends the options.
// Nothing when the window is to start.
std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, std::FILE* out);

} // namespace corvanth
