#pragma once

#include "LineInterpreter.h"
#include "VisitSink.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace corvanth {

// Where the scan stood before the first line of a batch: enough to read the log again from there.
struct ScanMark {
    std::int64_t resumeAt = 1; // the first byte of the next line
    std::int64_t blockEnd = 0; // the last byte of the block then in hand (blocks are read again alike)
    std::int64_t lastLf = 0;
    std::int64_t linesRead = 0;
    std::int64_t overlongLines = 0;
    InterpreterProgress interpreter;
};

enum class Drained {
    Written, // every visit handed over is in the sink
    Failed,  // a write failed: ReadAgainFrom() tells where to read again
};

// Carries the interpreter's visits and referee marks to the sink on a thread of its own, in batches
// of 256, so the scan goes on while the database works. (Each batch costs the scan a mark and a
// hand-off: with batches of 64 its thread took 15% longer over an Urban Terror log's client lines.)
// The scan seals a batch at a line end once it is full and before doing so saves, in the next batch,
// where it stands (ScanMark). Before the sink may be used by anyone else (a hand-over to a host that may
// use it, a checkpoint, the end of a scan), the scan drains the writer: everything sent is then written,
// and the sink is the caller's again.
//
// A write that fails stops the writer; later batches are dropped. The drain reports it, and the scan
// reads again from the mark of the failed batch: the visits of that batch that were written are
// passed over, and the one that failed throws its failure again, at its own line.
class VisitWriter : public VisitSink {
public:
    static constexpr std::size_t kBatchVisits = 256;
    static constexpr std::size_t kMostQueued = 64;

    explicit VisitWriter(VisitSink& sink);
    ~VisitWriter() override;
    VisitWriter(const VisitWriter&) = delete;
    VisitWriter& operator=(const VisitWriter&) = delete;

    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                    std::string_view lastVisit) override;
    // Drain, then the sink's own. A failure found by the drain is thrown without its line.
    void Checkpoint() override;
    void Commit() override;

    // The log read (set before the first batch is sent), and the position of the line whose visits come
    // next: each visit carries it, and the sink is told of it (FromLine) before the visits of a new line.
    void ReadingLog(const std::string& path) { log_ = path; }
    void LineStarts(std::int64_t position) { line_ = position; }

    bool BatchFull() const { return filling_->count >= kBatchVisits; }
    // The mark of the batch being filled; the scan sets it after every Seal() and Drain().
    ScanMark& FillingMark() { return filling_->mark; }
    // Sends the batch being filled (when it holds anything) and starts the next.
    void Seal();
    // Seals, then waits until the writer has written everything or failed.
    Drained Drain();
    // After a failed drain: from here on the visits up to the failed one are passed over and that one
    // throws its failure. Returns the mark to read again from.
    const ScanMark& ReadAgainFrom();
    // Reading again after a failure: the scan neither hands over nor stops on its budget meanwhile.
    bool ReadingAgain() const { return failure_ != nullptr; }
    // Reading again ended before the failed write was met (the log changed): its failure, without a line.
    [[noreturn]] void FailUnmet();

private:
    enum class Kind : unsigned char { Visit, Referee, Guid };
    struct Item {
        Kind kind;
        std::uint32_t nameEnd, ipEnd, dateEnd, end; // ends of the texts in Batch::text (a GUID last)
        std::int64_t line;                          // the position of the line that gave it
    };
    struct Batch {
        std::string text;
        std::vector<Item> items;
        std::size_t count = 0;
        ScanMark mark;
    };

    void add(Kind kind, std::string_view name, std::string_view ip, std::string_view date,
             std::string_view guid = {});
    void passOver();
    [[noreturn]] void throwFailure();
    std::unique_ptr<Batch> freshBatch();        // the lock is held
    void recycle(std::unique_ptr<Batch> batch); // the lock is held
    void work();
    void write(const Batch& batch, std::size_t& done);

    VisitSink& sink_;
    std::unique_ptr<Batch> filling_; // the scan's own
    std::string log_;                // the scan's, read by the writer once the thread runs
    std::int64_t line_ = 0;          // the scan's own

    // Reading again after a failure (the scan's own).
    std::exception_ptr failure_;
    std::size_t passOver_ = 0;
    std::unique_ptr<Batch> failedBatch_;

    std::mutex mutex_;
    std::condition_variable wake_;  // the writer: work or the end
    std::condition_variable moved_; // the scan: room in the queue, or the writer idle
    std::deque<std::unique_ptr<Batch>> queue_;
    std::vector<std::unique_ptr<Batch>> spare_;
    bool busy_ = false;
    bool ending_ = false;
    std::exception_ptr writeFailure_;
    std::size_t failedItem_ = 0;
    std::unique_ptr<Batch> writeFailedBatch_;
    std::thread thread_; // started with the first batch sent; joined by the destructor
};

} // namespace corvanth
