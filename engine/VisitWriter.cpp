#include "VisitWriter.h"

#include <utility>

namespace corvanth {

VisitWriter::VisitWriter(VisitSink& sink) : sink_(sink), filling_(std::make_unique<Batch>()) {}

VisitWriter::~VisitWriter() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void VisitWriter::RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) {
    if (failure_)
        passOver();
    else
        add(Kind::Visit, playerName, ip, lastVisit);
}

void VisitWriter::MarkReferee(std::string_view playerName, std::string_view ip) {
    if (failure_)
        passOver();
    else
        add(Kind::Referee, playerName, ip, {});
}

void VisitWriter::RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                             std::string_view lastVisit) {
    if (failure_)
        passOver();
    else
        add(Kind::Guid, playerName, ip, lastVisit, guid);
}

void VisitWriter::add(Kind kind, std::string_view name, std::string_view ip, std::string_view date,
                      std::string_view guid) {
    Batch& b = *filling_;
    if (b.count == b.items.size()) b.items.emplace_back();
    b.text.append(name).append(ip).append(date).append(guid);
    const auto end = static_cast<std::uint32_t>(b.text.size());
    const auto dateEnd = static_cast<std::uint32_t>(end - guid.size());
    b.items[b.count++] = Item{kind,
                              static_cast<std::uint32_t>(dateEnd - date.size() - ip.size()),
                              static_cast<std::uint32_t>(dateEnd - date.size()),
                              dateEnd,
                              end,
                              line_};
}

void VisitWriter::passOver() {
    if (passOver_ > 0) {
        --passOver_;
        return;
    }
    throwFailure(); // the write that failed: its failure is this line's
}

void VisitWriter::throwFailure() {
    std::exception_ptr failure = std::exchange(failure_, nullptr);
    failedBatch_.reset();
    std::rethrow_exception(failure);
}

void VisitWriter::FailUnmet() {
    throwFailure();
}

void VisitWriter::Checkpoint() {
    if (Drain() == Drained::Failed) std::rethrow_exception(std::exchange(writeFailure_, nullptr));
    sink_.Checkpoint();
}

void VisitWriter::Commit() {
    if (Drain() == Drained::Failed) std::rethrow_exception(std::exchange(writeFailure_, nullptr));
    sink_.Commit();
}

std::unique_ptr<VisitWriter::Batch> VisitWriter::freshBatch() {
    if (spare_.empty()) return std::make_unique<Batch>();
    std::unique_ptr<Batch> batch = std::move(spare_.back());
    spare_.pop_back();
    return batch;
}

void VisitWriter::recycle(std::unique_ptr<Batch> batch) {
    batch->text.clear();
    batch->count = 0;
    spare_.push_back(std::move(batch));
}

void VisitWriter::Seal() {
    if (filling_->count == 0) return;
    {
        std::unique_lock lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { work(); });
        moved_.wait(lock, [this] { return queue_.size() < kMostQueued; });
        if (writeFailure_) {
            recycle(std::move(filling_)); // after a failed write nothing more is written
        } else {
            queue_.push_back(std::move(filling_));
        }
        filling_ = freshBatch();
    }
    wake_.notify_one();
}

Drained VisitWriter::Drain() {
    Seal();
    std::unique_lock lock(mutex_);
    moved_.wait(lock, [this] { return queue_.empty() && !busy_; });
    return writeFailure_ ? Drained::Failed : Drained::Written;
}

const ScanMark& VisitWriter::ReadAgainFrom() {
    const std::lock_guard lock(mutex_);
    failure_ = std::exchange(writeFailure_, nullptr);
    passOver_ = failedItem_;
    failedBatch_ = std::move(writeFailedBatch_);
    filling_->text.clear();
    filling_->count = 0;
    return failedBatch_->mark;
}

void VisitWriter::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (ending_) return; // the scan drained before letting go; anything left is dropped
        std::unique_ptr<Batch> batch = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        moved_.notify_all();
        std::size_t done = 0;
        std::exception_ptr failure;
        try {
            write(*batch, done);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        busy_ = false;
        if (failure) {
            writeFailure_ = failure;
            failedItem_ = done;
            writeFailedBatch_ = std::move(batch);
            while (!queue_.empty()) { // written after the failure: never
                recycle(std::move(queue_.front()));
                queue_.pop_front();
            }
        } else {
            recycle(std::move(batch));
        }
        moved_.notify_all();
    }
}

void VisitWriter::write(const Batch& batch, std::size_t& done) {
    const std::string_view text = batch.text;
    std::uint32_t start = 0;
    std::int64_t told = 0; // the line the sink was told of last (another log's writer may have told since)
    for (; done < batch.count; ++done) {
        const Item& item = batch.items[done];
        const std::string_view name = text.substr(start, item.nameEnd - start);
        const std::string_view ip = text.substr(item.nameEnd, item.ipEnd - item.nameEnd);
        const std::string_view date = text.substr(item.ipEnd, item.dateEnd - item.ipEnd);
        if (item.line != told) {
            sink_.FromLine(log_, item.line);
            told = item.line;
        }
        if (item.kind == Kind::Visit)
            sink_.RecordVisit(name, ip, date);
        else if (item.kind == Kind::Referee)
            sink_.MarkReferee(name, ip);
        else
            sink_.RecordGuid(text.substr(item.dateEnd, item.end - item.dateEnd), name, ip, date);
        start = item.end;
    }
}

} // namespace corvanth
