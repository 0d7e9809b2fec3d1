#include "FollowHost.h"

#include <csignal>

namespace corvanth {

FollowHost::FollowHost() : signals_({SIGINT, SIGTERM, SIGHUP}) {}

void FollowHost::pumpEvents() {
    for (int signal = signals_.take(); signal != 0; signal = signals_.take()) {
        if (signal == SIGHUP) {
            reopenAsked_ = true;
        } else {
            if (onStop) onStop();
        }
    }
}

} // namespace corvanth
