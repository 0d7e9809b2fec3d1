#include "FollowHost.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace corvanth {
namespace {

sigset_t FollowSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

FollowHost::FollowHost() {
    const sigset_t set = FollowSignals();
    if (sigprocmask(SIG_BLOCK, &set, nullptr) == 0)
        signalFd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

FollowHost::~FollowHost() {
    if (signalFd_ >= 0) ::close(signalFd_);
    const sigset_t set = FollowSignals();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void FollowHost::pumpEvents() {
    if (signalFd_ < 0) return;
    signalfd_siginfo info;
    while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGHUP) {
            reopenAsked_ = true;
        } else {
            stopAsked_ = true;
            if (onStop) onStop();
        }
    }
}

} // namespace corvanth
