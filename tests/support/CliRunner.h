#pragma once

#include "TempFolder.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corvanth::test {

struct CliResult {
    int exitCode = -1;
    int signal = 0;
    std::string out;
    std::string err;
};

// A child the test started (a corvanth-cli, say), killed and reaped should the test end before it does.
struct CliProcess {
    pid_t pid = -1;
    explicit CliProcess(pid_t started) : pid(started) {}
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    ~CliProcess() {
        if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
    }
    // Waits for the program to end: its exit code and the signal that ended it (out and err empty).
    CliResult wait() {
        int status = 0;
        waitpid(std::exchange(pid, -1), &status, 0);
        return {
            WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0, {}, {}};
    }
};

// Starts corvanth-cli with `args` and the environment plus `env` (NAME=value entries), its stdout and
// stderr going to the files `out` and `err`, and does not wait for it. `inChild`, when given, runs in
// the child just before the program starts (to change its user, groups or umask); when it returns
// false the child ends with exit code 126 instead. `program` is the binary to run (a copy where another
// user can reach it, say).
inline pid_t StartCli(const std::vector<std::string>& args, const std::string& out, const std::string& err,
                      const std::vector<std::string>& env = {}, const std::function<bool()>& inChild = {},
                      const std::string& program = CORVANTH_CLI) {
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
    return pid;
}

// Runs corvanth-cli as StartCli does and waits for it. The program writes into two files of a folder
// of its own, read back once it has ended: nothing is shared with a program started at the same time
// from another thread.
inline CliResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                        const std::function<bool()>& inChild = {},
                        const std::string& program = CORVANTH_CLI) {
    const TempFolder dir;
    const CliResult ended =
        CliProcess(StartCli(args, dir.file("out"), dir.file("err"), env, inChild, program)).wait();
    return {ended.exitCode, ended.signal, dir.read("out"), dir.read("err")};
}

} // namespace corvanth::test
