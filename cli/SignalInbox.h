#pragma once

#include <initializer_list>

#include <csignal>

namespace corvanth {

// Signals a command wants to handle between two lines of work rather than at any instruction: while
// an inbox lives they are blocked and queue up on a signalfd, which the owner reads when it hands
// over control (and may wait on beside other descriptors). The old mask is restored on destruction.
class SignalInbox {
public:
    explicit SignalInbox(std::initializer_list<int> numbers);
    ~SignalInbox();
    SignalInbox(const SignalInbox&) = delete;
    SignalInbox& operator=(const SignalInbox&) = delete;

    // The next signal waiting, or 0 when none is (or the signals could not be redirected).
    int take();
    // The descriptor to wait on; -1 when the signals could not be redirected.
    int descriptor() const { return fd_; }

private:
    sigset_t set_;
    int fd_ = -1;
};

} // namespace corvanth
