#pragma once

#include "NamesRow.h"
#include "OnlinePlayers.h"
#include "Query.h"
#include "Recordset.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvanth {

// How long an SQLite statement waits for another program's lock before it fails, unless set otherwise.
inline constexpr std::chrono::milliseconds kBusyTimeout{5000};

// Which rows a walk over the whole table is after, judged by their stored address alone.
class AddressFilter {
public:
    virtual ~AddressFilter() = default;
    virtual bool Keeps(std::string_view ip) const = 0;
};

// One open names table, in whichever database holds it. NamesDatabase is the face the rest of the
// program sees; each backend implements this.
class NamesStore {
public:
    virtual ~NamesStore() = default;

    virtual void RecordVisit(std::string_view playerName, std::string_view ip,
                             std::string_view lastVisit) = 0;
    virtual void MarkReferee(std::string_view playerName, std::string_view ip) = 0;
    // One row of table Guids per GUID, name and address (letter case ignored), with its LastVisit.
    virtual void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                            std::string_view lastVisit) = 0;
    // A follower's slots of one server in table Online (see VisitSink::PublishOnline), made when missing;
    // a store whose user may not make it publishes nothing.
    virtual void PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) = 0;
    // Where the visits and marks that follow come from (see VisitSink::FromLine). A store that writes
    // each at once fails at its line and needs no more.
    virtual void FromLine(std::string_view /*log*/, std::int64_t /*position*/) {}
    // Merges a row of another database as a run would: the later LastVisit, the referee mark kept.
    virtual void MergeRow(const NamesRow& row) = 0;
    // A row of another database's table Guids, the name as table Names stores it: the later LastVisit.
    virtual void MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                           std::string_view lastVisit) = 0;
    // The rows of table Guids, or nothing when the database has no such table (made before GUIDs were kept).
    virtual std::optional<std::int64_t> GuidCount() = 0;
    // Whether table Online is there (a follower has published to this database).
    virtual bool HasOnlineTable() = 0;
    virtual void Checkpoint() = 0;
    virtual void Commit() = 0;
    // After a DatabaseUnreachable failure: connects again, dropping what was not yet written (see
    // VisitSink). A store that cannot lose its connection does nothing.
    virtual void Reconnect() {}
    // Commits what is pending and closes; throws DatabaseError when the commit fails.
    virtual void Close() = 0;

    virtual std::int64_t DeleteAllRecords() = 0;
    virtual Recordset OpenRecordset(const Query& query) = 0;
    // Every column of the table's rows in table order: at least each row with an address `keep`
    // keeps (a backend may leave the test to the caller and give every row). `keep` outlives the cursor.
    virtual Recordset OpenAddressWalk(const AddressFilter& keep) = 0;
    virtual void SetCommitInterval(std::chrono::milliseconds interval) = 0;
    // How long a statement waits for another program's lock before it fails. A server waits as it is
    // configured: only SQLite files take it.
    virtual void SetBusyTimeout(std::chrono::milliseconds) {}
    virtual std::int64_t RowCount() = 0;
    // Equal for two stores open on the same table, whatever texts named it.
    virtual std::string Identity() = 0;
};

} // namespace corvanth
