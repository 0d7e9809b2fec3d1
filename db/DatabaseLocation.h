#pragma once

#include <string>
#include <string_view>

namespace corvanth {

// Where the names table lives, as a user writes it: nothing (the file in the data folder),
// "sqlite:PATH", a plain file path, or a PostgreSQL connection text ("postgresql://user@host/db",
// "postgres://...", or libpq's "keyword=value ..." form).
struct DatabaseLocation {
    enum class Kind { SqliteFile, PostgreSql };
    Kind kind = Kind::SqliteFile;
    std::string target; // the file path, or the connection text as written

    bool operator==(const DatabaseLocation&) const = default;
};

// `defaultFile` is the database file in the data folder, used when `text` is empty.
DatabaseLocation ParseDatabaseLocation(std::string_view text, const std::string& defaultFile);

} // namespace corvanth
