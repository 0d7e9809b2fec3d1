#include "DatabasePool.h"

namespace corvanth {

DatabasePool::Lease DatabasePool::Acquire() {
    std::unique_ptr<NamesDatabase> database;
    {
        std::unique_lock lock(mutex_);
        returned_.wait(lock, [this] { return leased_ < maxLeases_; });
        ++leased_;
        if (!idle_.empty()) {
            database = std::move(idle_.back());
            idle_.pop_back();
        }
    }
    if (!database) {
        database = std::make_unique<NamesDatabase>();
        // The server's memory is watched: a mapped file would count every page a search reads in it.
        database->SetFileReading(FileReading::Copied);
        try {
            database->Open(location_);
        } catch (...) {
            Return(nullptr);
            throw;
        }
    }
    return Lease(*this, std::move(database));
}

void DatabasePool::Return(std::unique_ptr<NamesDatabase> database) {
    {
        const std::lock_guard lock(mutex_);
        --leased_;
        if (database) idle_.push_back(std::move(database));
    }
    returned_.notify_one();
}

} // namespace corvanth
