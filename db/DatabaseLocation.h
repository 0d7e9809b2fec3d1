#pragma once

#include <optional>
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

// What opening a location that does not exist does: create the database (a run's target), or refuse
// (what a copy reads from).
enum class IfMissing { Create, Refuse };

// How an SQLite file is read: through a memory map (a scan copies no page; the pages read count in the
// program's resident memory) or by reads into SQLite's own small cache (for a server whose memory is
// watched). PostgreSQL ignores it.
enum class FileReading { Mapped, Copied };

// Where a location's text came from: the command line (every user of the machine sees it in `ps`), the
// window's settings file (plain text), or the environment (which only the user's own processes see).
enum class LocationSource { CommandLine, SettingsFile, Environment };

// Why a location may not be used as it came, or nothing when it may. A PostgreSQL text is read by
// libpq's own parse (PQconninfoParse), so that every spelling counts (URL, keywords, percent-encoded
// keys): a text libpq cannot read is refused from anywhere (libpq's message is not repeated, since it
// may quote the text); a text with a secret (password, sslpassword, any keyword libpq hides as a
// password) is refused unless it comes from the environment. An SQLite location is always fine.
// Throws DatabaseError when the PostgreSQL client library cannot be loaded.
std::optional<std::string> LocationRefusal(const DatabaseLocation& location, LocationSource source);

} // namespace corvanth
