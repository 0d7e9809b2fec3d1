#include "SqliteReadOnly.h"

#include "DatabaseError.h"
#include "SqlDialect.h"
#include "SqliteConnection.h"
#include "TextCodec.h"

#include <algorithm>
#include <array>
#include <string>

namespace corvanth {
namespace {

// PRAGMAs that only report, asked without a value or with the name of what they report on.
constexpr std::array<std::string_view, 22> kReportingPragmas{
    "application_id", "collation_list",    "compile_options",  "database_list",   "data_version",
    "encoding",       "foreign_key_check", "foreign_key_list", "freelist_count",  "function_list",
    "index_info",     "index_list",        "index_xinfo",      "integrity_check", "module_list",
    "page_count",     "page_size",         "pragma_list",      "quick_check",     "schema_version",
    "table_info",     "table_xinfo"};

bool Reports(const char* pragma) {
    return pragma && std::any_of(kReportingPragmas.begin(), kReportingPragmas.end(),
                                 [&](std::string_view p) { return EqualsIgnoringCase(p, pragma); });
}

// What the authorizer refused first, in the user's words.
struct Refusal {
    std::string what;
};

std::string Described(int action, const char* first, const char* second) {
    const std::string a = first ? first : "", b = second ? second : "";
    const bool schema = a.rfind("sqlite_", 0) == 0; // a row of the schema: CREATE, DROP and ALTER write them
    switch (action) {
    case SQLITE_INSERT:
        return schema ? "changing the schema" : "INSERT";
    case SQLITE_UPDATE:
        return schema ? "changing the schema" : "UPDATE";
    case SQLITE_DELETE:
        return schema ? "changing the schema" : "DELETE";
    case SQLITE_TRANSACTION:
        return a; // BEGIN, COMMIT or ROLLBACK
    case SQLITE_SAVEPOINT:
        return a == "BEGIN" ? "SAVEPOINT" : a == "RELEASE" ? "RELEASE" : "ROLLBACK TO";
    case SQLITE_ATTACH:
        return "ATTACH";
    case SQLITE_DETACH:
        return "DETACH";
    case SQLITE_PRAGMA:
        return "PRAGMA " + a + (b.empty() ? "" : " = " + b);
    case SQLITE_FUNCTION:
        return b + "()";
    case SQLITE_ANALYZE:
        return "ANALYZE";
    case SQLITE_REINDEX:
        return "REINDEX";
    case SQLITE_ALTER_TABLE:
        return "ALTER TABLE";
    default:
        return "the statement";
    }
}

int Authorize(void* data, int action, const char* first, const char* second, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        if (!second || !EqualsIgnoringCase(second, "load_extension")) return SQLITE_OK;
        break;
    case SQLITE_PRAGMA:
        if (Reports(first)) return SQLITE_OK;
        break;
    default:
        break;
    }
    auto& refusal = *static_cast<Refusal*>(data);
    if (refusal.what.empty()) refusal.what = Described(action, first, second);
    return SQLITE_DENY;
}

// The authorizer, installed for as long as this lives.
class AuthorizerScope {
public:
    AuthorizerScope(sqlite3* db, Refusal& refusal) : db_(db) {
        if (sqlite3_set_authorizer(db_, Authorize, &refusal) != SQLITE_OK)
            throw DatabaseError("cannot judge the statement: the authorizer could not be installed");
    }
    ~AuthorizerScope() { sqlite3_set_authorizer(db_, nullptr, nullptr); }
    AuthorizerScope(const AuthorizerScope&) = delete;
    AuthorizerScope& operator=(const AuthorizerScope&) = delete;

private:
    sqlite3* db_;
};

} // namespace

SqliteStatement PrepareReadOnly(const SqliteConnection& db, std::string_view sql) {
    Refusal refusal;
    SqliteStatement statement;
    try {
        AuthorizerScope judge(db.get(), refusal);
        statement = SqliteStatement(db, sql);
    } catch (const DatabaseError&) {
        if (refusal.what.empty()) throw;
        throw DatabaseError(std::string(kOnlyReads) + ": " + refusal.what + " is refused");
    }
    if (!statement.readOnly()) throw DatabaseError(std::string(kOnlyReads) + ": the statement would write");
    return statement;
}

} // namespace corvanth
