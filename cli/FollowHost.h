#pragma once

#include "RunHost.h"
#include "SignalInbox.h"

#include <functional>
#include <string>

namespace corvanth {

// The follower's host on the command line: SIGINT and SIGTERM (asking for a stop) and SIGHUP (asking
// for the logs to be reopened) arrive through a signalfd, read whenever the scan hands over control
// and whenever the follower wakes.
class FollowHost : public RunHost {
public:
    FollowHost();

    // Called from inside a scan: it may only ask the scans to stop.
    std::function<void()> onStop;

    void pumpEvents() override;
    // Takes signals only.
    StoreUse storeUseWhilePumping() const override { return StoreUse::LeavesAlone; }
    void setStatus(std::string_view) override {}
    // The descriptor to wait on beside the log notifications; -1 when signals could not be redirected.
    int signalDescriptor() const { return signals_.descriptor(); }
    // True once per SIGHUP received since the last call: the logs are reopened between turns.
    bool takeReopenRequest() {
        const bool asked = reopenAsked_;
        reopenAsked_ = false;
        return asked;
    }

private:
    SignalInbox signals_;
    bool reopenAsked_ = false;
};

} // namespace corvanth
