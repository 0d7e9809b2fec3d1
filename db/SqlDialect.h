#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace corvanth {

// What a user's query may say beyond SQLite's own dialect: the bare words Yes and No (outside
// quotes, brackets and comments) mean 1 and 0. Everything else passes unchanged.
std::string TranslateQuery(std::string_view sql);

// Registers LIKE with the program's pattern rules (see LikePattern) and fold(x), the case folding
// used to compare names, on one connection. Throws DatabaseError.
void RegisterDialect(sqlite3* db);

} // namespace corvanth
