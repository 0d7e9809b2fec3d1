#pragma once

#include "SqliteStatement.h"

#include <string_view>

namespace corvanth {

class SqliteConnection;

// Prepares a user's statement so that it can only read, as SQLite itself judges it: while it is
// prepared, an authorizer allows reading tables, functions other than load_extension(), WITH RECURSIVE
// and the PRAGMAs that only report, and nothing else (no writes, schema changes, transactions or
// savepoints, ATTACH, DETACH, ANALYZE, REINDEX, PRAGMAs that set); then sqlite3_stmt_readonly() must
// agree (VACUUM, journal modes). The authorizer is removed again before this returns, so the program's
// own statements are never judged by it. Throws DatabaseError starting with kOnlyReads for a statement
// that would do more than read, or with SQLite's message for one that does not compile; nothing runs.
SqliteStatement PrepareReadOnly(const SqliteConnection& db, std::string_view sql);

} // namespace corvanth
