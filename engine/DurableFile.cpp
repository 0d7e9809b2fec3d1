#include "DurableFile.h"

#include "RunFailure.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace corvanth {

int FileSystemCalls::Open(const std::string& path, int flags, mode_t mode) const {
    return ::open(path.c_str(), flags, mode);
}

ssize_t FileSystemCalls::Write(int fd, const void* data, size_t size) const {
    return ::write(fd, data, size);
}

int FileSystemCalls::Fsync(int fd) const {
    return ::fsync(fd);
}

int FileSystemCalls::Close(int fd) const {
    return ::close(fd);
}

int FileSystemCalls::Rename(const std::string& from, const std::string& to) const {
    return ::rename(from.c_str(), to.c_str());
}

const FileSystemCalls& SystemFileCalls() {
    static const FileSystemCalls calls; // no state: every call goes straight to the system
    return calls;
}

namespace {

// Writes every byte, then syncs and closes; the reason of the first failure, or "".
std::string WriteAndSync(const FileSystemCalls& calls, int fd, std::string_view bytes) {
    std::string reason;
    while (!bytes.empty() && reason.empty()) {
        const ssize_t written = calls.Write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0)
            reason = written < 0 ? std::strerror(errno) : "nothing written";
        else
            bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (reason.empty() && calls.Fsync(fd) != 0) reason = std::strerror(errno);
    if (calls.Close(fd) != 0 && reason.empty()) reason = std::strerror(errno);
    return reason;
}

} // namespace

void WriteFileDurably(const std::string& target, const std::string& scratch, std::string_view bytes,
                      const FileSystemCalls& calls) {
    const int fd = calls.Open(scratch, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw RunFailure("cannot write " + scratch + ": " + std::strerror(errno));
    if (const std::string reason = WriteAndSync(calls, fd, bytes); !reason.empty()) {
        std::remove(scratch.c_str());
        throw RunFailure("cannot write " + scratch + ": " + reason);
    }
    // rename() replaces the old file in one step, so a failure never leaves the target missing.
    if (calls.Rename(scratch, target) != 0) {
        const int error = errno;
        std::remove(scratch.c_str());
        throw RunFailure("cannot replace " + target + ": " + std::strerror(error));
    }
    // The rename is an entry of the folder: it is on the disk once the folder is.
    std::string folder = std::filesystem::path(target).parent_path().string();
    if (folder.empty()) folder = ".";
    const int dir = calls.Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir < 0) throw RunFailure("cannot sync the folder " + folder + ": " + std::strerror(errno));
    // A file system that cannot sync a folder (EINVAL) keeps its entries as it may.
    const int synced = calls.Fsync(dir);
    const int error = errno;
    static_cast<void>(calls.Close(dir)); // a folder opened to read loses nothing on close
    if (synced != 0 && error != EINVAL)
        throw RunFailure("cannot sync the folder " + folder + ": " + std::strerror(error));
}

} // namespace corvanth
