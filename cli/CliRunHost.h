#pragma once

#include "ProcessingState.h"
#include "RunHost.h"
#include "SignalInbox.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace corvanth {

enum class ProgressDisplay { Bar, None };

// The run's host on the command line: Ctrl-C (and SIGTERM) arrive through a signalfd and clear
// Processing, so the run stops at the end of the current line like Cancel; on a terminal a progress
// bar shows bytes, percent, rate and time left.
class CliRunHost : public RunHost {
public:
    CliRunHost(ProcessingState& state, std::int64_t fileSize, ProgressDisplay display);
    ~CliRunHost() override;
    CliRunHost(const CliRunHost&) = delete;
    CliRunHost& operator=(const CliRunHost&) = delete;

    void pumpEvents() override;
    // Draws progress and takes signals only.
    StoreUse storeUseWhilePumping() const override { return StoreUse::LeavesAlone; }
    void setStatus(std::string_view text) override { status_ = std::string(text); }
    // The last status text the host was given: what the summary line starts with.
    const std::string& shownStatus() const { return status_; }

    bool interrupted() const { return interrupted_; }
    // Clears the progress line before the summary is printed.
    void finishDisplay();

private:
    void drawBar();

    ProcessingState& state_;
    std::int64_t fileSize_;
    ProgressDisplay display_;
    std::string status_;
    SignalInbox signals_;
    bool interrupted_ = false;
    bool drawn_ = false;
    std::int64_t startPosition_ = -1;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

} // namespace corvanth
