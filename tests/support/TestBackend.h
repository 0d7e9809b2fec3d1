#pragma once

#include "DatabaseLocation.h"
#include "PgTestDatabase.h"

#include <gtest/gtest.h>

#include <memory>
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
        }
    }
    // As --database and CORVANTH_DATABASE take it.
    const std::string& text() const { return text_; }
    DatabaseLocation location() const { return ParseDatabaseLocation(text_, {}); }

private:
    std::unique_ptr<PgTestDatabase> server_;
    std::string text_;
};

} // namespace corvanth::test
