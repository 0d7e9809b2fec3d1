#include "SqliteCursor.h"

#include "SqliteConnection.h"
#include "SqliteNames.h"
#include "TextCodec.h"

namespace corvanth {

namespace {

constexpr std::size_t kIdleStatementsPerText = 4;

} // namespace

SqliteCursor::SqliteCursor(std::shared_ptr<SqliteConnection> connection, std::shared_ptr<ConnectionLife> life,
                           SqliteStatement statement, std::string reuseKey)
    : connection_(std::move(connection)), life_(std::move(life)), statement_(std::move(statement)),
      reuseKey_(std::move(reuseKey)) {
    const int n = statement_.columnCount();
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(statement_.get(), i);
        names_.emplace_back(name ? name : "");
        const char* declared = sqlite3_column_decltype(statement_.get(), i);
        boolean_.push_back(declared && EqualsIgnoringCase(declared, "BOOLEAN"));
    }
    hasRow_ = statement_.step();
}

SqliteCursor::~SqliteCursor() {
    if (!statement_ || reuseKey_.empty() || !alive()) return;
    statement_.reset();
    auto& idle = life_->idleStatements[reuseKey_];
    if (idle.size() < kIdleStatementsPerText) idle.push_back(std::move(statement_));
}

bool SqliteCursor::alive() const {
    return life_ && life_->open;
}

void SqliteCursor::Next() {
    if (!hasRow_) return;
    if (!alive()) {
        hasRow_ = false;
        return;
    }
    try {
        hasRow_ = statement_.step();
    } catch (...) {
        hasRow_ = false;
        throw;
    }
}

std::optional<std::string_view> SqliteCursor::Value(int i) const {
    if (!HasRow()) return std::nullopt;
    const int type = sqlite3_column_type(statement_.get(), i);
    if (type == SQLITE_NULL) return std::nullopt;
    if (boolean_[static_cast<std::size_t>(i)] && type == SQLITE_INTEGER)
        return std::string_view(sqlite3_column_int64(statement_.get(), i) != 0 ? "True" : "False");
    if (boolean_[static_cast<std::size_t>(i)] && type == SQLITE_FLOAT)
        return std::string_view(sqlite3_column_double(statement_.get(), i) != 0 ? "True" : "False");
    return statement_.text(i);
}

} // namespace corvanth
