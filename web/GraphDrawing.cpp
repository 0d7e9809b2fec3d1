#include "GraphDrawing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace corvanth {
namespace {

// A file descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// A scratch file removed when it goes.
class ScratchFile {
public:
    ScratchFile() : path_((std::filesystem::temp_directory_path() / "corvanth-graph-XXXXXX").string()) {
        fd_.reset(mkostemp(path_.data(), O_CLOEXEC));
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() {
        if (fd_.get() >= 0) unlink(path_.c_str());
    }
    bool Write(const std::string& bytes) {
        if (fd_.get() < 0) return false;
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(fd_.get(), bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    Descriptor fd_;
};

} // namespace

Outcome<std::string> DrawSvg(const std::string& graph) {
    ScratchFile input;
    if (!input.Write(graph)) return Outcome<std::string>::Failed("cannot write the graph for dot");
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return Outcome<std::string>::Failed("cannot make a pipe for dot");
    Descriptor readEnd(ends[0]), writeEnd(ends[1]);
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return Outcome<std::string>::Failed("cannot start dot");
    const bool prepared = posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO) == 0;
    std::string program = "dot", format = "-Tsvg", file = input.path();
    char* argv[] = {program.data(), format.data(), file.data(), nullptr};
    pid_t pid = -1;
    const int spawned = prepared ? posix_spawnp(&pid, "dot", &actions, nullptr, argv, environ) : -1;
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (spawned != 0) return Outcome<std::string>::Failed("cannot run dot (is Graphviz installed?)");
    std::string svg;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(readEnd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        svg.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return Outcome<std::string>::Failed("dot failed");
    return Outcome<std::string>::Of(std::move(svg));
}

} // namespace corvanth
