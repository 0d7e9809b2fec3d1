#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <exception>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace corvanth::test {
namespace {

// The user id of "nobody": a child that must meet permissions drops to it when the tests run as root.
constexpr uid_t kNobody = 65534;

void ApplyLimits(const ChildLimits& limits) {
    if (limits.privileges == ChildLimits::Privileges::DropWhenRoot && ::geteuid() == 0)
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(121);
    if (limits.fileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail with EFBIG instead of killing
        const rlimit r{*limits.fileSizeLimit, *limits.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(122);
    }
}

} // namespace

ChildResult RunInChild(const ChildLimits& limits, const std::function<int(std::string& report)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        ApplyLimits(limits);
        std::string report;
        int code = 120;
        try {
            code = body(report);
        } catch (const std::exception& e) {
            report += std::string("exception: ") + e.what();
        }
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    ChildResult result;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) != 0;)
        if (n > 0)
            result.report.append(buf, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

} // namespace corvanth::test
