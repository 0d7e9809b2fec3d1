#pragma once

#include "SqliteStatement.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

class SqliteConnection;
struct ConnectionLife;

// A cursor over the rows of one query, positioned on the first row when opened. Eof() is true at once
// for an empty result and after MoveNext() has passed the last row. Fields are looked up by name,
// ignoring letter case. A column declared BOOLEAN reads as the word True or False. When the database
// is closed while a cursor is open, the cursor simply reaches its end.
class Recordset {
public:
    // With a `reuseKey`, the statement is handed back to the connection for reuse when the cursor closes.
    Recordset(std::shared_ptr<SqliteConnection> connection, std::shared_ptr<ConnectionLife> life,
              SqliteStatement statement, std::string reuseKey = {});
    ~Recordset();
    Recordset(Recordset&&) noexcept = default;
    Recordset& operator=(Recordset&&) noexcept = default;

    bool Eof() const { return eof_; }
    // Throws DatabaseError when the next row cannot be produced (the cursor is then at its end).
    void MoveNext();

    bool HasField(std::string_view name) const { return indexOf(name) >= 0; }
    // The value as text; nothing for NULL or a column the result lacks.
    std::optional<std::string> Field(std::string_view name) const;

private:
    int indexOf(std::string_view name) const;
    bool alive() const;

    std::shared_ptr<SqliteConnection> connection_;
    std::shared_ptr<ConnectionLife> life_;
    SqliteStatement statement_;
    std::string reuseKey_;
    std::vector<std::string> names_;
    std::vector<std::string> foldedNames_;
    std::vector<bool> boolean_;
    bool eof_ = true;
};

} // namespace corvanth
