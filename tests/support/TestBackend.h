#pragma once

#include "DatabaseLocation.h"
#include "PgTestDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace corvanth::test {

// The two databases every backend-independent case runs against.
enum class Backend { Sqlite, Postgres };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

// Where a test's names table lives: `sqliteFile` for SQLite, a fresh database on the test server for
// PostgreSQL (dropped with this object).
class BackendLocation {
public:
    BackendLocation(Backend backend, const std::string& sqliteFile) {
        if (backend == Backend::Postgres) {
            server_ = std::make_unique<PgTestDatabase>();
            text_ = server_->location();
        } else {
            text_ = "sqlite:" + sqliteFile;
            file_ = sqliteFile;
        }
    }
    // As --database and CORVANTH_DATABASE take it.
    const std::string& text() const { return text_; }
    DatabaseLocation location() const { return ParseDatabaseLocation(text_, {}); }
    // Runs statements on a connection of their own, as another program would (the program's own
    // custom statements only read).
    void ExecuteBeside(const std::string& sql) const {
        if (server_) return PgConnection(text_).Exec(sql.c_str(), "a statement beside the program");
        sqlite3* other = nullptr;
        const bool opened = sqlite3_open(file_.c_str(), &other) == SQLITE_OK;
        const bool ran = opened && sqlite3_exec(other, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(other);
        if (!ran) throw std::runtime_error("cannot run beside the program: " + sql);
    }

private:
    std::unique_ptr<PgTestDatabase> server_;
    std::string text_, file_;
};

} // namespace corvanth::test
