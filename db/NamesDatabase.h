#pragma once

#include "DatabaseLocation.h"
#include "NamesRow.h"
#include "NamesStore.h"
#include "Query.h"
#include "Recordset.h"
#include "VisitSink.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

// The names table the program works on, whichever database holds it (an SQLite file or a PostgreSQL
// server); every statement the program issues against table Names goes through here. Writes are
// batched and committed, never rolled back: at least every commitInterval (when the run calls
// Checkpoint), at every Commit(), and at Close().
class NamesDatabase : public VisitSink {
public:
    NamesDatabase();
    ~NamesDatabase() override;
    NamesDatabase(const NamesDatabase&) = delete;
    NamesDatabase& operator=(const NamesDatabase&) = delete;

    // Opens an SQLite file (creating the file, table and indexes when missing). Throws DatabaseError.
    void Open(const std::string& path);
    // Opens the database a location names (see DatabaseLocation); an SQLite file that does not exist
    // is created, or with IfMissing::Refuse is an error (and nothing is created). Throws DatabaseError;
    // a connection text is never repeated in the message, since it may hold a password.
    void Open(const DatabaseLocation& location, IfMissing ifMissing = IfMissing::Create);
    // Commits what is pending and closes. Open cursors reach their end.
    void Close();
    bool IsOpen() const { return store_ != nullptr; }
    // The file path, or the connection text, of the open database.
    const std::string& Path() const { return path_; }

    // A visit of a name from an address: inserts the pair or refreshes its LastVisit.
    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    // Where the visits and marks that follow come from: named by a failure found after their line.
    void FromLine(std::string_view log, std::int64_t position) override;
    // Ref = Yes for every row of the pair; nothing when there is none.
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    // A GUID seen with a pair: a row of the side table Guids (GUID, name, address; letter case ignored)
    // inserted or its LastVisit refreshed, in the same batch as the visits. Names is not touched.
    void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                    std::string_view lastVisit) override;
    // A follower's slots of one server: rows of table Online (made when missing) in the same batch.
    void PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) override;
    // A row of another database, merged as a run would (the later LastVisit, the referee mark kept).
    void MergeRow(const NamesRow& row);
    // A row of another database's table Guids, the name as stored there: merged keeping the later LastVisit.
    void MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                   std::string_view lastVisit);
    // The rows of table Guids; nothing when the database has none (a file made before GUIDs were kept).
    std::optional<std::int64_t> GuidCount();
    // Whether table Online is there: made by the first publish of a follower. Throws DatabaseError.
    bool HasOnlineTable();
    void Checkpoint() override;
    void Commit() override;
    // After a DatabaseUnreachable failure: connects again, dropping what was not yet written. Throws
    // DatabaseUnreachable while the server cannot be reached.
    void Reconnect() override;

    // Walks every row with a player name and deletes it. Returns the number of rows deleted.
    std::int64_t DeleteAllRecords();

    // Runs a query and returns its cursor. Throws DatabaseError when the statement cannot run.
    Recordset OpenRecordset(const Query& query);
    // The rows of the whole table in table order, at least those whose address `keep` keeps (see
    // NamesStore); `keep` must outlive the cursor. Throws DatabaseError.
    Recordset OpenAddressWalk(const AddressFilter& keep);

    void SetCommitInterval(std::chrono::milliseconds interval);
    // How long a statement waits for another program's lock on an SQLite file before it fails with
    // "database is locked" (kBusyTimeout unless set; kept for the next Open). Servers wait as configured.
    void SetBusyTimeout(std::chrono::milliseconds timeout);
    // How the next Open reads an SQLite file (FileReading::Mapped unless set).
    void SetFileReading(FileReading reading) { fileReading_ = reading; }
    std::int64_t RowCount();
    // Equal for two databases open on the same table, whatever texts named it.
    std::string Identity();

private:
    NamesStore& store();

    std::string path_;
    std::unique_ptr<NamesStore> store_;
    std::chrono::milliseconds commitInterval_{250};
    std::chrono::milliseconds busyTimeout_{kBusyTimeout};
    FileReading fileReading_ = FileReading::Mapped;
};

} // namespace corvanth
