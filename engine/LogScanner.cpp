#include "LogScanner.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvanth {
namespace {

// Besides every few lines, the clock is looked at after this many bytes, so long lines pump too.
constexpr std::int64_t kBytesPerClockCheck = 64 << 10;

constexpr std::size_t kNoLineEnd = std::string_view::npos;

// The LFs of one block, in order. Each byte is compared once, 64 at a time into a bit mask, and a line
// end then costs a bit scan rather than a call: most lines are a few dozen bytes long.
class LineEnds {
public:
    LineEnds(const char* data, std::size_t size) : data_(data), size_(size) {
        if (size_ > 0) load();
    }

    // The index of the next LF, or kNoLineEnd when the block holds no more.
    std::size_t next() {
        while (mask_ == 0) {
            chunk_ += kChunk;
            if (chunk_ >= size_) return kNoLineEnd;
            load();
        }
        const std::size_t at = chunk_ + static_cast<std::size_t>(std::countr_zero(mask_));
        mask_ &= mask_ - 1;
        return at;
    }

private:
    static constexpr std::size_t kChunk = 64;

    void load() {
        const char* p = data_ + chunk_;
        const std::size_t n = std::min(kChunk, size_ - chunk_);
#if defined(__SSE2__)
        if (n == kChunk) {
            const __m128i lf = _mm_set1_epi8('\n');
            auto bits = [&](int i) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                return static_cast<std::uint64_t>(
                    static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf))));
            };
            mask_ = bits(0) | bits(1) << 16 | bits(2) << 32 | bits(3) << 48;
            return;
        }
#endif
        mask_ = 0;
        for (std::size_t i = 0; i < n; ++i)
            mask_ |= static_cast<std::uint64_t>(p[i] == '\n') << i;
    }

    const char* const data_;
    const std::size_t size_;
    std::size_t chunk_ = 0; // the index of the 64 bytes the mask covers
    std::uint64_t mask_ = 0;
};

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
        LineEnds ends(data, size);
        std::size_t pos = 0;
        while (pos < size) {
            const std::size_t lf = ends.next();
            if (lf == kNoLineEnd) {
                appendPartial(block.substr(pos), blockStart + static_cast<std::int64_t>(pos));
                consumed_ = blockStart + static_cast<std::int64_t>(size) - 1;
                break;
            }
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

void LogScanner::interpretMatter(std::string_view line, std::int64_t position) {
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
