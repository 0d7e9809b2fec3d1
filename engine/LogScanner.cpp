#include "LogScanner.h"

#include <cstring>

namespace corvanth {
namespace {

// Besides every few lines, the clock is looked at after this many bytes, so long lines pump too.
constexpr std::int64_t kBytesPerClockCheck = 64 << 10;

} // namespace

LogScanner::LogScanner(ProcessingState& state, VisitSink& sink, RunHost& host, const RunOptions& options)
    : state_(state), sink_(sink), host_(host), options_(options), interpreter_(state, sink) {}

void LogScanner::open(const std::string& path, std::int64_t start) {
    reader_.open(path);
    reader_.seekTo(start);
    consumed_ = consumedAtClock_ = start - 1;
}

ScanEnd LogScanner::scan(std::int64_t byteBudget) {
    nextPump_ = Clock::now() + options_.pumpInterval;
    const std::int64_t scanStart = consumed_;
    // The positions live here while lines are found and reach the shared state whenever someone can
    // look: before the host runs, and on every way out of the scan, a failure included.
    struct Publish {
        LogScanner& scanner;
        ~Publish() { scanner.publish(); }
    } publish{*this};
    for (;;) {
        const std::string_view block = reader_.readBlock();
        if (block.empty()) return ScanEnd::EndOfData;
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
                    ++overlongLines_;
                else
                    interpret(line_, lineStart_);
                line_.clear();
                overlong_ = carried_ = false;
            } else if (lf != pos) {
                if (lf - pos > options_.maxLineLength)
                    ++overlongLines_;
                else
                    interpret(block.substr(pos, lf - pos), blockStart + static_cast<std::int64_t>(pos));
            }
            consumed_ = lastLf_ = blockStart + static_cast<std::int64_t>(lf);
            pos = lf + 1;
            if (++linesSinceClock_ >= options_.linesPerClockCheck ||
                consumed_ - consumedAtClock_ >= kBytesPerClockCheck)
                maybePump();
            if (!state_.Processing) return ScanEnd::StopRequested;
        }
        maybePump();
        // A block that ended with an LF ends a line: a stop asked for in that hand-over counts now.
        if (!carried_ && consumed_ == lastLf_ && !state_.Processing) return ScanEnd::StopRequested;
        if (consumed_ - scanStart >= byteBudget) return ScanEnd::BudgetSpent;
    }
}

void LogScanner::publish() {
    state_.ReadPosition = consumed_;
    if (lastLf_ > 0) state_.ResumePosition = lastLf_;
}

void LogScanner::interpret(std::string_view line, std::int64_t position) {
    if (line.empty()) return;
    ++linesRead_;
    if (!interpreter_.MightMatter(line)) return;
    lineStart_ = position;
    current_ = line;
    interpreter_.InterpretLine(line);
    current_ = {};
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
    const auto now = Clock::now();
    if (now < nextPump_) return;
    nextPump_ = now + options_.pumpInterval;
    publish();
    sink_.Checkpoint();
    host_.pumpEvents();
}

} // namespace corvanth
