#include "LoginThrottle.h"

namespace corvanth {

bool LoginThrottle::Allowed(const std::string& address) {
    const std::lock_guard lock(mutex_);
    const auto found = records_.find(address);
    return found == records_.end() || clock_() >= found->second.refusedUntil;
}

void LoginThrottle::Failed(const std::string& address) {
    const std::lock_guard lock(mutex_);
    const auto now = clock_();
    Record& record = records_[address];
    while (!record.failures.empty() && now - record.failures.front() >= kWindow)
        record.failures.pop_front();
    record.failures.push_back(now);
    if (record.failures.size() >= kFailures) {
        record.refusedUntil = now + kRefusal;
        record.failures.clear();
    }
}

void LoginThrottle::Succeeded(const std::string& address) {
    const std::lock_guard lock(mutex_);
    records_.erase(address);
}

} // namespace corvanth
