#pragma once

#include "RecordCursor.h"
#include "SqliteStatement.h"

#include <memory>
#include <string>
#include <vector>

namespace corvanth {

class SqliteConnection;
struct ConnectionLife;

// The rows of one SQLite statement. With a `reuseKey`, the statement is handed back to the connection
// for reuse when the cursor closes. A cursor of a closed database has no more rows.
class SqliteCursor : public RecordCursor {
public:
    SqliteCursor(std::shared_ptr<SqliteConnection> connection, std::shared_ptr<ConnectionLife> life,
                 SqliteStatement statement, std::string reuseKey = {});
    ~SqliteCursor() override;
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    int ColumnCount() const override { return static_cast<int>(names_.size()); }
    std::string ColumnName(int column) const override { return names_[static_cast<std::size_t>(column)]; }
    bool HasRow() const override { return hasRow_ && alive(); }
    void Next() override;
    std::optional<std::string_view> Value(int column) const override;

private:
    bool alive() const;

    std::shared_ptr<SqliteConnection> connection_;
    std::shared_ptr<ConnectionLife> life_;
    SqliteStatement statement_;
    std::string reuseKey_;
    std::vector<std::string> names_;
    std::vector<bool> boolean_;
    bool hasRow_ = false;
};

} // namespace corvanth
