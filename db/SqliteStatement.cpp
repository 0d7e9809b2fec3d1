#include "SqliteStatement.h"

#include "DatabaseError.h"
#include "SqlTokens.h"
#include "SqliteConnection.h"

#include <utility>

namespace corvanth {
namespace {

bool OnlyBlanksAndComments(std::string_view s) {
    for (const SqlToken& t : TokenizeSql(s))
        if (t.kind != SqlTokenKind::Space && t.kind != SqlTokenKind::Comment && t.text != ";") return false;
    return true;
}

} // namespace

SqliteStatement::SqliteStatement(const SqliteConnection& db, std::string_view sql, std::string_view* tail)
    : db_(&db) {
    const char* rest = nullptr;
    const int rc = sqlite3_prepare_v2(db.get(), sql.data(), static_cast<int>(sql.size()), &stmt_, &rest);
    if (rc != SQLITE_OK) {
        std::string message = db.errorMessage();
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw DatabaseError(message);
    }
    const std::string_view remaining(rest, static_cast<std::size_t>(sql.data() + sql.size() - rest));
    if (tail) {
        *tail = remaining;
    } else if (!OnlyBlanksAndComments(remaining)) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw DatabaseError("characters found after the end of the SQL statement");
    }
    if (!stmt_) throw DatabaseError("the SQL text holds no statement");
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), db_(other.db_) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
        db_ = other.db_;
    }
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::optional<std::string_view> text) {
    const int rc =
        text ? sqlite3_bind_text(stmt_, index, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT)
             : sqlite3_bind_null(stmt_, index);
    db_->check(rc, "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bindForRun(int index, std::string_view text) {
    db_->check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC),
               "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bindPointer(int index, const void* pointer, const char* tag) {
    db_->check(sqlite3_bind_pointer(stmt_, index, const_cast<void*>(pointer), tag, nullptr), "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    db_->check(sqlite3_bind_int64(stmt_, index, value), "bind");
    return *this;
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string message = db_->errorMessage();
    sqlite3_reset(stmt_);
    throw DatabaseError(message);
}

void SqliteStatement::run() {
    while (step()) {
    }
    reset();
}

void SqliteStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string_view SqliteStatement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p) return {};
    return {p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

} // namespace corvanth
