#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

// Which file a path named when it was opened: a rotation gives the path another file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity and size of the file a path names now; nothing when there is none.
struct FileFacts {
    FileIdentity identity;
    std::int64_t size = 0;
    std::time_t modified = 0;
};
std::optional<FileFacts> LookAtPath(const std::string& path);

// The log file a run reads: opened by the run's scanner, read in large blocks from a 1-based position
// onwards, closed when the scanner goes. Reading on after the end returns what was appended since.
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

    // Reads the next block (of at most `most` bytes, at most kBlockSize). Returns an empty view at the end of
    // the file. Throws RunFailure on a read error or when the reader was closed. The view stays valid until
    // the next call or close().
    std::string_view readBlock(std::size_t most = kBlockSize);

    // At most `most` bytes of the line that starts at byte `position`, without its LF; empty when they
    // cannot be read. The next block read is the same as before.
    std::string lineAt(std::int64_t position, std::size_t most) const;

    // The open file's identity and its size now.
    FileFacts facts() const;

    static constexpr std::size_t kBlockSize = 256 << 10;

private:
    int fd_ = -1;
    std::int64_t nextRead_ = 1;
    std::unique_ptr<char[]> buffer_;
};

} // namespace corvanth
