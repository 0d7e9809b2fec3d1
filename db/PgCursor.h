#pragma once

#include "PgResult.h"
#include "RecordCursor.h"

#include <memory>
#include <string>
#include <vector>

namespace corvanth {

// The rows of one PostgreSQL result, read in full when the query ran (so the connection is free for
// the queries a search runs while it walks the rows). A cursor of a closed database has no more rows.
// Texts read back have U+2400 as U+0000 again (see PgText.h).
class PgCursor : public RecordCursor {
public:
    PgCursor(std::shared_ptr<const bool> open, PgResult result);

    int ColumnCount() const override { return Libpq().PQnfields(result_.get()); }
    std::string ColumnName(int column) const override { return Libpq().PQfname(result_.get(), column); }
    bool HasRow() const override { return *open_ && row_ < Libpq().PQntuples(result_.get()); }
    void Next() override;
    std::optional<std::string_view> Value(int column) const override;

private:
    std::shared_ptr<const bool> open_;
    PgResult result_;
    int row_ = 0;
    mutable std::vector<std::string> restored_; // per column: a value of this row that held U+2400
};

} // namespace corvanth
