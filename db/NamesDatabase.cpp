#include "NamesDatabase.h"

#include "DatabaseError.h"
#include "PostgresNames.h"
#include "SqliteNames.h"

namespace corvanth {

NamesDatabase::NamesDatabase() = default;

NamesDatabase::~NamesDatabase() {
    try {
        Close();
    } catch (...) {
        // Closing must not throw from a destructor; the batch was committed or is lost with the database.
    }
}

void NamesDatabase::Open(const std::string& path) {
    Open(DatabaseLocation{DatabaseLocation::Kind::SqliteFile, path});
}

void NamesDatabase::Open(const DatabaseLocation& location, IfMissing ifMissing) {
    Close();
    std::unique_ptr<NamesStore> store;
    if (location.kind == DatabaseLocation::Kind::PostgreSql) {
        // A text libpq cannot read never reaches a connection attempt, whose message could quote it.
        if (auto refusal = LocationRefusal(location, LocationSource::Environment))
            throw DatabaseError(*refusal);
        store = std::make_unique<PostgresNames>(location.target);
    } else {
        store = std::make_unique<SqliteNames>(location.target, ifMissing, fileReading_);
    }
    store->SetCommitInterval(commitInterval_);
    store->SetBusyTimeout(busyTimeout_);
    store_ = std::move(store);
    path_ = location.target;
}

void NamesDatabase::Close() {
    if (!store_) return;
    std::unique_ptr<NamesStore> store = std::move(store_);
    path_.clear();
    store->Close();
}

NamesStore& NamesDatabase::store() {
    if (!store_) throw DatabaseError("the names database is not open");
    return *store_;
}

void NamesDatabase::RecordVisit(std::string_view playerName, std::string_view ip,
                                std::string_view lastVisit) {
    store().RecordVisit(playerName, ip, lastVisit);
}

void NamesDatabase::FromLine(std::string_view log, std::int64_t position) {
    if (store_) store_->FromLine(log, position);
}

void NamesDatabase::MarkReferee(std::string_view playerName, std::string_view ip) {
    store().MarkReferee(playerName, ip);
}

void NamesDatabase::RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                               std::string_view lastVisit) {
    store().RecordGuid(guid, playerName, ip, lastVisit);
}

void NamesDatabase::PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) {
    store().PublishOnline(server, slots);
}

void NamesDatabase::MergeRow(const NamesRow& row) {
    store().MergeRow(row);
}

void NamesDatabase::MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                              std::string_view lastVisit) {
    store().MergeGuid(guid, storedName, ip, lastVisit);
}

std::optional<std::int64_t> NamesDatabase::GuidCount() {
    return store().GuidCount();
}

bool NamesDatabase::HasOnlineTable() {
    return store().HasOnlineTable();
}

void NamesDatabase::Checkpoint() {
    if (store_) store_->Checkpoint();
}

void NamesDatabase::Commit() {
    if (store_) store_->Commit();
}

void NamesDatabase::Reconnect() {
    store().Reconnect();
}

std::int64_t NamesDatabase::DeleteAllRecords() {
    return store().DeleteAllRecords();
}

Recordset NamesDatabase::OpenRecordset(const Query& query) {
    return store().OpenRecordset(query);
}

Recordset NamesDatabase::OpenAddressWalk(const AddressFilter& keep) {
    return store().OpenAddressWalk(keep);
}

void NamesDatabase::SetCommitInterval(std::chrono::milliseconds interval) {
    commitInterval_ = interval;
    if (store_) store_->SetCommitInterval(interval);
}

std::string NamesDatabase::Identity() {
    return store().Identity();
}

void NamesDatabase::SetBusyTimeout(std::chrono::milliseconds timeout) {
    busyTimeout_ = timeout;
    if (store_) store_->SetBusyTimeout(timeout);
}

std::int64_t NamesDatabase::RowCount() {
    return store().RowCount();
}

} // namespace corvanth
