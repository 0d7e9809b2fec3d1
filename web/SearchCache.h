#pragma once

#include "SessionTable.h"
#include "WebSearch.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace corvanth {

// Recent search results, shared by every account: a page, the next page, a sort and the CSV of one
// search read one result instead of running it again, and a search asked for while the same one runs
// waits for it instead of running beside it.
//
// A result is used for `lifetime` after it was made (rows written meanwhile show after that). Once
// half of that has passed, the next caller makes it again while the others go on reading the one
// they have, so that a search many ask for is rarely waited for. The results kept hold at most
// `byteBudget` bytes in all (the least recently used go first). Failed searches are not kept. Safe to
// use from every worker.
class SearchCache {
public:
    using Result = std::shared_ptr<const WebSearchResult>;

    SearchCache(std::size_t byteBudget, std::chrono::seconds lifetime, WebClock clock)
        : byteBudget_(byteBudget), lifetime_(lifetime), clock_(std::move(clock)) {}

    // The result for `key`, made by `run` when there is none fresh. Rethrows what `run` throws.
    Result Get(const std::string& key, const std::function<WebSearchResult()>& run);

private:
    struct Entry {
        std::shared_future<Result> result;
        std::chrono::steady_clock::time_point made;
        std::size_t bytes = 0;
        bool ready = false;
        bool renewing = false; // a caller is making it again while this one is still read
        std::uint64_t lastUse = 0;
    };
    Result Renew(const std::string& key, const std::function<WebSearchResult()>& run);
    // Failures and results larger than the whole budget are not kept.
    bool Keepable(const WebSearchResult& result) const;
    // Makes `result` the entry's, made now (the mutex held).
    void Keep(Entry& entry, const Result& result);
    void Evict();

    std::size_t byteBudget_;
    std::chrono::seconds lifetime_;
    WebClock clock_;
    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
    std::size_t bytes_ = 0;
    std::uint64_t uses_ = 0;
};

} // namespace corvanth
