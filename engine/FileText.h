#pragma once

#include <optional>
#include <string>

namespace corvanth {

// Whether `path` names something other than a folder: a file, or a pipe or device named like one.
bool FileExists(const std::string& path);

// The whole content of a small text file, or nothing when there is no such file. Throws RunFailure,
// naming the file and the reason, when it exists but cannot be read (no permission, a folder).
std::optional<std::string> ReadWholeFile(const std::string& path);

} // namespace corvanth
