#include "AuditLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>

namespace corvanth {

Outcome<Done> AuditLog::Record(const std::string& account, const std::string& client, const std::string& what,
                               std::size_t rows) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    char stamp[32] = "";
    if (gmtime_r(&now, &utc)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string line = std::string(stamp) + " account=" + account + " client=" + client + " " + what +
                             " rows=" + std::to_string(rows) + "\n";
    const std::lock_guard lock(mutex_);
    log_ << "audit: " << line << std::flush;
    const int fd = open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) return Outcome<Done>::Failed("cannot open " + path_ + ": " + std::strerror(errno));
    const ssize_t written = write(fd, line.data(), line.size());
    const int error = errno;
    const bool closed = close(fd) == 0;
    if (written != static_cast<ssize_t>(line.size()) || !closed)
        return Outcome<Done>::Failed("cannot append to " + path_ + ": " + std::strerror(error));
    return Outcome<Done>::Of(Done{});
}

void AuditLog::Note(const std::string& line) {
    const std::lock_guard lock(mutex_);
    log_ << line << "\n" << std::flush;
}

std::vector<std::string> AuditLog::Tail(std::size_t count) const {
    const std::lock_guard lock(mutex_);
    std::ifstream in(path_);
    std::deque<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(std::move(line));
        if (lines.size() > count) lines.pop_front();
    }
    return {lines.begin(), lines.end()};
}

} // namespace corvanth
