#include "PgConnection.h"

#include "DatabaseError.h"
#include "SqlDialect.h"

#include <string_view>

namespace corvanth {
namespace {

// The server's message without its trailing line end, cut after a few hundred bytes: a message may repeat
// a value it refused, and a value may be a megabyte long (or a whole batch).
std::string Trimmed(const char* message) {
    constexpr std::size_t kMostBytes = 400;
    std::string text = message ? message : "";
    if (text.size() > kMostBytes) {
        std::size_t cut = kMostBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut; // not inside a character
        text.resize(cut);
        text += "...";
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The server's codes for a statement it rolled back so that another could go on.
constexpr std::string_view kDeadlockDetected = "40P01";
constexpr std::string_view kSerializationFailure = "40001";
constexpr int kRepeatLimit = 5;
// The server's code for a statement a read-only transaction does not allow.
constexpr std::string_view kReadOnlyTransaction = "25006";

// Whether the server rolled the statement back so that another writer could go on, and the connection
// is outside a transaction: the statement can simply be run again.
bool RolledBackForAnother(const PgResult& result, PGconn* conn) {
    const char* state = result.get() ? Libpq().PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    return state &&
           (std::string_view(state) == kDeadlockDetected ||
            std::string_view(state) == kSerializationFailure) &&
           Libpq().PQtransactionStatus(conn) == PQTRANS_IDLE;
}

} // namespace

PgConnection::PgConnection(const std::string& conninfo) {
    conn_ = Libpq().PQconnectdb(conninfo.c_str());
    if (!conn_) throw DatabaseError("cannot connect to the PostgreSQL server: out of memory");
    if (Libpq().PQstatus(conn_) != CONNECTION_OK) {
        const std::string reason = Trimmed(Libpq().PQerrorMessage(conn_));
        Libpq().PQfinish(conn_);
        conn_ = nullptr;
        throw DatabaseError("cannot connect to the PostgreSQL server: " + reason);
    }
    Libpq().PQsetClientEncoding(conn_, "UTF8");
    // The server's notices ("already exists, skipping") are not the user's business.
    Libpq().PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PgConnection::~PgConnection() {
    if (conn_) Libpq().PQfinish(conn_);
}

void PgConnection::ReconnectIfLost() {
    FinishSent();
    if (Libpq().PQstatus(conn_) == CONNECTION_OK) return;
    prepared_.clear();
    Libpq().PQreset(conn_);
    if (Libpq().PQstatus(conn_) != CONNECTION_OK)
        throw DatabaseUnreachable("cannot reach the PostgreSQL server again: " +
                                  Trimmed(Libpq().PQerrorMessage(conn_)));
    Libpq().PQsetClientEncoding(conn_, "UTF8");
}

PgResult PgConnection::check(PgResult result, const char* context) {
    const ExecStatusType status = result.status();
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY) return result;
    std::string reason =
        Trimmed(result.get() ? Libpq().PQresultErrorMessage(result.get()) : Libpq().PQerrorMessage(conn_));
    if (reason.empty()) reason = Trimmed(Libpq().PQerrorMessage(conn_));
    if (Libpq().PQstatus(conn_) != CONNECTION_OK)
        throw DatabaseUnreachable(std::string(context) +
                                  ": lost the connection to the PostgreSQL server: " + reason);
    const char* state = result.get() ? Libpq().PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    throw DatabaseError(std::string(context) + ": " + reason, state ? state : "");
}

void PgConnection::Exec(const char* sql, const char* context) {
    FinishSent();
    check(PgResult(Libpq().PQexec(conn_, sql)), context);
}

PgResult PgConnection::Run(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                           const char* context) {
    FinishSent();
    return check(execute(sql, params, context), context);
}

void PgConnection::SendRepeatable(const std::string& sql, std::vector<std::optional<std::string>> params,
                                  const char* context) {
    FinishSent();
    const std::string& name = preparedName(sql, context);
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    // libpq copies the values before it returns.
    if (!Libpq().PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(),
                                     nullptr, nullptr, 0))
        check(PgResult(nullptr), context);
    sent_ = Sent{sql, std::move(params), context};
}

void PgConnection::FinishSent() {
    if (!sent_) return;
    Sent sent = std::move(*sent_);
    sent_.reset();
    // One statement gives one result, and then none.
    PgResult result(Libpq().PQgetResult(conn_));
    while (PGresult* more = Libpq().PQgetResult(conn_))
        Libpq().PQclear(more);
    if (RolledBackForAnother(result, conn_)) {
        RunRepeatable(sent.sql, sent.params, sent.context);
        return;
    }
    check(std::move(result), sent.context);
}

PgResult PgConnection::RunRepeatable(const std::string& sql,
                                     const std::vector<std::optional<std::string>>& params,
                                     const char* context) {
    FinishSent();
    for (int attempt = 1;; ++attempt) {
        PgResult result = execute(sql, params, context);
        if (!RolledBackForAnother(result, conn_) || attempt == kRepeatLimit)
            return check(std::move(result), context);
    }
}

const std::string& PgConnection::preparedName(const std::string& sql, const char* context) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
        const std::string name = "corvanth_" + std::to_string(prepared_.size() + 1);
        check(PgResult(Libpq().PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr)), context);
        it = prepared_.emplace(sql, name).first;
    }
    return it->second;
}

PgResult PgConnection::execute(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                               const char* context) {
    const std::string& name = preparedName(sql, context);
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    return PgResult(Libpq().PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()),
                                           values.data(), nullptr, nullptr, 0));
}

PgResult PgConnection::RunReadOnly(const std::string& sql, const char* context) {
    FinishSent();
    check(PgResult(Libpq().PQexec(conn_, "BEGIN READ ONLY")), context);
    // The unnamed statement: prepared anew for every text.
    PgResult result(Libpq().PQprepare(conn_, "", sql.c_str(), 0, nullptr));
    bool givesRows = false;
    if (result.status() == PGRES_COMMAND_OK) {
        result = PgResult(Libpq().PQdescribePrepared(conn_, ""));
        givesRows = result.status() == PGRES_COMMAND_OK && Libpq().PQnfields(result.get()) > 0;
        if (givesRows) result = PgResult(Libpq().PQexecPrepared(conn_, "", 0, nullptr, nullptr, nullptr, 0));
    }
    const PGTransactionStatusType after = Libpq().PQtransactionStatus(conn_);
    if (after == PQTRANS_INTRANS || after == PQTRANS_INERROR)
        check(PgResult(Libpq().PQexec(conn_, "ROLLBACK")), context);
    const std::string refused = std::string(context) + ": " + kOnlyReads;
    if (result.status() == PGRES_COMMAND_OK && !givesRows)
        throw DatabaseError(refused + ": the statement gives no rows");
    if (after == PQTRANS_IDLE) // the statement itself ended the transaction
        throw DatabaseError(refused + ": the statement ends the transaction");
    const char* state = result.get() ? Libpq().PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    if (state && std::string_view(state) == kReadOnlyTransaction)
        throw DatabaseError(refused + ": " + Trimmed(Libpq().PQresultErrorMessage(result.get())));
    return check(std::move(result), context);
}

} // namespace corvanth
