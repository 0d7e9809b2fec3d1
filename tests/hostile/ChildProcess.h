#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/resource.h>

namespace corvanth::test {

struct ChildLimits {
    enum class Privileges { Keep, DropWhenRoot } privileges = Privileges::Keep;
    std::optional<rlim_t> fileSizeLimit; // a disk that is full for this process
};

struct ChildResult {
    int exitCode = -1; // -1 when the child did not exit normally
    int signal = 0;
    std::string report; // what the body wrote to its report
};

// Runs `body` in a forked child under `limits` and waits for it. The body fills its report and
// returns the child's exit code; the child may also die by a signal.
ChildResult RunInChild(const ChildLimits& limits, const std::function<int(std::string& report)>& body);

} // namespace corvanth::test
