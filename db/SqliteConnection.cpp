#include "SqliteConnection.h"

#include "DatabaseError.h"

#include <fcntl.h>
#include <unistd.h>

namespace corvanth {
namespace {

// SQLite makes a new database file with mode 0644 less the umask, whatever the umask allows, and gives
// its -wal and -shm files the database file's mode; so a group that is to share the file could never
// write it. Made here first, with 0666 less the umask as every other file of the programs, all three
// files get the mode the umask says. A file that exists is left alone, and one that cannot be made is
// left to SQLite, which says why.
void CreateMissingFile(const std::string& path) {
    if (path.empty() || path == ":memory:") return; // no file
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) ::close(fd); // an empty file, which SQLite takes for a new database
}

// SQLite counts every allocation under one lock shared by all its connections unless told otherwise
// before it starts, and Debian's build allocates for every statement run (it has no lookaside); the
// programs never read the counts. Told once, before the first connection opens (a C++ static: a second
// thread waits for it). When something in the process started SQLite already, it answers
// SQLITE_MISUSE and keeps counting, which changes nothing else.
void LeaveAllocationsUncounted() {
    static const int answer = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)answer; // SQLITE_OK, or SQLITE_MISUSE as said
}

} // namespace

SqliteConnection::SqliteConnection(const std::string& path, IfMissing ifMissing) {
    LeaveAllocationsUncounted();
    const int create = ifMissing == IfMissing::Create ? SQLITE_OPEN_CREATE : 0;
    // A connection is only ever used by the thread that opened it (the programs have one), so SQLite
    // need not take its lock around every call.
    const int flags = SQLITE_OPEN_READWRITE | create | SQLITE_OPEN_NOMUTEX;
    if ((flags & SQLITE_OPEN_CREATE) != 0) CreateMissingFile(path); // only where SQLite would make it
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
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
