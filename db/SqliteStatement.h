#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

class SqliteConnection;

// Owns one prepared statement. Prepared once and reused: reset() clears the last run and bindings.
class SqliteStatement {
public:
    SqliteStatement() = default;
    // Throws DatabaseError when the text does not compile. With `tail`, the text after the first
    // statement is stored there; without it, text after the first statement is an error.
    SqliteStatement(const SqliteConnection& db, std::string_view sql, std::string_view* tail = nullptr);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }

    // An empty optional binds NULL. Parameters count from 1.
    SqliteStatement& bind(int index, std::optional<std::string_view> text);
    SqliteStatement& bind(int index, std::int64_t value);
    // Binds a pointer that only an SQL function asking for `tag` can read (sqlite3_bind_pointer);
    // `tag` is a text that lives as long as the program. The pointee outlives the run.
    SqliteStatement& bindPointer(int index, const void* pointer, const char* tag);
    // Binds text without copying it: the caller keeps it unchanged until run() or reset() returns.
    SqliteStatement& bindForRun(int index, std::string_view text);

    // True when a row is ready; false when the statement is done. Throws DatabaseError.
    bool step();
    // Steps to completion; throws on error.
    void run();
    void reset();

    int columnCount() const { return sqlite3_column_count(stmt_); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string_view text(int column) const;
    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool readOnly() const { return sqlite3_stmt_readonly(stmt_) != 0; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    const SqliteConnection* db_ = nullptr;
};

} // namespace corvanth
