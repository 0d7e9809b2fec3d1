#include "DatabasePool.h"

namespace corvanth {

DatabasePool::Lease DatabasePool::Acquire() {
    {
        const std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            auto database = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(database));
        }
    }
    auto database = std::make_unique<NamesDatabase>();
    database->Open(location_);
    return Lease(*this, std::move(database));
}

void DatabasePool::Return(std::unique_ptr<NamesDatabase> database) {
    if (!database) return;
    const std::lock_guard lock(mutex_);
    idle_.push_back(std::move(database));
}

} // namespace corvanth
