#pragma once

#include "Outcome.h"

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace corvanth {

// The audit trail: one line per search or player view (time, account, client address, what was
// asked, how many rows), written to the service's log and appended to Audit.log in the data folder
// (created with mode 0640 less the umask; appended to, never rewritten).
class AuditLog {
public:
    AuditLog(std::string path, std::ostream& log) : path_(std::move(path)), log_(log) {}

    // `what` is one line already (its texts quoted). Fails when the file cannot be appended to.
    Outcome<Done> Record(const std::string& account, const std::string& client, const std::string& what,
                         std::size_t rows);
    // A line for the service's log only (not the trail), written in turn with the trail's lines.
    void Note(const std::string& line);
    // The file's last `count` lines, oldest first.
    std::vector<std::string> Tail(std::size_t count) const;

private:
    std::string path_;
    std::ostream& log_;
    mutable std::mutex mutex_;
};

} // namespace corvanth
