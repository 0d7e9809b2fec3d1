#pragma once

#include "ClientWatch.h"
#include "FixedPostHost.h"

namespace corvanth {

// Post's and ListCluster's host for a web request: the alias choice fixed, and a stop once the request's
// client has gone, looked at before the first row and at every hand-over (some every 15 ms).
class WebPostHost : public FixedPostHost {
public:
    WebPostHost(Aliases aliases, ClientWatch* client)
        : FixedPostHost(aliases), client_(client), gone_(client && client->Gone()) {}

    void pumpEvents() override {
        FixedPostHost::pumpEvents();
        if (client_) gone_ = client_->Gone();
    }
    bool stopRequested() const override { return gone_; }

private:
    ClientWatch* client_;
    bool gone_;
};

} // namespace corvanth
