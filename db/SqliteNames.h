#pragma once

#include "DatabaseLocation.h"
#include "NamesStore.h"
#include "PairTable.h"
#include "SqliteGuids.h"
#include "SqliteOnline.h"
#include "SqliteStatement.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvanth {

class SqliteConnection;

// Shared between the database and its open cursors: a cursor of a closed database reaches its end.
// Statements of the program's own queries go back here when their cursor closes and are reused by
// the next query with the same text (an alias expansion runs one query per row it lists).
struct ConnectionLife {
    bool open = true;
    std::unordered_map<std::string, std::vector<SqliteStatement>> idleStatements;
};

// The names table in an SQLite file: one connection and every statement the program issues against
// table Names. Writes are batched in transactions that are committed, never rolled back: at least every
// commitInterval (when the run calls Checkpoint), at every Commit(), and at Close().
class SqliteNames : public NamesStore {
public:
    // Opens (creating the file, table and indexes when missing; with IfMissing::Refuse, a file that
    // does not exist or has no table Names is an error). Throws DatabaseError.
    explicit SqliteNames(const std::string& path, IfMissing ifMissing = IfMissing::Create,
                         FileReading reading = FileReading::Mapped);
    ~SqliteNames() override;
    SqliteNames(const SqliteNames&) = delete;
    SqliteNames& operator=(const SqliteNames&) = delete;

    void Close() override;

    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                    std::string_view lastVisit) override;
    void PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) override;
    void MergeRow(const NamesRow& row) override;
    void MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                   std::string_view lastVisit) override;
    std::optional<std::int64_t> GuidCount() override;
    bool HasOnlineTable() override;
    void Checkpoint() override;
    void Commit() override;

    std::int64_t DeleteAllRecords() override;
    Recordset OpenRecordset(const Query& query) override;
    // Only the rows whose address `keep` keeps: the table is walked with kept_address(IP, ?1).
    Recordset OpenAddressWalk(const AddressFilter& keep) override;
    void SetCommitInterval(std::chrono::milliseconds interval) override { commitInterval_ = interval; }
    void SetBusyTimeout(std::chrono::milliseconds timeout) override;
    std::int64_t RowCount() override;
    // The file's device and inode.
    std::string Identity() override;

private:
    void requireOpen() const;
    // A prepared statement of the program's own for `sql`: an idle one when there is one.
    SqliteStatement ownStatement(const std::string& sql);
    struct KnownRow;
    // A row of a pair and what the cache knows of it (a node of knownRows_, which never moves).
    struct PairRow {
        std::int64_t id;
        KnownRow* known;
    };
    // A pair's key (its folded name and address) with its hash, worked out once when the key is built.
    struct PairKey {
        std::string bytes;
        std::size_t hash = 0;
    };

    void insertRow(std::string_view name, std::string_view stripped, std::string_view ip,
                   std::string_view lastVisit, std::vector<PairRow>& rows);
    void ensureBatch();
    void forgetCachedRows();
    std::vector<PairRow>& rowsOfPair(std::string_view name, std::string_view ip);
    PairRow knowRow(std::int64_t id, std::string_view lastVisit);

    std::string path_;
    std::shared_ptr<SqliteConnection> connection_;
    std::shared_ptr<ConnectionLife> life_;

    struct Statements;
    std::unique_ptr<Statements> statements_;
    std::unique_ptr<SqliteGuids> guids_;
    std::unique_ptr<SqliteOnline> online_; // made by the first publish

    bool inBatch_ = false;
    std::chrono::steady_clock::time_point batchStart_;
    std::chrono::milliseconds commitInterval_{250};
    std::int64_t dataVersion_ = -1;

    // In front of the pair look-up: the rows of each pair seen, and the LastVisit each row holds.
    // Emptied whenever anything else may have written the table. A new LastVisit of a known row is
    // written once per batch, before the batch commits and before any other statement runs, so
    // nothing ever reads a stale value.
    struct KnownRow {
        std::string lastVisit;
        bool unwritten = false;
    };
    void writeLastVisits();
    void preloadPairs();
    // When the table is small, every pair is loaded at once, and a pair the cache lacks is new.
    bool cacheComplete_ = false;
    bool needsPreload_ = true;
    PairTable<std::vector<PairRow>> pairRows_;
    std::unordered_map<std::int64_t, KnownRow> knownRows_;
    std::vector<PairRow> unwrittenRows_;
    PairKey keyScratch_;
    std::string keyName_;   // the stored name keyScratch_ was made of ...
    bool keyNamed_ = false; // ... when it was made of one
    std::string nameScratch_;
};

} // namespace corvanth
