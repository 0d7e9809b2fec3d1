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

// How every refusal of a user's statement that would do more than read begins. The user's statements
// only read: the database engine judges each one (see PrepareReadOnly, PgConnection::RunReadOnly), the
// program does not guess from the text.
inline constexpr const char* kOnlyReads = "custom SQL only reads the database";

// Registers LIKE with the program's pattern rules (see LikePattern) and fold(x), the case folding
// used to compare names, on one connection. Throws DatabaseError.
void RegisterDialect(sqlite3* db);

} // namespace corvanth
