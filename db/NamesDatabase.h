#pragma once

#include "DatabaseLocation.h"
#include "Query.h"
#include "Recordset.h"
#include "SqliteStatement.h"
#include "VisitSink.h"

#include <chrono>
#include <cstdint>
#include <memory>
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

// The one connection to IPLogging.mdb and every statement the program issues against table Names.
// Writes are batched in transactions that are committed, never rolled back: at least every
// commitInterval (when the run calls Checkpoint), at every Commit(), and at Close().
class NamesDatabase : public VisitSink {
public:
    NamesDatabase();
    ~NamesDatabase() override;
    NamesDatabase(const NamesDatabase&) = delete;
    NamesDatabase& operator=(const NamesDatabase&) = delete;

    // Opens (creating the file, table and indexes when missing). Throws DatabaseError.
    void Open(const std::string& path);
    // Opens the database a location names (see DatabaseLocation). Throws DatabaseError, also for a
    // PostgreSQL location, which this build cannot open yet.
    void Open(const DatabaseLocation& location);
    // Commits what is pending and closes. Open cursors reach their end.
    void Close();
    bool IsOpen() const { return connection_ != nullptr; }
    const std::string& Path() const { return path_; }

    // A visit of a name from an address: inserts the pair or refreshes its LastVisit.
    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    // Ref = Yes for every row of the pair; nothing when there is none.
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    void Checkpoint() override;
    void Commit() override;

    // Walks every row with a player name and deletes it. Returns the number of rows deleted.
    std::int64_t DeleteAllRecords();

    // Runs a query and returns its cursor. Throws DatabaseError when the statement cannot run.
    Recordset OpenRecordset(const Query& query);

    void SetCommitInterval(std::chrono::milliseconds interval) { commitInterval_ = interval; }
    std::int64_t RowCount();

private:
    void requireOpen() const;
    void ensureBatch();
    void forgetCachedRows();
    std::vector<std::int64_t>& rowsOfPair(const std::string& name, std::string_view ip);

    std::string path_;
    std::shared_ptr<SqliteConnection> connection_;
    std::shared_ptr<ConnectionLife> life_;

    struct Statements;
    std::unique_ptr<Statements> statements_;

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
    std::unordered_map<std::string, std::vector<std::int64_t>> pairRows_;
    std::unordered_map<std::int64_t, KnownRow> knownRows_;
    std::vector<std::int64_t> unwrittenRows_;
    std::string keyScratch_;
};

} // namespace corvanth
