#pragma once

#include "SessionTable.h"

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace corvanth {

// Login failures per client address: after 5 in 10 minutes, that address is refused for 10 minutes
// (right password or not). Safe to use from every worker.
class LoginThrottle {
public:
    static constexpr std::size_t kFailures = 5;
    static constexpr std::chrono::minutes kWindow{10};
    static constexpr std::chrono::minutes kRefusal{10};

    explicit LoginThrottle(WebClock clock) : clock_(std::move(clock)) {}

    // Whether `address` may try now.
    bool Allowed(const std::string& address);
    void Failed(const std::string& address);
    void Succeeded(const std::string& address);

private:
    struct Record {
        std::deque<std::chrono::steady_clock::time_point> failures;
        std::chrono::steady_clock::time_point refusedUntil{};
    };
    WebClock clock_;
    std::mutex mutex_;
    std::unordered_map<std::string, Record> records_;
};

} // namespace corvanth
