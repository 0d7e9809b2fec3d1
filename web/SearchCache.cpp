#include "SearchCache.h"

namespace corvanth {

SearchCache::Result SearchCache::Get(const std::string& key, const std::function<WebSearchResult()>& run) {
    std::promise<Result> promise;
    {
        std::unique_lock lock(mutex_);
        const std::uint64_t use = ++uses_;
        const auto found = entries_.find(key);
        if (found != entries_.end()) {
            Entry& entry = found->second;
            const auto age = clock_() - entry.made;
            if (!entry.ready || age < lifetime_) {
                entry.lastUse = use;
                const bool renew = entry.ready && !entry.renewing && age >= lifetime_ / 2;
                if (!renew) {
                    std::shared_future<Result> result = entry.result;
                    lock.unlock();
                    return result.get();
                }
                entry.renewing = true;
                lock.unlock();
                return Renew(key, run);
            }
            bytes_ -= entry.bytes;
            entries_.erase(found);
        }
        entries_[key] = Entry{promise.get_future().share(), clock_(), 0, false, false, use};
    }
    Result result;
    try {
        result = std::make_shared<const WebSearchResult>(run());
    } catch (...) {
        promise.set_exception(std::current_exception());
        const std::lock_guard lock(mutex_);
        entries_.erase(key);
        throw;
    }
    promise.set_value(result);
    const std::lock_guard lock(mutex_);
    const auto entry = entries_.find(key);
    if (entry == entries_.end()) return result;
    if (Keepable(*result))
        Keep(entry->second, result);
    else
        entries_.erase(entry);
    return result;
}

// Makes a result again while the one kept is still fresh, and keeps the new one in its place.
SearchCache::Result SearchCache::Renew(const std::string& key, const std::function<WebSearchResult()>& run) {
    Result result;
    try {
        result = std::make_shared<const WebSearchResult>(run());
    } catch (...) {
        const std::lock_guard lock(mutex_);
        const auto entry = entries_.find(key);
        if (entry != entries_.end()) entry->second.renewing = false;
        throw;
    }
    const std::lock_guard lock(mutex_);
    const auto entry = entries_.find(key);
    if (entry == entries_.end() || !entry->second.ready) return result; // evicted or expired meanwhile
    entry->second.renewing = false;
    if (Keepable(*result)) Keep(entry->second, result);
    return result;
}

bool SearchCache::Keepable(const WebSearchResult& result) const {
    return !result.outcome.failure && result.rows.Bytes() <= byteBudget_;
}

void SearchCache::Keep(Entry& entry, const Result& result) {
    std::promise<Result> made;
    made.set_value(result);
    bytes_ = bytes_ - entry.bytes + result->rows.Bytes();
    entry.result = made.get_future().share();
    entry.made = clock_();
    entry.bytes = result->rows.Bytes();
    entry.ready = true;
    Evict();
}

void SearchCache::Evict() {
    while (bytes_ > byteBudget_) {
        auto oldest = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.ready && (oldest == entries_.end() || it->second.lastUse < oldest->second.lastUse))
                oldest = it;
        if (oldest == entries_.end()) return;
        bytes_ -= oldest->second.bytes;
        entries_.erase(oldest);
    }
}

} // namespace corvanth
