#include "SearchCache.h"

#include <algorithm>

namespace corvanth {

SearchCache::Result SearchCache::Get(const std::string& key, const std::function<WebSearchResult()>& run) {
    std::promise<Result> promise;
    {
        std::unique_lock lock(mutex_);
        const auto found = entries_.find(key);
        if (found != entries_.end() && (!found->second.ready || clock_() - found->second.made < lifetime_)) {
            found->second.lastUse = ++uses_;
            std::shared_future<Result> result = found->second.result;
            lock.unlock();
            return result.get();
        }
        if (found != entries_.end()) {
            rows_ -= found->second.rows;
            entries_.erase(found);
        }
        entries_[key] = Entry{promise.get_future().share(), clock_(), 0, false, ++uses_};
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
    if (result->outcome.failure || result->list->Count() > rowBudget_) {
        entries_.erase(entry);
    } else {
        entry->second.ready = true;
        entry->second.made = clock_();
        entry->second.rows = result->list->Count();
        rows_ += entry->second.rows;
        Evict();
    }
    return result;
}

void SearchCache::Evict() {
    while (rows_ > rowBudget_) {
        auto oldest = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.ready && (oldest == entries_.end() || it->second.lastUse < oldest->second.lastUse))
                oldest = it;
        if (oldest == entries_.end()) return;
        rows_ -= oldest->second.rows;
        entries_.erase(oldest);
    }
}

} // namespace corvanth
