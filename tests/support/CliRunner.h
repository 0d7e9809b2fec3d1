#pragma once

#include <string>
#include <vector>

namespace corvanth::test {

struct CliResult {
    int exitCode = -1;
    int signal = 0;
    std::string out;
    std::string err;
};

// Runs corvanth-cli with `args` and the environment plus `env` (NAME=value entries) and waits for it.
CliResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

} // namespace corvanth::test
