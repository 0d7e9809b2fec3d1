#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace corvanth {

// The file-system calls a durable write makes. Each does what the system call of its name does; a
// test derives from it to watch their order.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual int Open(const std::string& path, int flags, mode_t mode) const;
    virtual ssize_t Write(int fd, const void* data, size_t size) const;
    virtual int Fsync(int fd) const;
    virtual int Close(int fd) const;
    virtual int Rename(const std::string& from, const std::string& to) const;
};

// The system's own calls.
const FileSystemCalls& SystemFileCalls();

// Replaces `target` with `bytes` so that after a crash or a power cut it holds either its old bytes or
// the new ones, never a part: the bytes go to `scratch` (created with mode 0666 less the umask),
// which is synced to the disk, renamed over `target`, and then the folder is synced so that the
// rename itself is on the disk. Throws RunFailure naming the file and the reason; the scratch file is
// then removed and `target` is unchanged (or, when only the folder's sync failed, replaced).
void WriteFileDurably(const std::string& target, const std::string& scratch, std::string_view bytes,
                      const FileSystemCalls& calls = SystemFileCalls());

} // namespace corvanth
