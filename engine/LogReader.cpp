#include "LogReader.h"

#include "RunFailure.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanth {

std::optional<FileFacts> LookAtPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileFacts{{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
                     static_cast<std::int64_t>(st.st_size),
                     st.st_mtime};
}

FileFacts LogReader::facts() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) throw RunFailure("cannot look at the open log");
    return {{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
            static_cast<std::int64_t>(st.st_size),
            st.st_mtime};
}

LogReader::~LogReader() {
    close();
}

void LogReader::open(const std::string& path) {
    close();
    // Without O_NONBLOCK, opening a pipe named like the log would wait for a writer forever.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw RunFailure("cannot open the log: " + std::string(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        throw RunFailure("cannot read the log: " + path + " is not a regular file");
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    buffer_ = std::make_unique_for_overwrite<char[]>(kBlockSize);
    nextRead_ = 1;
}

void LogReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.reset();
}

void LogReader::seekTo(std::int64_t position) {
    if (!isOpen()) throw RunFailure("the log file was closed");
    if (position < 1)
        throw RunFailure("start position " + std::to_string(position) + " is before the first byte");
    nextRead_ = position;
}

std::string_view LogReader::readBlock(std::size_t most) {
    if (!isOpen()) throw RunFailure("the log file was closed");
    for (;;) {
        const ssize_t n =
            ::pread(fd_, buffer_.get(), std::min(most, kBlockSize), static_cast<off_t>(nextRead_ - 1));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw RunFailure("cannot read the log: " + std::string(std::strerror(errno)));
        }
        nextRead_ += n;
        return {buffer_.get(), static_cast<std::size_t>(n)};
    }
}

std::string LogReader::lineAt(std::int64_t position, std::size_t most) const {
    std::string line(most, '\0');
    ssize_t n = 0;
    if (isOpen() && position >= 1) {
        do {
            n = ::pread(fd_, line.data(), most, static_cast<off_t>(position - 1));
        } while (n < 0 && errno == EINTR);
    }
    line.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (const auto lf = line.find('\n'); lf != std::string::npos) line.resize(lf);
    return line;
}

} // namespace corvanth
