#include "SignalInbox.h"

#include <sys/signalfd.h>
#include <unistd.h>

namespace corvanth {

SignalInbox::SignalInbox(std::initializer_list<int> numbers) {
    sigemptyset(&set_);
    for (const int number : numbers)
        sigaddset(&set_, number);
    if (sigprocmask(SIG_BLOCK, &set_, nullptr) == 0) fd_ = signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
}

SignalInbox::~SignalInbox() {
    if (fd_ >= 0) ::close(fd_);
    sigprocmask(SIG_UNBLOCK, &set_, nullptr);
}

int SignalInbox::take() {
    if (fd_ < 0) return 0;
    signalfd_siginfo info;
    if (::read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return 0;
    return static_cast<int>(info.ssi_signo);
}

} // namespace corvanth
