#pragma once

#include <array>
#include <string_view>

namespace corvanth {

// Exit statuses of corvanth-cli. kExitStatuses says what each means; every help text, the README and
// the manual page list them from there.
enum class ExitCode : int {
    Ok = 0,
    LogMissing = 1,
    RunFailed = 2,
    Usage = 64,
    DataError = 65,
};

struct ExitStatusMeaning {
    ExitCode code;
    std::string_view meaning;
};

inline constexpr std::array<ExitStatusMeaning, 5> kExitStatuses = {{
    {ExitCode::Ok, "done or cancelled (Ctrl-C, SIGTERM)"},
    {ExitCode::LogMissing, "the log does not exist (or is a directory)"},
    {ExitCode::RunFailed, "a run or the follower ended by a failure"},
    {ExitCode::Usage, "usage error: an unknown command or option, a missing or bad argument (follow with no "
                      "log too)"},
    {ExitCode::DataError, "data error: a bad or refused query, an unusable database or journal"},
}};

} // namespace corvanth
