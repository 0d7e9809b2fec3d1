#pragma once

#include "RunHost.h"
#include "TempFolder.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvanth::hostile {

using test::TempFolder;

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Log lines in the shape the game server writes them.
inline std::string InitGame(std::string_view version = "2.8", std::string_view time = "  0:00") {
    return std::string(time) + " InitGame: \\sv_hostname\\Hostile\\g_gametype\\4\\wfversion\\" +
           std::string(version) + "\\mapname\\q3dm6\\\n";
}
inline std::string Connect(std::string_view client, std::string_view name, std::string_view ip,
                           std::string_view date) {
    return "  0:01 ClientConnect: " + std::string(client) + ", Name: " + std::string(name) +
           ", IP: " + std::string(ip) + ":27960 DATE: " + std::string(date) + "\n";
}
inline std::string Rename(std::string_view client, std::string_view name) {
    return "  0:02 ClientUserinfoChanged: " + std::string(client) + " n\\" + std::string(name) +
           "\\t\\1\\model\\sarge\n";
}
inline std::string RefereeLogin(std::string_view name) {
    return "  0:03 " + std::string(name) + " entered RefPassword\n";
}
inline std::string Disconnect(std::string_view client) {
    return "  0:04 ClientDisconnect: " + std::string(client) + "\n";
}

// A run host that lets a test act whenever the run hands over control.
class TestHost : public RunHost {
public:
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    void setStatus(std::string_view t) override { text = std::string(t); }

    std::string text = std::string(status::Processing);
    int pumps = 0;
    std::function<void()> onPump;
};

// One row of table Names, every column as text (Ref as 0 or 1).
using NameRow = std::array<std::string, 5>;

// Reads table Names through a connection of its own, the way another program would. (Read-write
// without create: after a kill, only such a connection may recover the write-ahead log.)
inline std::vector<NameRow> ReadNames(const std::string& dbPath) {
    std::vector<NameRow> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << dbPath << ": " << (db ? sqlite3_errmsg(db) : "");
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT PlayerName, StrippedName, IP, LastVisit, CAST(Ref AS INTEGER) FROM Names "
                      "ORDER BY PlayerName, IP, StrippedName, LastVisit, Ref";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot read Names: " << sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            NameRow row;
            for (int i = 0; i < 5; ++i) {
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                row[static_cast<std::size_t>(i)] =
                    t ? std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(st, i))) : "";
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

inline std::string IntegrityCheck(const std::string& dbPath) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        result.clear();
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                if (!result.empty()) result += "; ";
                result += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            }
        } else {
            result = sqlite3_errmsg(db);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// The user id of "nobody": a child that must meet permissions drops to it when the tests run as root.
inline constexpr uid_t kNobody = 65534;

struct ChildLimits {
    enum class Privileges { Keep, DropWhenRoot } privileges = Privileges::Keep;
    std::optional<rlim_t> fileSizeLimit; // RLIMIT_FSIZE: a disk that is full for this process
};

struct ChildResult {
    int exitCode = -1; // -1 when the child did not exit normally
    int signal = 0;
    std::string message; // what the child wrote to its report pipe
    long maxRssKb = 0;
};

// Applies the limits in a freshly forked child (nothing but system calls: safe after fork).
inline void ApplyLimits(const ChildLimits& limits) {
    if (limits.privileges == ChildLimits::Privileges::DropWhenRoot && ::geteuid() == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(121);
    }
    if (limits.fileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail with EFBIG instead of killing
        const rlimit r{*limits.fileSizeLimit, *limits.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(122);
    }
}

inline ChildResult Collect(pid_t pid, int readFd) {
    ChildResult result;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(readFd, buf, sizeof buf);
        if (n > 0) {
            result.message.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    ::close(readFd);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.maxRssKb = usage.ru_maxrss;
    return result;
}

// Runs `body` in a forked child under `limits`. The body writes its report to the given stream and
// returns the child's exit code.
inline ChildResult RunInChild(const ChildLimits& limits,
                              const std::function<int(std::string& report)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        ApplyLimits(limits);
        std::string report;
        int code = 120;
        try {
            code = body(report);
        } catch (const std::exception& e) {
            report += std::string("exception: ") + e.what();
        }
        const char* p = report.data();
        std::size_t left = report.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    return Collect(pid, fds[0]);
}

} // namespace corvanth::hostile
