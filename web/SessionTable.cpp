#include "SessionTable.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

namespace corvanth {

std::string RandomToken(std::size_t bytes) {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
    std::vector<unsigned char> random(bytes);
    randombytes_buf(random.data(), random.size());
    std::string hex(bytes * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), random.data(), random.size());
    hex.pop_back();
    return hex;
}

std::string SessionTable::Open(const std::string& account, Role role) {
    std::string token = RandomToken();
    const std::lock_guard lock(mutex_);
    const auto now = clock_();
    std::erase_if(sessions_, [&](const auto& entry) { return now - entry.second.lastSeen > kIdleLimit; });
    sessions_[token] = Session{account, role, RandomToken(), now};
    return token;
}

std::optional<Session> SessionTable::Find(const std::string& token) {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(token);
    if (found == sessions_.end()) return std::nullopt;
    const auto now = clock_();
    if (now - found->second.lastSeen > kIdleLimit) {
        sessions_.erase(found);
        return std::nullopt;
    }
    found->second.lastSeen = now;
    return found->second;
}

void SessionTable::Close(const std::string& token) {
    const std::lock_guard lock(mutex_);
    sessions_.erase(token);
}

} // namespace corvanth
