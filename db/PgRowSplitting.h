#pragma once

#include "DatabaseError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace corvanth {

// Where a gathered row came from: the log (an index into the writer's list of logs) and the byte
// position of its line (0: not from a log line).
struct RowOrigin {
    std::size_t log = 0;
    std::int64_t line = 0;
};

// The server refused a statement for the values it holds (a data exception, a constraint, a limit such
// as an index entry's size, or two rows of one statement on one pair): written one row at a time, the
// other rows go in.
bool RefusedForItsValues(const DatabaseError& e);

// The first bytes of a text, for a message.
std::string Brief(std::string_view text);

// Writes rows [0, count) in one statement (`write(from, to, context)`); when the server refuses it for
// its values, each half in turn, down to single rows, so every row not refused is written (a few
// statements for one bad row among thousands). Then throws a refusal, named by `describe`, with the log
// line of its row (`lineOf`): of the rows of one log, the earliest line's; else the first row's.
void WriteSplitting(std::size_t count,
                    const std::function<void(std::size_t, std::size_t, const char*)>& write,
                    const char* context, const std::function<std::string(std::size_t)>& describe,
                    const std::function<LogLine(std::size_t)>& lineOf);

} // namespace corvanth
