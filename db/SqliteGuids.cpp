#include "SqliteGuids.h"

#include "SqliteConnection.h"
#include "TextCodec.h"

namespace corvanth {
namespace {

constexpr std::size_t kMostKnown = 100000;

} // namespace

void SqliteGuids::CreateMissing(SqliteConnection& connection) {
    connection.exec(
        "CREATE TABLE IF NOT EXISTS Guids(Guid TEXT COLLATE NOCASE, PlayerName TEXT COLLATE NOCASE, "
        "IP TEXT COLLATE NOCASE, LastVisit TEXT);"
        "CREATE INDEX IF NOT EXISTS GuidsGuid ON Guids(Guid COLLATE NOCASE);"
        "CREATE INDEX IF NOT EXISTS GuidsIP ON Guids(IP COLLATE NOCASE);");
}

SqliteGuids::SqliteGuids(const SqliteConnection& connection)
    : select_(connection, "SELECT rowid, LastVisit FROM Guids WHERE Guid = ?1 COLLATE NOCASE AND "
                          "IP = ?3 COLLATE NOCASE AND fold(PlayerName) = ?2"),
      insert_(connection, "INSERT INTO Guids (Guid, PlayerName, IP, LastVisit) VALUES (?1, ?2, ?3, ?4)"),
      update_(connection, "UPDATE Guids SET LastVisit = ?1 WHERE rowid = ?2") {}

void SqliteGuids::Record(std::string_view guid, std::string_view storedName, std::string_view ip,
                         std::string_view lastVisit) {
    foldedName_ = FoldCase(storedName);
    key_ = FoldCase(guid);
    key_ += '\n';
    key_ += std::to_string(foldedName_.size());
    key_ += ':';
    key_ += foldedName_;
    key_ += FoldCase(ip);
    auto it = known_.find(key_);
    if (it == known_.end()) {
        if (known_.size() >= kMostKnown) known_.clear();
        select_.bind(1, guid).bind(2, std::string_view(foldedName_)).bind(3, ip);
        std::optional<Known> found;
        try {
            if (select_.step()) found = Known{select_.integer(0), std::string(select_.text(1))};
        } catch (...) {
            select_.reset();
            throw;
        }
        select_.reset();
        if (!found) {
            insert_.bindForRun(1, guid).bindForRun(2, storedName).bindForRun(3, ip).bindForRun(4, lastVisit);
            insert_.run();
            known_.emplace(key_, Known{sqlite3_last_insert_rowid(sqlite3_db_handle(insert_.get())),
                                       std::string(lastVisit)});
            return;
        }
        it = known_.emplace(key_, std::move(*found)).first;
    }
    Known& known = it->second;
    if (known.lastVisit == lastVisit) return;
    update_.bindForRun(1, lastVisit).bind(2, known.row);
    update_.run();
    known.lastVisit.assign(lastVisit);
}

} // namespace corvanth
