#pragma once

#include "PgResult.h"

#include "PgLibrary.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvanth {

// Owns one libpq connection and the statements prepared on it. Every failure is a DatabaseError whose
// message never repeats the connection text (it may hold a password).
class PgConnection {
public:
    // Connects; throws DatabaseError when the server cannot be reached or refuses.
    explicit PgConnection(const std::string& conninfo);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    PGconn* get() const { return conn_; }

    // Connects again when the connection was lost since the last statement (the statements prepared
    // before are prepared again on first use). Throws DatabaseUnreachable when the server cannot be
    // reached; a statement that finds the connection lost throws it too.
    void ReconnectIfLost();

    // Runs statements that return nothing (several allowed, no parameters).
    void Exec(const char* sql, const char* context);
    // Runs one statement with text parameters (an empty optional is NULL), prepared once per text.
    PgResult Run(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                 const char* context);
    // Runs like Run a statement that gives the same table whenever it is run again after being rolled
    // back: when the server rolls it back to break a deadlock with another writer (or on a
    // serialization failure), it is run again, a few times at most.
    PgResult RunRepeatable(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                           const char* context);
    // Runs the user's own statement so that it can only read, as the server judges it: in a read-only
    // transaction of its own, rolled back afterwards; prepared first (the extended protocol takes one
    // statement only) and described, so that a statement that gives no rows (COMMIT, SET, DEALLOCATE,
    // a write without RETURNING) is refused before it runs. A refusal starts with kOnlyReads.
    PgResult RunReadOnly(const std::string& sql, const char* context);

    // Sends a statement like RunRepeatable's without waiting for the server: the caller goes on while
    // the server works. Its outcome is waited for before anything else is sent (every call above waits
    // first) or by FinishSent(); its failure is thrown there.
    void SendRepeatable(const std::string& sql, std::vector<std::optional<std::string>> params,
                        const char* context);
    // Waits for the statement sent last, if any; throws its failure as RunRepeatable would.
    void FinishSent();

private:
    PgResult check(PgResult result, const char* context);
    PgResult execute(const std::string& sql, const std::vector<std::optional<std::string>>& params,
                     const char* context);

    // The name a statement text is prepared under on this connection, prepared on first use.
    const std::string& preparedName(const std::string& sql, const char* context);

    // A statement sent and not yet waited for, kept whole so that it can be run again.
    struct Sent {
        std::string sql;
        std::vector<std::optional<std::string>> params;
        const char* context;
    };

    PGconn* conn_ = nullptr;
    std::unordered_map<std::string, std::string> prepared_; // text -> statement name
    std::optional<Sent> sent_;
};

} // namespace corvanth
