#include "PgGuids.h"

#include "DatabaseError.h"
#include "PgConnection.h"
#include "PgLibrary.h"
#include "PgQueryText.h"
#include "PgText.h"
#include "VisitDate.h"

#include <algorithm>
#include <optional>

namespace corvanth {
namespace {

// The unique index's columns: the bounded key of each folded text (see LongTextHashSql), so a GUID,
// name or address of any length can be stored.
std::string GuidsKey() {
    std::string key;
    for (const char* column : {"Guid", "PlayerName", "IP"})
        key +=
            std::string(key.empty() ? "" : ", ") + IndexedPrefixSql(column) + ", " + LongTextHashSql(column);
    return key;
}

// Under the lock the names table is made under, so that programs starting together do not race.
std::string CreateMissingSql() {
    // IF NOT EXISTS rather than a look-up under the lock: a look-up may not yet see a table another
    // program made while this one waited for the lock.
    return "BEGIN;"
           "SELECT pg_advisory_xact_lock(4242770001);"
           "CREATE TABLE IF NOT EXISTS Guids(Guid TEXT COLLATE \"C\", PlayerName TEXT COLLATE \"C\", "
           "IP TEXT COLLATE \"C\", LastVisit TEXT COLLATE \"C\");"
           "CREATE UNIQUE INDEX IF NOT EXISTS GuidsKey ON Guids(" +
           GuidsKey() + ");CREATE INDEX IF NOT EXISTS GuidsIP ON Guids(" + IndexedPrefixSql("IP") +
           ");COMMIT;";
}

std::string UpsertSql() {
    return "INSERT INTO Guids (Guid, PlayerName, IP, LastVisit) "
           "SELECT * FROM unnest($1::text[], $2::text[], $3::text[], $4::text[]) "
           "ON CONFLICT (" +
           GuidsKey() + ") DO UPDATE SET LastVisit = CASE WHEN Guids.LastVisit IS NULL OR " +
           LaterVisitSql("EXCLUDED.LastVisit", "Guids.LastVisit") +
           " THEN EXCLUDED.LastVisit ELSE Guids.LastVisit END";
}

} // namespace

void PgGuids::CreateMissing(PgConnection& connection) {
    const PgResult found =
        connection.Run("SELECT to_regclass('guids') IS NOT NULL AND to_regclass('guidskey') IS NOT NULL AND "
                       "to_regclass('guidsip') IS NOT NULL",
                       {}, "cannot read the database's catalog");
    if (Libpq().PQgetvalue(found.get(), 0, 0)[0] == 't') return;
    try {
        connection.Exec(CreateMissingSql().c_str(), "cannot prepare the GUID table");
    } catch (const DatabaseError& e) {
        connection.Exec("ROLLBACK", "cannot prepare the GUID table");
        // A role that may not create it works on without it (a database made before GUIDs were kept):
        // only writing a GUID then fails, naming the missing table.
        if (e.code() != "42501") throw;
    }
}

void PgGuids::Add(std::string_view guid, std::string_view storedName, std::string_view ip,
                  std::string_view lastVisit, const RowOrigin& origin) {
    // Folded as the unique index folds (corvanth_fold()), each length in front so keys never run together.
    key_.clear();
    for (const std::string_view text : {guid, storedName, ip}) {
        const std::size_t at = key_.size();
        AppendServerFold(key_, text);
        key_.insert(at, std::to_string(key_.size() - at) + ':');
    }
    const auto [it, added] = index_.emplace(key_, rows_.size());
    std::string visit = ToServerText(lastVisit);
    if (added) {
        rows_.push_back(
            {ToServerText(guid), ToServerText(storedName), ToServerText(ip), std::move(visit), origin});
        return;
    }
    // The later date of the two, as the table compares them.
    if (IsLaterVisit(visit, rows_[it->second].lastVisit)) rows_[it->second].lastVisit = std::move(visit);
}

void PgGuids::Send(PgConnection& connection, const std::function<LogLine(const RowOrigin&)>& lineOf) {
    if (rows_.empty()) return;
    // In the order of their keys, the same in every program, so that two writers lock rows alike.
    std::vector<std::pair<std::string, std::size_t>> order(index_.begin(), index_.end());
    std::sort(order.begin(), order.end());
    const std::vector<Row> rows = std::move(rows_);
    rows_.clear();
    index_.clear();
    const std::string upsert = UpsertSql();
    WriteSplitting(
        order.size(),
        [&](std::size_t from, std::size_t to, const char* context) {
            ArrayText guids, names, ips, visits;
            for (std::size_t at = from; at < to; ++at) {
                const Row& row = rows[order[at].second];
                guids.add(row.guid);
                names.add(row.name);
                ips.add(row.ip);
                visits.add(row.lastVisit);
            }
            connection.RunRepeatable(upsert, {guids.take(), names.take(), ips.take(), visits.take()},
                                     context);
        },
        "cannot write the GUIDs",
        [&](std::size_t at) {
            const Row& row = rows[order[at].second];
            return "cannot write the GUID \"" + Brief(row.guid) + "\" of \"" + Brief(row.name) +
                   "\" from \"" + Brief(row.ip) + "\"";
        },
        [&](std::size_t at) { return lineOf(rows[order[at].second].origin); });
}

} // namespace corvanth
