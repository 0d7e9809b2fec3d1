#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace corvanth {

// How the bare words Yes and No are written for the database: 1 and 0 (SQLite), true and false
// (PostgreSQL).
enum class BooleanWords { Numbers, Literals };

// What a user's query may say beyond the database's own dialect: the bare words Yes and No (outside
// quotes, brackets and comments) mean true and false. Everything else passes unchanged.
std::string TranslateQuery(std::string_view sql, BooleanWords words = BooleanWords::Numbers);

// Whether a user's statement controls transactions (BEGIN, COMMIT, END, ROLLBACK, SAVEPOINT,
// RELEASE): the program owns them, since a user's ROLLBACK would undo rows a run has written.
bool IsTransactionControl(std::string_view sql);

// Registers LIKE with the program's pattern rules (see LikePattern) and fold(x), the case folding
// used to compare names, on one connection. Throws DatabaseError.
void RegisterDialect(sqlite3* db);

} // namespace corvanth
