#include "VisitDates.h"

#include <cstdio>

namespace corvanth {

std::string VisitDateText(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return {};
    char text[32];
    const int n =
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                      local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

std::string_view ReadingClock::Now() {
    const std::time_t now = std::time(nullptr);
    if (now != shown_) {
        text_ = VisitDateText(now);
        shown_ = now;
    }
    return text_;
}

} // namespace corvanth
