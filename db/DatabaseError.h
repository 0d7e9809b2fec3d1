#pragma once

#include "VisitSink.h"

#include <stdexcept>
#include <string>

namespace corvanth {

// A failure of the database; one that a batch written later found names the log line of its row.
class DatabaseError : public std::runtime_error, public SinkFailure {
public:
    explicit DatabaseError(const std::string& what, std::string code = {})
        : std::runtime_error(what), code_(std::move(code)) {}
    // The server's SQLSTATE for a statement PostgreSQL refused; empty otherwise.
    const std::string& code() const { return code_; }

private:
    std::string code_;
};

// The database server cannot be reached: the connection was lost, or cannot be made again. Nothing in
// the statement was wrong; it may be sent again once NamesDatabase::Reconnect() succeeds.
class DatabaseUnreachable : public DatabaseError, public SinkUnreachable {
public:
    explicit DatabaseUnreachable(const std::string& what) : DatabaseError(what) {}
};

} // namespace corvanth
