#include "PostgresNames.h"

#include "DatabaseError.h"
#include "NameText.h"
#include "PgCursor.h"
#include "PgQueryText.h"
#include "SqlDialect.h"
#include "TextCodec.h"

#include <algorithm>

namespace corvanth {
namespace {

// Rows sent in one statement at most; a batch that grows past it is sent at once.
constexpr std::size_t kMaxBatchRows = 5000;

// Made once per database, under a lock so that programs starting together do not race. The columns
// compare bytes ("C"); letter case is ignored through corvanth_fold(), ICU's lower case whatever the
// server's locale, which the indexes are built on.
//
// A new table leaves a tenth of each page free: a visit that updates a row's LastVisit then fits on
// the row's page, and the server adds no index entries for it (a "HOT" update). On the 200 MB log, 5,555
// of 9,152 updates were such updates instead of 1,687; the import took 8 % less time and left the table
// and its indexes smaller.
const char* const kSchema =
    "BEGIN;"
    "SELECT pg_advisory_xact_lock(4242770001);"
    "CREATE TABLE IF NOT EXISTS Names(PlayerName TEXT COLLATE \"C\", StrippedName TEXT COLLATE \"C\", "
    "IP TEXT COLLATE \"C\", LastVisit TEXT COLLATE \"C\", Ref BOOLEAN NOT NULL DEFAULT false) "
    "WITH (fillfactor = 90);"
    "DO $$ BEGIN IF to_regprocedure('corvanth_fold(text)') IS NULL THEN "
    "CREATE FUNCTION corvanth_fold(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
    "AS $f$ SELECT lower($1 COLLATE \"und-x-icu\") $f$; END IF; END $$;"
    "CREATE UNIQUE INDEX IF NOT EXISTS NamesPair ON Names(corvanth_fold(PlayerName), corvanth_fold(IP));"
    "CREATE INDEX IF NOT EXISTS NamesIP ON Names(corvanth_fold(IP));"
    "COMMIT;";

const char* const kUpsert =
    "INSERT INTO Names (PlayerName, StrippedName, IP, LastVisit, Ref) "
    "SELECT * FROM unnest($1::text[], $2::text[], $3::text[], $4::text[], $5::boolean[]) "
    "ON CONFLICT (corvanth_fold(PlayerName), corvanth_fold(IP)) DO UPDATE SET "
    "LastVisit = CASE WHEN Names.LastVisit IS NULL OR EXCLUDED.LastVisit > Names.LastVisit "
    "THEN EXCLUDED.LastVisit ELSE Names.LastVisit END, Ref = Names.Ref OR EXCLUDED.Ref";

const char* const kMarks = "UPDATE Names SET Ref = true FROM unnest($1::text[], $2::text[]) AS m(n, i) "
                           "WHERE corvanth_fold(Names.PlayerName) = corvanth_fold(m.n) AND "
                           "corvanth_fold(Names.IP) = corvanth_fold(m.i)";

// An array value in PostgreSQL's text form: every element quoted.
class ArrayText {
public:
    void add(std::string_view element) {
        text_ += text_.empty() ? "{\"" : ",\"";
        for (char c : element) {
            if (c == '"' || c == '\\') text_ += '\\';
            text_ += c;
        }
        text_ += '"';
    }
    void add(bool value) { text_ += text_.empty() ? (value ? "{t" : "{f") : (value ? ",t" : ",f"); }
    std::string take() { return text_.empty() ? std::string("{}") : std::move(text_) + "}"; }

private:
    std::string text_;
};

void PairKey(std::string& key, std::string_view name, std::string_view ip) {
    key = FoldCase(name);
    key.insert(0, std::to_string(key.size()) + ':');
    key += FoldCase(ip);
}

} // namespace

PostgresNames::PostgresNames(const std::string& conninfo)
    : connection_(std::make_unique<PgConnection>(conninfo)), open_(std::make_shared<bool>(true)) {
    connection_->Exec("SET client_min_messages = warning", "cannot prepare the names table");
    connection_->Exec(kSchema, "cannot prepare the names table");
}

PostgresNames::~PostgresNames() {
    try {
        Close();
    } catch (...) {
        // Closing must not throw from a destructor; what was not sent is lost with the connection.
    }
}

void PostgresNames::Close() {
    if (!connection_) return;
    std::string failure;
    try {
        send();
    } catch (const DatabaseError& e) {
        failure = e.what();
    }
    *open_ = false;
    connection_.reset();
    if (!failure.empty()) throw DatabaseError("closing the database: " + failure);
}

PgConnection& PostgresNames::connection() {
    if (!connection_) throw DatabaseError("the names database is not open");
    return *connection_;
}

void PostgresNames::startBatch() {
    if (pending_.empty() && marks_.empty()) batchStart_ = std::chrono::steady_clock::now();
}

PostgresNames::Pending& PostgresNames::pendingPair(const std::string& name, std::string_view ip,
                                                   bool& added) {
    PairKey(keyScratch_, name, ip);
    auto [it, inserted] = pendingIndex_.emplace(keyScratch_, pending_.size());
    added = inserted;
    if (inserted) pending_.push_back({name, {}, std::string(ip), {}, false});
    return pending_[it->second];
}

void PostgresNames::RecordVisit(std::string_view playerName, std::string_view ip,
                                std::string_view lastVisit) {
    connection();
    startBatch();
    bool added = false;
    Pending& p = pendingPair(EncodeName(playerName), ip, added);
    if (added) p.strippedName = StripName(p.playerName);
    // Within a run the visit read last is the newest; the table keeps the later of its own and this.
    p.lastVisit.assign(lastVisit);
    if (pending_.size() >= kMaxBatchRows) send(Wait::Overlap);
}

void PostgresNames::MarkReferee(std::string_view playerName, std::string_view ip) {
    connection();
    startBatch();
    const std::string name = EncodeName(playerName);
    PairKey(keyScratch_, name, ip);
    if (auto it = pendingIndex_.find(keyScratch_); it != pendingIndex_.end()) {
        pending_[it->second].referee = true;
        return;
    }
    marks_.emplace_back(name, std::string(ip));
}

void PostgresNames::MergeRow(const NamesRow& row) {
    connection();
    startBatch();
    bool added = false;
    Pending& p = pendingPair(row.playerName, row.ip, added);
    if (added) p.strippedName = row.strippedName ? *row.strippedName : StripName(row.playerName);
    const std::string lastVisit = row.lastVisit.value_or(std::string());
    if (added || lastVisit > p.lastVisit) p.lastVisit = lastVisit;
    p.referee = p.referee || row.referee;
    if (pending_.size() >= kMaxBatchRows) send(Wait::Overlap);
}

void PostgresNames::send(Wait wait) {
    PgConnection& c = connection();
    // The batch sent before is waited for first: should it have failed, this one is still here.
    c.FinishSent();
    if (pending_.empty() && marks_.empty()) return;
    // Whatever happens, this batch is done with: sent, or lost with the connection.
    std::vector<Pending> pending = std::move(pending_);
    std::vector<std::pair<std::string, std::string>> marks = std::move(marks_);
    pending_.clear();
    marks_.clear();
    // Rows go in the order of their folded pairs, the same in every program writing the table, so
    // that two batches meeting on the same pairs take their row locks in the same order.
    std::vector<std::pair<std::string, std::size_t>> order(pendingIndex_.begin(), pendingIndex_.end());
    std::sort(order.begin(), order.end());
    pendingIndex_.clear();
    std::sort(marks.begin(), marks.end(), [](const auto& a, const auto& b) {
        std::string keyA, keyB;
        PairKey(keyA, a.first, a.second);
        PairKey(keyB, b.first, b.second);
        return keyA < keyB;
    });
    c.ReconnectIfLost();
    if (!marks.empty()) {
        ArrayText names, ips;
        for (const auto& [name, ip] : marks) {
            names.add(name);
            ips.add(ip);
        }
        c.RunRepeatable(kMarks, {names.take(), ips.take()}, "cannot write the referee marks");
    }
    if (!pending.empty()) {
        ArrayText names, stripped, ips, visits, refs;
        for (const auto& [key, index] : order) {
            const Pending& p = pending[index];
            names.add(p.playerName);
            stripped.add(p.strippedName);
            ips.add(p.ip);
            visits.add(p.lastVisit);
            refs.add(p.referee);
        }
        std::vector<std::optional<std::string>> arrays{names.take(), stripped.take(), ips.take(),
                                                       visits.take(), refs.take()};
        if (wait == Wait::Overlap)
            c.SendRepeatable(kUpsert, std::move(arrays), "cannot write the visits");
        else
            c.RunRepeatable(kUpsert, arrays, "cannot write the visits");
    }
}

void PostgresNames::Checkpoint() {
    if (!connection_ || (pending_.empty() && marks_.empty())) return;
    if (std::chrono::steady_clock::now() - batchStart_ >= commitInterval_) send();
}

void PostgresNames::Commit() {
    if (connection_) send();
}

void PostgresNames::Reconnect() {
    PgConnection& c = connection();
    pending_.clear();
    pendingIndex_.clear();
    marks_.clear();
    try {
        c.FinishSent();
    } catch (const DatabaseError&) {
        // A batch sent before the connection was lost: the caller writes it again.
    }
    c.ReconnectIfLost();
}

std::int64_t PostgresNames::DeleteAllRecords() {
    send();
    PgConnection& c = connection();
    c.ReconnectIfLost();
    const PgResult r =
        c.Run("DELETE FROM Names WHERE PlayerName IS NOT NULL", {}, "cannot clear the names table");
    return std::stoll(Libpq().PQcmdTuples(r.get()));
}

Recordset PostgresNames::OpenRecordset(const Query& query) {
    send(); // a query sees every visit recorded so far
    PgConnection& c = connection();
    c.ReconnectIfLost();
    if (query.userText) {
        const std::string sql = TranslateQuery(query.sql, BooleanWords::Literals);
        if (IsTransactionControl(sql))
            throw DatabaseError("transactions are managed by the program; run the statement without BEGIN, "
                                "COMMIT or ROLLBACK");
        return Recordset(std::make_unique<PgCursor>(open_, c.RunOnce(sql, "the query failed")));
    }
    const Query translated = TranslateForPostgres(query);
    return Recordset(
        std::make_unique<PgCursor>(open_, c.Run(translated.sql, translated.params, "the query failed")));
}

std::int64_t PostgresNames::RowCount() {
    send();
    PgConnection& c = connection();
    c.ReconnectIfLost();
    const PgResult r = c.Run("SELECT count(*) FROM Names", {}, "cannot count the rows");
    return std::stoll(Libpq().PQgetvalue(r.get(), 0, 0));
}

} // namespace corvanth
