#pragma once

#include <functional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvanth::test {

// Waits until `condition` holds, on events rather than a clock: the condition is tested again whenever
// something in `folder` changes (a file written, created or renamed into it) and once more when the
// child `pid` has ended. False when the child ended and the condition still does not hold.
inline bool WaitUntil(const std::string& folder, pid_t pid, const std::function<bool()>& condition) {
    const int watch = inotify_init1(IN_CLOEXEC);
    const int child = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (watch < 0 || child < 0 ||
        inotify_add_watch(watch, folder.c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) < 0)
        throw std::runtime_error("cannot watch " + folder + " or the child");
    bool held = condition();
    while (!held) {
        pollfd fds[2] = {{watch, POLLIN, 0}, {child, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) {
            held = condition();
            break;
        }
        char events[4096];
        if (read(watch, events, sizeof events) < 0) break;
        held = condition();
    }
    close(watch);
    close(child);
    return held;
}

} // namespace corvanth::test
