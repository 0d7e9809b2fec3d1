#include "CliRunHost.h"

#include <csignal>

namespace corvanth {
namespace {

std::string Megabytes(std::int64_t bytes) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return buf;
}

std::string Clock(double seconds) {
    if (seconds < 0 || seconds > 359999) return "--:--";
    const auto s = static_cast<long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

} // namespace

CliRunHost::CliRunHost(ProcessingState& state, std::int64_t fileSize, ProgressDisplay display)
    : state_(state), fileSize_(fileSize), display_(display), signals_({SIGINT, SIGTERM}) {}

CliRunHost::~CliRunHost() {
    // A stop request that came after the last look is answered already: the run is over.
    while (signals_.take() != 0)
        interrupted_ = true;
}

void CliRunHost::pumpEvents() {
    while (signals_.take() != 0) {
        interrupted_ = true;
        state_.Processing = false;
    }
    if (display_ == ProgressDisplay::Bar) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastDraw_ >= std::chrono::milliseconds(100)) {
            lastDraw_ = now;
            drawBar();
        }
    }
}

void CliRunHost::drawBar() {
    const std::int64_t position = state_.ReadPosition;
    if (startPosition_ < 0) {
        startPosition_ = position;
        start_ = std::chrono::steady_clock::now();
    }
    const double fraction = fileSize_ > 0 ? std::min(1.0, static_cast<double>(position) / fileSize_) : 1.0;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(filled, '#');
    bar.append(kWidth - filled, '.');
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = elapsed > 0 ? static_cast<double>(position - startPosition_) / elapsed : 0;
    const double left = rate > 0 ? static_cast<double>(fileSize_ - position) / rate : -1;
    std::fprintf(stderr, "\r[%s] %5.1f%%  %s / %s  %s/s  %s left  ", bar.c_str(), fraction * 100,
                 Megabytes(position).c_str(), Megabytes(fileSize_).c_str(),
                 Megabytes(static_cast<std::int64_t>(rate)).c_str(), Clock(left).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void CliRunHost::finishDisplay() {
    if (drawn_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    drawn_ = false;
}

} // namespace corvanth
