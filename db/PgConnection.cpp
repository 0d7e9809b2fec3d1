#include "PgConnection.h"

#include "DatabaseError.h"

namespace corvanth {
namespace {

std::string Trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

PgConnection::PgConnection(const std::string& conninfo) {
    conn_ = PQconnectdb(conninfo.c_str());
    if (!conn_) throw DatabaseError("cannot connect to the PostgreSQL server: out of memory");
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string reason = Trimmed(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw DatabaseError("cannot connect to the PostgreSQL server: " + reason);
    }
    PQsetClientEncoding(conn_, "UTF8");
    // The server's notices ("already exists, skipping") are not the user's business.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PgConnection::~PgConnection() {
    if (conn_) PQfinish(conn_);
}

void PgConnection::ReconnectIfLost() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    prepared_.clear();
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
        throw DatabaseError("cannot reach the PostgreSQL server again: " + Trimmed(PQerrorMessage(conn_)));
    PQsetClientEncoding(conn_, "UTF8");
}

PgResult PgConnection::check(PgResult result, const char* context) {
    const ExecStatusType status = result.status();
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY) return result;
    std::string reason = Trimmed(result.get() ? PQresultErrorMessage(result.get()) : PQerrorMessage(conn_));
    if (reason.empty()) reason = Trimmed(PQerrorMessage(conn_));
    if (PQstatus(conn_) != CONNECTION_OK)
        throw DatabaseError(std::string(context) +
                            ": lost the connection to the PostgreSQL server: " + reason);
    throw DatabaseError(std::string(context) + ": " + reason);
}

void PgConnection::Exec(const char* sql, const char* context) {
    check(PgResult(PQexec(conn_, sql)), context);
}

PgResult PgConnection::Run(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                           const char* context) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
        const std::string name = "corvanth_" + std::to_string(prepared_.size() + 1);
        check(PgResult(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr)), context);
        it = prepared_.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    return check(PgResult(PQexecPrepared(conn_, it->second.c_str(), static_cast<int>(values.size()),
                                         values.data(), nullptr, nullptr, 0)),
                 context);
}

PgResult PgConnection::RunOnce(const std::string& sql, const char* context) {
    PgResult result(PQexecParams(conn_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0));
    if (result.status() == PGRES_EMPTY_QUERY)
        throw DatabaseError(std::string(context) + ": the statement is empty");
    return check(std::move(result), context);
}

} // namespace corvanth
