#pragma once

#include "LineInterpreter.h"
#include "LogReader.h"
#include "ProcessingState.h"
#include "RunHost.h"
#include "VisitDates.h"
#include "VisitSink.h"
#include "VisitWriter.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

struct RunOptions {
    // How often the run hands control to its host.
    std::chrono::milliseconds pumpInterval{15};
    // When the host leaves the store alone, the writer is caught up and the store checkpointed this often
    // (a host that may use it: at every hand-over). Waiting for the writer at every hand-over made a
    // run over an Urban Terror log a fifth slower: the scan stood still while the writer caught up.
    std::chrono::milliseconds checkpointInterval{250};
    // The clock is looked at after this many lines (or 64 KiB), not after every line.
    int linesPerClockCheck = 64;
    // Longer lines are not interpreted; their bytes are read and dropped, so memory stays bounded.
    std::size_t maxLineLength = 1 << 20;
    // Dates the visits of lines that carry none (Urban Terror logs); none: the time a line is read.
    // Outlives the run.
    VisitDates* visitDates = nullptr;
};

enum class ScanEnd {
    EndOfData,     // every byte the file holds now has been taken
    StopRequested, // Processing was found cleared at a line end
    BudgetSpent,   // the bytes allowed for this call were read; more may wait
};

// Reads one open log from a position onwards, assembles lines and hands each complete non-empty line
// to the interpreter. Line ends are found 64 bytes at a time with a vector compare; the host is given control
// by time, looked at every few lines, and Processing is tested after every line end, including after a
// hand-over that follows one. Visits go to the sink through a VisitWriter (its own thread), drained
// before every checkpoint, before every hand-over to a host that may use the store, and on every way out
// of scan(). The scanner keeps the line being assembled and the interpreter (with its game tracking)
// between calls of scan(), so it can be given more bytes when the file grows.
class LogScanner {
public:
    LogScanner(ProcessingState& state, VisitSink& sink, RunHost& host, const RunOptions& options);
    LogScanner(const LogScanner&) = delete;
    LogScanner& operator=(const LogScanner&) = delete;

    // Opens the log so that the next byte read is byte `start` (1-based). Throws RunFailure.
    void open(const std::string& path, std::int64_t start);

    // Reads up to the end of what the file holds now, or until a stop is asked for. The shared
    // positions (ReadPosition, ResumePosition) are published before every hand-over to the host and
    // on every way out, a failure included. Throws RunFailure.
    // With a budget, returns after the block in which that many bytes were taken (a follower reads
    // its logs in turn).
    ScanEnd scan(std::int64_t byteBudget = std::numeric_limits<std::int64_t>::max());

    const LogReader& reader() const { return reader_; }
    LineInterpreter& interpreter() { return interpreter_; }
    const LineInterpreter& interpreter() const { return interpreter_; }

    // The 1-based position of the last byte taken.
    std::int64_t position() const { return consumed_; }
    // The position of the last LF this scanner read, if any.
    std::optional<std::int64_t> lastLineEnd() const {
        return lastLf_ > 0 ? std::optional<std::int64_t>(lastLf_) : std::nullopt;
    }
    std::int64_t linesRead() const { return linesRead_; }
    std::int64_t overlongLines() const { return overlongLines_; }

    // The line being interpreted when interpretation threw, and the position of its first byte.
    std::string_view lineInHand() const { return current_; }
    std::int64_t lineInHandStart() const { return lineStart_; }

private:
    using Clock = std::chrono::steady_clock;

    void publish();
    // Counts a line and skips it when it cannot matter, which most lines cannot: kept inline, so a
    // skipped line costs no call.
    void interpret(std::string_view line, std::int64_t position) {
        if (line.empty()) return;
        ++linesRead_;
        if (interpreter_.MightMatter(line)) interpretMatter(line, position);
    }
    void interpretMatter(std::string_view line, std::int64_t position);
    ScanEnd scanBlocks(std::int64_t scanStart, std::int64_t byteBudget);
    // Saves where the scan stands, before the line that starts at `resumeAt`, in the writer's new batch.
    void mark(std::int64_t resumeAt, std::int64_t lastLf);
    void markHere() { mark(carried_ ? lineStart_ : consumed_ + 1, lastLf_); }
    // After a failed write: back to the mark of its batch, to read the log again from there.
    void readAgain();
    void appendPartial(std::string_view bytes, std::int64_t position);
    void maybePump();

    ProcessingState& state_;
    VisitSink& sink_;
    RunHost& host_;
    const RunOptions options_;
    LogReader reader_;
    VisitWriter writer_;
    LineInterpreter interpreter_;
    Clock::time_point nextPump_;
    Clock::time_point nextCheckpoint_;
    int linesSinceClock_ = 0;
    std::int64_t consumed_ = 0; // the position of the last byte the scan has taken
    std::int64_t consumedAtClock_ = 0;
    std::int64_t lastLf_ = 0; // the position of the last LF, 0 before the first
    std::int64_t lineStart_ = 0;
    std::int64_t blockEnd_ = 0;                        // the last byte of the block in hand
    std::size_t nextReadSize_ = LogReader::kBlockSize; // shorter once, when reading again
    std::int64_t linesRead_ = 0;
    std::int64_t overlongLines_ = 0;
    std::string line_; // bytes since the last LF when a line spans reads (Windows-1252)
    std::string_view current_;
    bool carried_ = false;  // a line is being assembled across reads in line_
    bool overlong_ = false; // ... and it is too long to be interpreted
};

} // namespace corvanth
