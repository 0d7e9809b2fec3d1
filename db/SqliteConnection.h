#pragma once

#include "DatabaseLocation.h"

#include <sqlite3.h>

#include <string>

namespace corvanth {

// Owns one sqlite3 connection. Closing waits for nothing: statements still open keep the connection
// alive until they are finalized (sqlite3_close_v2).
class SqliteConnection {
public:
    // Throws DatabaseError when the file cannot be opened (or, with IfMissing::Refuse, does not exist).
    explicit SqliteConnection(const std::string& path, IfMissing ifMissing = IfMissing::Create);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* get() const { return db_; }
    // Runs statements that return no rows; throws DatabaseError.
    void exec(const char* sql);
    // Throws DatabaseError with `context` and the connection's message when rc is an error.
    void check(int rc, const std::string& context) const;
    std::string errorMessage() const;

private:
    sqlite3* db_ = nullptr;
};

} // namespace corvanth
