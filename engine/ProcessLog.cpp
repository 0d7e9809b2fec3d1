#include "ProcessLog.h"

#include "FileText.h"
#include "LineInterpreter.h"
#include "RunFailure.h"
#include "TextCodec.h"

#include <cstring>
#include <exception>

namespace corvanth {
namespace {

std::string ShortLine(std::string_view bytes) {
    constexpr std::size_t kShown = 300;
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    std::string text = Windows1252ToUtf8(bytes.substr(0, kShown));
    if (bytes.size() > kShown) text += "...";
    return text;
}

// The scan loop: lines are found in whole blocks with memchr; the host is given control by time,
// looked at every few lines, and Processing is tested at every line end.
class Scan {
public:
    Scan(ProcessingState& state, VisitSink& sink, RunHost& host, const RunOptions& options,
         RunSummary& summary)
        : state_(state), sink_(sink), host_(host), options_(options), summary_(summary),
          interpreter_(state, sink) {}

    // Returns true at the end of the file, false when Processing was found cleared.
    bool run() {
        nextPump_ = Clock::now() + options_.pumpInterval;
        consumed_ = firstConsumed_ = state_.LogFile.position();
        consumedAtClock_ = consumed_;
        // The positions live here while lines are found and reach the shared state whenever someone
        // can look: before the host runs, and on every way out of the scan, a failure included.
        struct Sync {
            Scan& scan;
            ~Sync() { scan.sync(); }
        } sync{*this};
        for (;;) {
            const std::string_view block = state_.LogFile.readBlock();
            if (block.empty()) return true;
            const std::int64_t blockStart = consumed_ + 1;
            const char* const data = block.data();
            const std::size_t size = block.size();
            std::size_t pos = 0;
            while (pos < size) {
                const auto* hit = static_cast<const char*>(std::memchr(data + pos, '\n', size - pos));
                if (!hit) {
                    appendPartial(block.substr(pos), blockStart + static_cast<std::int64_t>(pos));
                    consumed_ = blockStart + static_cast<std::int64_t>(size) - 1;
                    break;
                }
                const auto lf = static_cast<std::size_t>(hit - data);
                if (carried_) {
                    appendPartial(block.substr(pos, lf - pos), blockStart + static_cast<std::int64_t>(pos));
                    if (overlong_)
                        ++summary_.overlongLines;
                    else
                        interpret(state_.CurrentLine, lineStart_);
                    state_.CurrentLine.clear();
                    overlong_ = carried_ = false;
                } else if (lf != pos) {
                    if (lf - pos > options_.maxLineLength)
                        ++summary_.overlongLines;
                    else
                        interpret(block.substr(pos, lf - pos), blockStart + static_cast<std::int64_t>(pos));
                }
                consumed_ = lastLf_ = blockStart + static_cast<std::int64_t>(lf);
                pos = lf + 1;
                if (++linesSinceClock_ >= options_.linesPerClockCheck ||
                    consumed_ - consumedAtClock_ >= (64 << 10))
                    maybePump();
                if (!state_.Processing) return false;
            }
            maybePump();
        }
    }

    std::int64_t lineStart() const { return lineStart_; }
    std::string_view currentLine() const { return current_; }
    const LineInterpreter& interpreter() const { return interpreter_; }

private:
    using Clock = std::chrono::steady_clock;

    void sync() {
        state_.LogFile.setConsumed(consumed_);
        state_.ReadPosition = consumed_;
        if (lastLf_ > 0) state_.ResumePosition = lastLf_;
        summary_.bytesRead = consumed_ - firstConsumed_;
    }

    void interpret(std::string_view line, std::int64_t position) {
        if (line.empty()) return;
        ++summary_.linesRead;
        if (!interpreter_.MightMatter(line)) return;
        lineStart_ = position;
        current_ = line;
        interpreter_.InterpretLine(line);
        current_ = {};
    }

    void appendPartial(std::string_view bytes, std::int64_t position) {
        if (!carried_) {
            carried_ = true;
            lineStart_ = position;
        }
        if (overlong_) return;
        if (state_.CurrentLine.size() + bytes.size() > options_.maxLineLength) {
            overlong_ = true;
            state_.CurrentLine.clear();
            state_.CurrentLine.shrink_to_fit();
            return;
        }
        state_.CurrentLine.append(bytes);
    }

    void maybePump() {
        linesSinceClock_ = 0;
        consumedAtClock_ = consumed_;
        const auto now = Clock::now();
        if (now < nextPump_) return;
        nextPump_ = now + options_.pumpInterval;
        sync();
        sink_.Checkpoint();
        host_.pumpEvents();
        // The window may have closed the log while its events ran: end through the failure path.
        if (!state_.LogFile.isOpen()) throw RunFailure("the log file was closed during the run");
    }

    ProcessingState& state_;
    VisitSink& sink_;
    RunHost& host_;
    const RunOptions& options_;
    RunSummary& summary_;
    LineInterpreter interpreter_;
    Clock::time_point nextPump_;
    int linesSinceClock_ = 0;
    std::int64_t firstConsumed_ = 0;
    std::int64_t consumed_ = 0; // the position of the last byte the scan has taken
    std::int64_t consumedAtClock_ = 0;
    std::int64_t lastLf_ = 0; // the position of the last LF, 0 before the first
    std::int64_t lineStart_ = 0;
    std::string_view current_;
    bool carried_ = false;  // a line is being assembled across blocks in CurrentLine
    bool overlong_ = false; // ... and it is too long to be interpreted
};

} // namespace

RunSummary ProcessLog(ProcessingState& state, VisitSink& sink, const PositionJournal& journal, RunHost& host,
                      const std::string& logFilePath, std::optional<StartPosition> start,
                      const RunOptions& options) {
    RunSummary summary;
    std::optional<Scan> scan;
    const std::optional<std::int64_t> resumeBefore = state.ResumePosition;
    try {
        std::int64_t startAt = 1;
        if (start) {
            const auto resolved = start->Resolve();
            if (!resolved) throw RunFailure(resolved.reason());
            startAt = *resolved;
        }
        summary.startPosition = startAt;
        if (!FileExists(logFilePath)) {
            state.Processing = false;
            host.setStatus(status::FileMissing);
            summary.outcome = RunOutcome::FileMissing;
            return summary;
        }
        state.LogFile.open(logFilePath);
        state.Processing = true;
        // A partial line left by an earlier run belongs to another position: never glue it on.
        state.CurrentLine.clear();
        state.LogFile.seekTo(startAt);
        state.ReadPosition = startAt - 1;
        state.ResumePosition.reset();

        scan.emplace(state, sink, host, options, summary);
        const bool atEnd = scan->run();
        summary.visitsRecorded = scan->interpreter().VisitsRecorded();
        summary.refereeMarks = scan->interpreter().RefereeMarks();
        if (atEnd) {
            host.setStatus(status::Finished);
            summary.outcome = RunOutcome::Finished;
        } else {
            if (host.status() == status::Processing) host.setStatus(status::Canceled);
            summary.outcome = RunOutcome::Stopped;
        }
        // A run that read no LF records its own start, never a position reached in another log.
        if (!state.ResumePosition) state.ResumePosition = startAt;
        sink.Commit();
        journal.SavePosition(logFilePath, *state.ResumePosition);
        summary.journaledPosition = state.ResumePosition;
        state.LogFile.close();
        state.Processing = false;
        return summary;
    } catch (const std::exception& e) {
        RunFailureInfo info;
        info.reason = e.what();
        if (scan) {
            summary.visitsRecorded = scan->interpreter().VisitsRecorded();
            summary.refereeMarks = scan->interpreter().RefereeMarks();
            if (!scan->currentLine().empty()) {
                info.linePosition = scan->lineStart();
                info.line = ShortLine(scan->currentLine());
            }
        }
        if (!state.ResumePosition) state.ResumePosition = resumeBefore;
        summary.outcome = RunOutcome::Failed;
        summary.failure = std::move(info);
        try {
            sink.Commit();
        } catch (const std::exception& commitError) {
            summary.failure->reason +=
                std::string("; committing the rows written failed: ") + commitError.what();
        }
        state.LogFile.close();
        state.Processing = false;
        return summary;
    }
}

} // namespace corvanth
