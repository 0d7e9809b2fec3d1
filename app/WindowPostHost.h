#pragma once

#include "PostHost.h"
#include "RunClock.h"

class QCheckBox;
class QLabel;

namespace corvanth {

// The window as the host of a search: the alias check boxes, lblMatches and the event loop.
class WindowPostHost : public PostHost {
public:
    WindowPostHost(QCheckBox& aliases, QCheckBox& broad, QLabel& matches, const RunClock& clock)
        : aliases_(aliases), broad_(broad), matches_(matches), clock_(clock) {}

    // Asks the searches on their way to end at their next row, or clears that request.
    void setStopRequested(bool stop) { stop_ = stop; }

    bool aliasesTicked() const override;
    bool aliasesEnabled() const override;
    bool broadTicked() const override;
    void pumpEvents() override;
    void setMatches(std::size_t count) override;
    bool stopRequested() const override { return stop_; }
    // The window's one clock.
    std::chrono::steady_clock::time_point now() const override;

private:
    QCheckBox& aliases_;
    QCheckBox& broad_;
    QLabel& matches_;
    const RunClock& clock_;
    bool stop_ = false;
};

} // namespace corvanth
