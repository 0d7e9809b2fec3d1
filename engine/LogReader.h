#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace corvanth {

// The log file a run reads: opened by the run, read in large blocks, closed at the end of the run (or
// by the window when it closes during a run). position() is the 1-based position of the last byte
// the scan has consumed, which is also the count of bytes from the start of the file through it.
class LogReader {
public:
    LogReader() = default;
    ~LogReader();
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;

    // Throws RunFailure when the file cannot be opened for reading.
    void open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Positions the reader so that the next byte read is byte `position` (1-based, at least 1).
    void seekTo(std::int64_t position);

    // Reads the next block. Returns an empty view at the end of the file. Throws RunFailure on a read
    // error or when the reader was closed. The view stays valid until the next call or close().
    std::string_view readBlock();

    // The scan reports how far into the last block it has consumed.
    void setConsumed(std::int64_t position) { consumed_ = position; }
    std::int64_t position() const { return consumed_; }

    static constexpr std::size_t kBlockSize = 1 << 20;

private:
    int fd_ = -1;
    std::int64_t consumed_ = 0;
    std::int64_t nextRead_ = 1;
    std::unique_ptr<char[]> buffer_;
};

} // namespace corvanth
