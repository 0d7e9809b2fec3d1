#pragma once

#include "DatabaseLocation.h"
#include "NamesDatabase.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace corvanth {

// The server's database connections: a worker leases one for a request and gives it back when done,
// so each worker thread uses its own connection. At most `maxLeases` are out at once (the others wait):
// a search takes a core and may hold hundreds of megabytes, so more at once only share the cores and
// add up the memory. A connection is opened on first need (SQLite in WAL lets them read at the same
// time).
class DatabasePool {
public:
    DatabasePool(DatabaseLocation location, std::size_t maxLeases)
        : location_(std::move(location)), maxLeases_(maxLeases) {}

    class Lease {
    public:
        Lease(DatabasePool& pool, std::unique_ptr<NamesDatabase> database)
            : pool_(pool), database_(std::move(database)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease() { pool_.Return(std::move(database_)); }
        NamesDatabase& operator*() { return *database_; }

    private:
        DatabasePool& pool_;
        std::unique_ptr<NamesDatabase> database_;
    };

    // Throws DatabaseError when a new connection cannot be opened.
    Lease Acquire();

private:
    void Return(std::unique_ptr<NamesDatabase> database);

    DatabaseLocation location_;
    std::size_t maxLeases_;
    std::size_t leased_ = 0;
    std::mutex mutex_;
    std::condition_variable returned_;
    std::vector<std::unique_ptr<NamesDatabase>> idle_;
};

} // namespace corvanth
