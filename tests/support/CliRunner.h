#pragma once

#include "TempFolder.h"

#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvanth::test {

struct CliResult {
    int exitCode = -1;
    int signal = 0;
    std::string out;
    std::string err;
};

// Runs corvanth-cli with `args` and the environment plus `env` (NAME=value entries) and waits for it.
// The program writes into two files of a folder of its own, read back once it has ended: nothing is
// shared with a program started at the same time from another thread. `inChild`, when given, runs in
// the child just before the program starts (to change its user, groups or umask); when it returns
// false the child ends with exit code 126 instead. `program` is the binary to run (a copy where another
// user can reach it, say).
inline CliResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                        const std::function<bool()>& inChild = {},
                        const std::string& program = CORVANTH_CLI) {
    const TempFolder dir;
    const std::string out = dir.file("out"), err = dir.file("err");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        for (const auto& e : env)
            putenv(const_cast<char*>(e.c_str()));
        if (inChild && !inChild()) _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
            dir.read("out"), dir.read("err")};
}

} // namespace corvanth::test
