#include "SqliteConnection.h"

#include "DatabaseError.h"

namespace corvanth {

SqliteConnection::SqliteConnection(const std::string& path, IfMissing ifMissing) {
    const int create = ifMissing == IfMissing::Create ? SQLITE_OPEN_CREATE : 0;
    // A connection is only ever used by the thread that opened it (the programs have one), so SQLite
    // need not take its lock around every call.
    const int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | create | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw DatabaseError("cannot open " + path + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(db_);
}

void SqliteConnection::exec(const char* sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw DatabaseError(message);
    }
}

void SqliteConnection::check(int rc, const std::string& context) const {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
    throw DatabaseError(context + ": " + errorMessage());
}

std::string SqliteConnection::errorMessage() const {
    return db_ ? sqlite3_errmsg(db_) : "no database connection";
}

} // namespace corvanth
