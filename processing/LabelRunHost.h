#pragma once

#include "RunHost.h"

#include <functional>

class QLabel;

namespace corvanth {

// The window as a run's host: the event loop runs nested inside the run, and the status is the
// caption of lblStatus.
class LabelRunHost : public RunHost {
public:
    explicit LabelRunHost(QLabel& statusLabel) : status_(statusLabel) {}

    void pumpEvents() override;
    void setStatus(std::string_view text) override;

private:
    QLabel& status_;
};

} // namespace corvanth
