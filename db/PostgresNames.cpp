#include "PostgresNames.h"

#include "DatabaseError.h"
#include "NameText.h"
#include "PgCursor.h"
#include "PgQueryText.h"
#include "PgRowSplitting.h"
#include "PgText.h"
#include "SqlDialect.h"
#include "TextCodec.h"
#include "VisitDate.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace corvanth {
namespace {

// Rows sent in one statement at most, and the bytes of text: a batch that grows past either is sent at
// once (a value PostgreSQL receives is at most 1 GB, and names may be a megabyte long).
constexpr std::size_t kMaxBatchRows = 5000;
constexpr std::size_t kMaxBatchBytes = std::size_t{64} << 20;

// What the database holds, read from the catalog before anything is created: a role that may only read
// and write rows never needs to create anything.
const char* const kCatalog =
    "SELECT to_regclass('names') IS NOT NULL, to_regprocedure('corvanth_fold(text)') IS NOT NULL, "
    "to_regclass('namespairkey') IS NOT NULL, to_regclass('namesipprefix') IS NOT NULL, "
    "to_regclass('namespair') IS NOT NULL, to_regclass('namesip') IS NOT NULL";

// The columns compare bytes ("C"); letter case is ignored through corvanth_fold(), ICU's lower case
// whatever the server's locale, on which the indexes are built.
//
// A new table leaves a tenth of each page free: a visit that updates a row's LastVisit then fits on
// the row's page, and the server adds no index entries for it (a "HOT" update). On the 200 MB log, 5,555
// of 9,152 updates were such updates instead of 1,687; the import took 8 % less time and left the table
// and its indexes smaller.
const char* const kCreateTable =
    "CREATE TABLE IF NOT EXISTS Names(PlayerName TEXT COLLATE \"C\", StrippedName TEXT COLLATE \"C\", "
    "IP TEXT COLLATE \"C\", LastVisit TEXT COLLATE \"C\", Ref BOOLEAN NOT NULL DEFAULT false) "
    "WITH (fillfactor = 90);";
const char* const kCreateFold =
    "DO $$ BEGIN IF to_regprocedure('corvanth_fold(text)') IS NULL THEN "
    "CREATE FUNCTION corvanth_fold(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
    "AS $f$ SELECT lower($1 COLLATE \"und-x-icu\") $f$; END IF; END $$;";

std::string Folded(const std::string& column) {
    return "corvanth_fold(" + column + ")";
}

// The unique pair index's columns over a name and an address: a btree entry holds at most about 2,700
// bytes, so it holds the first kIndexedPrefixChars characters of each folded text and, for a longer
// one, the MD5 of the whole (LongTextHash). The previous version indexed the whole folded texts.
enum class PairIndex { Bounded, WholeTexts };
std::vector<std::string> PairKey(PairIndex index, const std::string& name, const std::string& ip) {
    if (index == PairIndex::WholeTexts) return {Folded(name), Folded(ip)};
    return {IndexedPrefixSql(name), LongTextHashSql(name), IndexedPrefixSql(ip), LongTextHashSql(ip)};
}

std::string Joined(const std::vector<std::string>& parts, const char* between) {
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : between) + part;
    return out;
}

enum CatalogColumn { Table, Fold, PairKeyIndex, AddressIndex, OldPair, OldAddress };
bool Has(const PgResult& r, CatalogColumn column) {
    return Libpq().PQgetvalue(r.get(), 0, column)[0] == 't';
}

constexpr std::string_view kInsufficientPrivilege = "42501";
// ON CONFLICT names no unique index: the table's owner moved it to the bounded index meanwhile.
constexpr std::string_view kNoSuchConflictIndex = "42P10";

// The batch key of a pair, folded as the server's pair index folds it (corvanth_fold()); the folded
// name's length comes first, so two pairs never share a key.
void BatchKey(std::string& key, std::string_view name, std::string_view ip) {
    key.clear();
    AppendServerFold(key, name);
    key.insert(0, std::to_string(key.size()) + ':');
    AppendServerFold(key, ip);
}

} // namespace

// The upsert's five arrays for rows [from, to).
std::vector<std::optional<std::string>> PostgresNames::UpsertArrays(const std::vector<Pending>& rows,
                                                                    std::size_t from, std::size_t to) {
    ArrayText names, stripped, ips, visits, refs;
    for (std::size_t i = from; i < to; ++i) {
        const Pending& p = rows[i];
        names.add(p.playerName);
        stripped.add(p.strippedName);
        ips.add(p.ip);
        visits.add(p.lastVisit);
        refs.add(p.referee);
    }
    return {names.take(), stripped.take(), ips.take(), visits.take(), refs.take()};
}

PostgresNames::PostgresNames(const std::string& conninfo)
    : connection_(std::make_unique<PgConnection>(conninfo)), open_(std::make_shared<bool>(true)) {
    connection_->Exec("SET client_min_messages = warning", "cannot prepare the names table");
    prepareSchema();
    PgGuids::CreateMissing(*connection_);
}

void PostgresNames::prepareSchema() {
    PgConnection& c = *connection_;
    const PgResult found = readCatalog();
    if (!Has(found, Table) || !Has(found, Fold) || !Has(found, PairKeyIndex) || !Has(found, AddressIndex) ||
        Has(found, OldPair) || Has(found, OldAddress)) {
        // Made once per database, under a lock so that programs starting together do not race.
        std::string sql = "BEGIN; SELECT pg_advisory_xact_lock(4242770001);";
        if (!Has(found, Table)) sql += kCreateTable;
        if (!Has(found, Fold)) sql += kCreateFold;
        sql += "CREATE UNIQUE INDEX IF NOT EXISTS NamesPairKey ON Names(" +
               Joined(PairKey(PairIndex::Bounded, "PlayerName", "IP"), ", ") + ");" +
               "CREATE INDEX IF NOT EXISTS NamesIPPrefix ON Names(" + IndexedPrefixSql("IP") + ");" +
               "DROP INDEX IF EXISTS NamesPair; DROP INDEX IF EXISTS NamesIP; COMMIT;";
        try {
            c.Exec(sql.c_str(), "cannot prepare the names table");
        } catch (const DatabaseError& e) {
            c.Exec("ROLLBACK", "cannot prepare the names table");
            // A table of the previous version stays usable by a role that may not move it.
            if (!Has(found, Table) || !Has(found, Fold) ||
                !(Has(found, PairKeyIndex) || Has(found, OldPair))) {
                if (e.code() == kInsufficientPrivilege)
                    throw DatabaseError(std::string(e.what()) +
                                            " (the names table is not complete, and this role may not create "
                                            "what is missing: connect once as the database's owner)",
                                        e.code());
                throw;
            }
        }
        chooseStatements(readCatalog());
        return;
    }
    chooseStatements(found);
}

PgResult PostgresNames::readCatalog() {
    return connection_->Run(kCatalog, {}, "cannot read the database's catalog");
}

void PostgresNames::chooseStatements(const PgResult& found) {
    const PairIndex index = Has(found, PairKeyIndex) ? PairIndex::Bounded : PairIndex::WholeTexts;
    upsertSql_ = "INSERT INTO Names (PlayerName, StrippedName, IP, LastVisit, Ref) "
                 "SELECT * FROM unnest($1::text[], $2::text[], $3::text[], $4::text[], $5::boolean[]) "
                 "ON CONFLICT (" +
                 Joined(PairKey(index, "PlayerName", "IP"), ", ") +
                 ") DO UPDATE SET LastVisit = CASE WHEN Names.LastVisit IS NULL OR " +
                 LaterVisitSql("EXCLUDED.LastVisit", "Names.LastVisit") +
                 " THEN EXCLUDED.LastVisit ELSE Names.LastVisit END, Ref = Names.Ref OR EXCLUDED.Ref";
    const std::vector<std::string> row = PairKey(index, "Names.PlayerName", "Names.IP"),
                                   mark = PairKey(index, "m.n", "m.i");
    std::vector<std::string> same;
    for (std::size_t i = 0; i < row.size(); ++i)
        same.push_back(row[i] + " = " + mark[i]);
    marksSql_ = "UPDATE Names SET Ref = true FROM unnest($1::text[], $2::text[]) AS m(n, i) WHERE " +
                Joined(same, " AND ");
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
    if (pending_.empty() && marks_.empty() && guids_.Empty()) batchStart_ = std::chrono::steady_clock::now();
}

PostgresNames::Pending& PostgresNames::pendingPair(const std::string& name, const std::string& ip,
                                                   const Origin& origin, bool& added) {
    BatchKey(keyScratch_, name, ip);
    auto [it, inserted] = pendingIndex_.emplace(keyScratch_, pending_.size());
    added = inserted;
    if (inserted) {
        pending_.push_back({name, {}, ip, {}, false, origin});
        pendingBytes_ += name.size() + ip.size();
    }
    return pending_[it->second];
}

// The later of the batch's visit and this one, as the table keeps the later of its own and the batch's.
void PostgresNames::keepLater(Pending& p, bool added, std::string&& lastVisit) {
    if (!added && !IsLaterVisit(lastVisit, p.lastVisit)) return;
    pendingBytes_ += lastVisit.size();
    p.lastVisit = std::move(lastVisit);
}

void PostgresNames::RecordVisit(std::string_view playerName, std::string_view ip,
                                std::string_view lastVisit) {
    connection();
    startBatch();
    bool added = false;
    const std::string name = EncodeName(playerName);
    Pending& p = pendingPair(ToServerText(name), ToServerText(ip), origin_, added);
    if (added) {
        p.strippedName = ToServerText(StripName(name));
        pendingBytes_ += p.strippedName.size();
    }
    keepLater(p, added, ToServerText(lastVisit));
    if (pending_.size() >= kMaxBatchRows || pendingBytes_ >= kMaxBatchBytes) send(Wait::Overlap);
}

void PostgresNames::MarkReferee(std::string_view playerName, std::string_view ip) {
    connection();
    startBatch();
    const std::string name = ToServerText(EncodeName(playerName)), address = ToServerText(ip);
    BatchKey(keyScratch_, name, address);
    if (auto it = pendingIndex_.find(keyScratch_); it != pendingIndex_.end()) {
        pending_[it->second].referee = true;
        return;
    }
    pendingBytes_ += name.size() + address.size();
    marks_.push_back({name, address, origin_});
}

void PostgresNames::FromLine(std::string_view log, std::int64_t position) {
    if (logs_.empty() || logs_[origin_.log] != log) {
        const auto known = std::find(logs_.begin(), logs_.end(), log);
        origin_.log = static_cast<std::size_t>(known - logs_.begin());
        if (known == logs_.end()) logs_.emplace_back(log);
    }
    origin_.line = position;
}

LogLine PostgresNames::lineOf(const Origin& origin) const {
    if (origin.line == 0) return {};
    return {logs_[origin.log], origin.line};
}

void PostgresNames::RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                               std::string_view lastVisit) {
    connection();
    startBatch();
    guids_.Add(guid, EncodeName(playerName), ip, lastVisit, origin_);
    if (guids_.Size() >= kMaxBatchRows) send();
}

void PostgresNames::MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                              std::string_view lastVisit) {
    connection();
    startBatch();
    guids_.Add(guid, storedName, ip, lastVisit, {}); // the later LastVisit, in the batch and on the server
    if (guids_.Size() >= kMaxBatchRows) send();
}

std::optional<std::int64_t> PostgresNames::GuidCount() {
    send();
    PgConnection& c = connection();
    c.ReconnectIfLost();
    const PgResult found =
        c.Run("SELECT to_regclass('guids') IS NOT NULL", {}, "cannot read the database's catalog");
    if (Libpq().PQgetvalue(found.get(), 0, 0)[0] != 't') return std::nullopt;
    const PgResult r = c.Run("SELECT count(*) FROM Guids", {}, "cannot count the GUID rows");
    return std::stoll(Libpq().PQgetvalue(r.get(), 0, 0));
}

bool PostgresNames::HasOnlineTable() {
    send();
    PgConnection& c = connection();
    c.ReconnectIfLost();
    const PgResult found =
        c.Run("SELECT to_regclass('online') IS NOT NULL", {}, "cannot read the database's catalog");
    return Libpq().PQgetvalue(found.get(), 0, 0)[0] == 't';
}

void PostgresNames::PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) {
    send(); // after the names it follows
    PgConnection& c = connection();
    c.ReconnectIfLost();
    online_.Publish(c, server, slots);
}

void PostgresNames::MergeRow(const NamesRow& row) {
    connection();
    startBatch();
    bool added = false;
    Pending& p = pendingPair(ToServerText(row.playerName), ToServerText(row.ip), Origin{}, added);
    if (added) {
        p.strippedName = ToServerText(row.strippedName ? *row.strippedName : StripName(row.playerName));
        pendingBytes_ += p.strippedName.size();
    }
    keepLater(p, added, ToServerText(row.lastVisit.value_or(std::string())));
    p.referee = p.referee || row.referee;
    if (pending_.size() >= kMaxBatchRows || pendingBytes_ >= kMaxBatchBytes) send(Wait::Overlap);
}

void PostgresNames::send(Wait wait) {
    PgConnection& c = connection();
    try {
        // The batch sent before is waited for first: should it have failed, this one is still here.
        try {
            finishInFlight(c);
        } catch (const DatabaseError& e) {
            // Rows of it were refused, and every other row is written. A send made while a visit is handed
            // over does not fail that visit's line for them: the next send that waits throws the first
            // refusal, once its own batch is written.
            if (!RefusedForItsValues(e)) throw;
            if (!refused_) refused_ = e;
        }
        sendBatch(c, wait);
        if (wait == Wait::UntilWritten && refused_) {
            const DatabaseError refused = *refused_;
            refused_.reset();
            throw refused;
        }
    } catch (const DatabaseError& e) {
        if (e.code() != kInsufficientPrivilege) throw;
        throw DatabaseError(std::string(e.what()) +
                                " (this role may not write the names table: a writer needs SELECT, INSERT, "
                                "UPDATE and DELETE on Names)",
                            e.code());
    }
}

void PostgresNames::sendBatch(PgConnection& c, Wait wait) {
    if (pending_.empty() && marks_.empty() && guids_.Empty()) return;
    // Whatever happens, this batch is done with: sent, or lost with the connection.
    std::vector<Pending> pending = std::move(pending_);
    std::vector<Mark> marks = std::move(marks_);
    pending_.clear();
    marks_.clear();
    pendingBytes_ = 0;
    // Rows go in the order of their folded pairs, the same in every program writing the table, so
    // that two batches meeting on the same pairs take their row locks in the same order.
    std::vector<std::pair<std::string, std::size_t>> order(pendingIndex_.begin(), pendingIndex_.end());
    std::sort(order.begin(), order.end());
    pendingIndex_.clear();
    std::vector<Pending> rows;
    rows.reserve(order.size());
    for (const auto& entry : order)
        rows.push_back(std::move(pending[entry.second]));
    std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) {
        std::string keyA, keyB;
        BatchKey(keyA, a.name, a.ip);
        BatchKey(keyB, b.name, b.ip);
        return keyA < keyB;
    });
    c.ReconnectIfLost();
    // Rows the server refuses are kept for the end of the next send that waits (see send()).
    const auto keepRefusal = [&](const std::function<void()>& write) {
        try {
            write();
        } catch (const DatabaseError& e) {
            if (!RefusedForItsValues(e)) throw;
            if (!refused_) refused_ = e;
        }
    };
    keepRefusal([&] {
        guids_.Send(c, [this](const Origin& origin) { return lineOf(origin); });
    }); // waited for: the visits may go out without waiting, after it
    if (!marks.empty()) keepRefusal([&] { writeMarks(c, marks); });
    if (rows.empty()) return;
    if (wait == Wait::Overlap) {
        c.SendRepeatable(upsertSql_, UpsertArrays(rows, 0, rows.size()), "cannot write the visits");
        inFlight_ = std::move(rows);
    } else {
        keepRefusal([&] { writeRows(c, rows); });
    }
}

void PostgresNames::finishInFlight(PgConnection& c) {
    std::vector<Pending> rows = std::move(inFlight_);
    inFlight_.clear();
    try {
        c.FinishSent();
    } catch (const DatabaseError& e) {
        if (rows.empty()) throw;
        if (e.code() == kNoSuchConflictIndex)
            chooseStatements(readCatalog());
        else if (!RefusedForItsValues(e))
            throw;
        writeRows(c, rows);
    }
}

void PostgresNames::writeRows(PgConnection& c, const std::vector<Pending>& rows) {
    const auto write = [&](std::size_t from, std::size_t to, const char* context) {
        c.RunRepeatable(upsertSql_, UpsertArrays(rows, from, to), context);
    };
    const auto describe = [&](std::size_t i) {
        return "cannot write the visit of \"" + Brief(rows[i].playerName) + "\" from \"" + Brief(rows[i].ip) +
               "\"";
    };
    const auto line = [&](std::size_t i) { return lineOf(rows[i].origin); };
    try {
        WriteSplitting(rows.size(), write, "cannot write the visits", describe, line);
    } catch (const DatabaseError& e) {
        if (e.code() != kNoSuchConflictIndex) throw;
        chooseStatements(readCatalog());
        WriteSplitting(rows.size(), write, "cannot write the visits", describe, line);
    }
}

void PostgresNames::writeMarks(PgConnection& c, const std::vector<Mark>& marks) {
    WriteSplitting(
        marks.size(),
        [&](std::size_t from, std::size_t to, const char* context) {
            ArrayText names, ips;
            for (std::size_t i = from; i < to; ++i) {
                names.add(marks[i].name);
                ips.add(marks[i].ip);
            }
            c.RunRepeatable(marksSql_, {names.take(), ips.take()}, context);
        },
        "cannot write the referee marks",
        [&](std::size_t i) {
            return "cannot mark \"" + Brief(marks[i].name) + "\" from \"" + Brief(marks[i].ip) +
                   "\" as a referee";
        },
        [&](std::size_t i) { return lineOf(marks[i].origin); });
}

void PostgresNames::Checkpoint() {
    if (!connection_ || (pending_.empty() && marks_.empty() && guids_.Empty())) return;
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
    pendingBytes_ = 0;
    inFlight_.clear();
    refused_.reset();
    guids_ = PgGuids();
    online_.Forget();
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
    // The GUIDs seen with the names go with them (a database made before GUIDs were kept has none).
    c.Exec("DO $$ BEGIN IF to_regclass('guids') IS NOT NULL THEN DELETE FROM Guids; END IF; END $$",
           "cannot clear the GUID table");
    return std::stoll(Libpq().PQcmdTuples(r.get()));
}

Recordset PostgresNames::OpenRecordset(const Query& query) {
    send(); // a query sees every visit recorded so far
    PgConnection& c = connection();
    c.ReconnectIfLost();
    if (query.userText) {
        const std::string sql = TranslateQuery(query.sql, BooleanWords::Literals);
        return Recordset(std::make_unique<PgCursor>(open_, c.RunReadOnly(sql, "the query failed")));
    }
    Query translated = TranslateForPostgres(query);
    for (auto& value : translated.params)
        if (value) ToServerText(*value);
    return Recordset(
        std::make_unique<PgCursor>(open_, c.Run(translated.sql, translated.params, "the query failed")));
}

std::string PostgresNames::Identity() {
    PgConnection& c = connection();
    c.ReconnectIfLost();
    const PgResult r = c.Run("SELECT current_database() || ' on port ' || current_setting('port') || "
                             "' since ' || pg_postmaster_start_time()",
                             {}, "cannot tell which database this is");
    return std::string("postgresql ") + Libpq().PQgetvalue(r.get(), 0, 0);
}

std::int64_t PostgresNames::RowCount() {
    send();
    PgConnection& c = connection();
    c.ReconnectIfLost();
    const PgResult r = c.Run("SELECT count(*) FROM Names", {}, "cannot count the rows");
    return std::stoll(Libpq().PQgetvalue(r.get(), 0, 0));
}

} // namespace corvanth
