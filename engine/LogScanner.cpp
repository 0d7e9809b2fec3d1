#include "LogScanner.h"

#include "BytePositions.h"

#include <utility>

namespace corvanth {
namespace {

// Besides every few lines, the clock is looked at after this many bytes, so long lines pump too.
constexpr std::int64_t kBytesPerClockCheck = 64 << 10;

constexpr std::size_t kNoLineEnd = BytePositions::kNone;

} // namespace

LogScanner::LogScanner(ProcessingState& state, VisitSink& sink, RunHost& host, const RunOptions& options)
    : state_(state), sink_(sink), host_(host), options_(options), writer_(sink),
      interpreter_(state, writer_, options.visitDates) {}

void LogScanner::open(const std::string& path, std::int64_t start) {
    reader_.open(path);
    reader_.seekTo(start);
    writer_.ReadingLog(path);
    consumed_ = consumedAtClock_ = start - 1;
}

namespace {
// Thrown by a hand-over whose drain found a failed write; the scan goes on from the failed batch's mark.
struct ReadAgain {};
} // namespace

ScanEnd LogScanner::scan(std::int64_t byteBudget) {
    const auto now = Clock::now();
    nextPump_ = now + options_.pumpInterval;
    nextCheckpoint_ = now + options_.checkpointInterval;
    const std::int64_t scanStart = consumed_;
    // The positions live here while lines are found and reach the shared state whenever someone can
    // look: before the host runs, and on every way out of the scan, a failure included.
    struct Publish {
        LogScanner& scanner;
        ~Publish() { scanner.publish(); }
    } publish{*this};
    blockEnd_ = consumed_;
    markHere();
    for (;;) {
        ScanEnd end{};
        try {
            end = scanBlocks(scanStart, byteBudget);
        } catch (const ReadAgain&) {
            continue;
        } catch (...) {
            // A write that failed earlier in the log is the run's failure: it came first.
            if (writer_.Drain() == Drained::Written) throw;
            readAgain();
            continue;
        }
        if (writer_.Drain() == Drained::Written) {
            if (writer_.ReadingAgain()) writer_.FailUnmet();
            return end;
        }
        readAgain();
    }
}

ScanEnd LogScanner::scanBlocks(std::int64_t scanStart, std::int64_t byteBudget) {
    for (;;) {
        const std::string_view block = reader_.readBlock(std::exchange(nextReadSize_, LogReader::kBlockSize));
        if (block.empty()) return ScanEnd::EndOfData;
        const std::int64_t blockStart = consumed_ + 1;
        const char* const data = block.data();
        const std::size_t size = block.size();
        blockEnd_ = blockStart + static_cast<std::int64_t>(size) - 1;
        BytePositions ends(data, size, '\n');
        std::size_t pos = 0;
        // The positions and the clock count stay in locals while lines only pass; they are written back
        // before anything that reads them: an interpreted line, a hand-over, the end of the block.
        const std::size_t maxLine = options_.maxLineLength;
        const int linesPerClock = options_.linesPerClockCheck;
        int sinceClock = linesSinceClock_;
        // The index in this block from which the bytes since the last clock check call for one.
        auto clockIndex = [&] {
            const std::int64_t at = consumedAtClock_ + kBytesPerClockCheck - blockStart;
            return at <= 0 ? std::size_t{0} : static_cast<std::size_t>(at);
        };
        std::size_t bytesClockAt = clockIndex();
        auto settle = [&] {
            if (pos > 0) consumed_ = lastLf_ = blockStart + static_cast<std::int64_t>(pos) - 1;
            linesSinceClock_ = sinceClock;
        };
        while (pos < size) {
            const std::size_t lf = ends.next();
            if (lf == kNoLineEnd) {
                settle();
                appendPartial(block.substr(pos), blockStart + static_cast<std::int64_t>(pos));
                consumed_ = blockEnd_;
                break;
            }
            if (carried_) [[unlikely]] {
                settle();
                appendPartial(block.substr(pos, lf - pos), blockStart + static_cast<std::int64_t>(pos));
                if (overlong_)
                    ++overlongLines_;
                else
                    interpret(line_, lineStart_);
                line_.clear();
                overlong_ = carried_ = false;
            } else if (lf != pos) {
                const std::string_view line(data + pos, lf - pos);
                if (line.size() > maxLine) [[unlikely]] {
                    ++overlongLines_;
                } else {
                    ++linesRead_;
                    if (interpreter_.MightMatter(line)) [[unlikely]] {
                        settle();
                        interpretMatter(line, blockStart + static_cast<std::int64_t>(pos));
                    }
                }
            }
            pos = lf + 1;
            const bool clockDue = ++sinceClock >= linesPerClock || lf >= bytesClockAt;
            if (clockDue || !state_.Processing) [[unlikely]] {
                settle();
                if (clockDue) {
                    maybePump();
                    sinceClock = 0;
                    bytesClockAt = clockIndex();
                }
                if (!state_.Processing) return ScanEnd::StopRequested;
            }
        }
        if (pos == size) settle();
        maybePump();
        // A block that ended with an LF ends a line: a stop asked for in that hand-over counts now.
        if (!carried_ && consumed_ == lastLf_ && !state_.Processing) return ScanEnd::StopRequested;
        // Reading again after a failed write goes on until the failure is met.
        if (!writer_.ReadingAgain() && consumed_ - scanStart >= byteBudget) return ScanEnd::BudgetSpent;
    }
}

void LogScanner::mark(std::int64_t resumeAt, std::int64_t lastLf) {
    ScanMark& m = writer_.FillingMark();
    m.resumeAt = resumeAt;
    m.blockEnd = blockEnd_;
    m.lastLf = lastLf;
    m.linesRead = linesRead_;
    m.overlongLines = overlongLines_;
    interpreter_.SaveProgress(m.interpreter);
}

void LogScanner::readAgain() {
    const ScanMark& m = writer_.ReadAgainFrom();
    interpreter_.RestoreProgress(m.interpreter);
    linesRead_ = m.linesRead;
    overlongLines_ = m.overlongLines;
    lastLf_ = m.lastLf;
    consumed_ = consumedAtClock_ = blockEnd_ = m.resumeAt - 1;
    linesSinceClock_ = 0;
    line_.clear();
    current_ = {};
    carried_ = overlong_ = false;
    reader_.seekTo(m.resumeAt);
    // The blocks are read again where they were read before, so a line spans the same reads.
    nextReadSize_ = m.blockEnd >= m.resumeAt ? static_cast<std::size_t>(m.blockEnd - m.resumeAt + 1)
                                             : LogReader::kBlockSize;
}

void LogScanner::publish() {
    state_.ReadPosition = consumed_;
    if (lastLf_ > 0) state_.ResumePosition = lastLf_;
}

void LogScanner::interpretMatter(std::string_view line, std::int64_t position) {
    lineStart_ = position;
    current_ = line;
    writer_.LineStarts(position);
    interpreter_.InterpretLine(line);
    current_ = {};
    if (writer_.BatchFull()) {
        // A batch ends with a line: the next one starts after this line's LF.
        writer_.Seal();
        const std::int64_t lf = position + static_cast<std::int64_t>(line.size());
        mark(lf + 1, lf);
    }
}

void LogScanner::appendPartial(std::string_view bytes, std::int64_t position) {
    if (!carried_) {
        carried_ = true;
        lineStart_ = position;
    }
    if (overlong_) return;
    if (line_.size() + bytes.size() > options_.maxLineLength) {
        overlong_ = true;
        line_.clear();
        line_.shrink_to_fit();
        return;
    }
    line_.append(bytes);
}

void LogScanner::maybePump() {
    linesSinceClock_ = 0;
    consumedAtClock_ = consumed_;
    if (writer_.ReadingAgain()) return; // no hand-over before the failed write is met
    const auto now = Clock::now();
    if (now < nextPump_) return;
    nextPump_ = now + options_.pumpInterval;
    // Nobody may use the sink while the writer does: the host may search, the checkpoint commits.
    const bool handOver = host_.storeUseWhilePumping() == StoreUse::MayUse || now >= nextCheckpoint_;
    if (handOver) {
        nextCheckpoint_ = now + options_.checkpointInterval;
        if (writer_.Drain() == Drained::Failed) {
            readAgain();
            throw ReadAgain{};
        }
    }
    publish();
    if (handOver) sink_.Checkpoint();
    host_.pumpEvents();
    if (handOver) markHere();
}

} // namespace corvanth
