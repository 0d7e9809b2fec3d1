#include "PgGuids.h"

#include "PgConnection.h"
#include "TextCodec.h"

#include <algorithm>
#include <optional>

namespace corvanth {
namespace {

// Under the lock the names table is made under, so that programs starting together do not race.
const char* const kCreateMissing =
    "BEGIN;"
    "SELECT pg_advisory_xact_lock(4242770001);"
    "DO $$ BEGIN "
    "IF to_regclass('guids') IS NULL THEN "
    "CREATE TABLE Guids(Guid TEXT COLLATE \"C\", PlayerName TEXT COLLATE \"C\", IP TEXT COLLATE \"C\", "
    "LastVisit TEXT COLLATE \"C\"); END IF; "
    "IF to_regclass('guidskey') IS NULL THEN "
    "CREATE UNIQUE INDEX GuidsKey ON Guids(corvanth_fold(Guid), corvanth_fold(PlayerName), "
    "corvanth_fold(IP)); END IF; "
    "IF to_regclass('guidsip') IS NULL THEN CREATE INDEX GuidsIP ON Guids(corvanth_fold(IP)); END IF; "
    "END $$;"
    "COMMIT;";

const char* const kUpsert =
    "INSERT INTO Guids (Guid, PlayerName, IP, LastVisit) "
    "SELECT * FROM unnest($1::text[], $2::text[], $3::text[], $4::text[]) "
    "ON CONFLICT (corvanth_fold(Guid), corvanth_fold(PlayerName), corvanth_fold(IP)) DO UPDATE SET "
    "LastVisit = CASE WHEN Guids.LastVisit IS NULL OR EXCLUDED.LastVisit > Guids.LastVisit "
    "THEN EXCLUDED.LastVisit ELSE Guids.LastVisit END";

// An array value in PostgreSQL's text form: every element quoted.
std::string ArrayText(const std::vector<std::string_view>& elements) {
    std::string text = "{";
    for (const std::string_view element : elements) {
        if (text.size() > 1) text += ',';
        text += '"';
        for (const char c : element) {
            if (c == '"' || c == '\\') text += '\\';
            text += c;
        }
        text += '"';
    }
    return text + "}";
}

} // namespace

void PgGuids::CreateMissing(PgConnection& connection) {
    connection.Exec(kCreateMissing, "cannot prepare the GUID table");
}

void PgGuids::Add(std::string_view guid, std::string_view storedName, std::string_view ip,
                  std::string_view lastVisit) {
    const std::string name = FoldCase(storedName);
    key_ = FoldCase(guid);
    key_ += '\n';
    key_ += std::to_string(name.size()) + ':' + name;
    key_ += FoldCase(ip);
    const auto [it, added] = index_.emplace(key_, rows_.size());
    if (added) {
        rows_.push_back(
            {std::string(guid), std::string(storedName), std::string(ip), std::string(lastVisit)});
        return;
    }
    // Within a run the visit read last is the newest; the table keeps the later of its own and this.
    rows_[it->second].lastVisit.assign(lastVisit);
}

void PgGuids::Send(PgConnection& connection) {
    if (rows_.empty()) return;
    // In the order of their keys, the same in every program, so that two writers lock rows alike.
    std::vector<std::pair<std::string, std::size_t>> order(index_.begin(), index_.end());
    std::sort(order.begin(), order.end());
    const std::vector<Row> rows = std::move(rows_);
    rows_.clear();
    index_.clear();
    std::vector<std::string_view> guids, names, ips, visits;
    for (const auto& [key, i] : order) {
        guids.push_back(rows[i].guid);
        names.push_back(rows[i].name);
        ips.push_back(rows[i].ip);
        visits.push_back(rows[i].lastVisit);
    }
    connection.RunRepeatable(kUpsert, {ArrayText(guids), ArrayText(names), ArrayText(ips), ArrayText(visits)},
                             "cannot write the GUIDs");
}

} // namespace corvanth
