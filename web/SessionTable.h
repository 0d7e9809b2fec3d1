#pragma once

#include "AccountFile.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvanth {

using WebClock = std::function<std::chrono::steady_clock::time_point()>;

// One logged-in browser: its account, role and the token every state-changing form carries.
struct Session {
    std::string account;
    Role role = Role::Moderator;
    std::string csrf;
    std::chrono::steady_clock::time_point lastSeen;
};

// The sessions of the server, by their cookie token (32 random bytes, hex). A session unused for 12
// hours is gone. Safe to use from every worker.
class SessionTable {
public:
    static constexpr std::chrono::hours kIdleLimit{12};

    explicit SessionTable(WebClock clock) : clock_(std::move(clock)) {}

    // A new session; returns its token.
    std::string Open(const std::string& account, Role role);
    // The session of `token` (its idle time restarted), or nothing when unknown or expired.
    std::optional<Session> Find(const std::string& token);
    void Close(const std::string& token);

private:
    WebClock clock_;
    std::mutex mutex_;
    std::unordered_map<std::string, Session> sessions_;
};

// `bytes` random bytes as lower-case hex (libsodium's generator).
std::string RandomToken(std::size_t bytes = 32);

} // namespace corvanth
