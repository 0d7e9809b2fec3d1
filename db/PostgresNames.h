#pragma once

#include "NamesStore.h"
#include "PgConnection.h"

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvanth {

// The names table on a PostgreSQL server, which several programs may write at once. A pair is one row
// whoever writes it: the table has a unique index on the folded pair and every write is an
// INSERT ... ON CONFLICT ... DO UPDATE (the later LastVisit, the referee mark kept). Visits are gathered
// in the program and sent as one statement per batch (one round trip), when the batch is due at a
// Checkpoint, when it grows large, at Commit() and before any other statement.
class PostgresNames : public NamesStore {
public:
    // Connects and creates the table, its folding function and indexes when missing. Throws
    // DatabaseError.
    explicit PostgresNames(const std::string& conninfo);
    ~PostgresNames() override;
    PostgresNames(const PostgresNames&) = delete;
    PostgresNames& operator=(const PostgresNames&) = delete;

    void Close() override;

    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    void MergeRow(const NamesRow& row) override;
    void Checkpoint() override;
    void Commit() override;
    void Reconnect() override;

    std::int64_t DeleteAllRecords() override;
    Recordset OpenRecordset(const Query& query) override;
    // Every row: the caller tests the addresses.
    Recordset OpenAddressWalk(const AddressFilter&) override {
        return OpenRecordset(Query{"SELECT * FROM Names;", {}});
    }
    void SetCommitInterval(std::chrono::milliseconds interval) override { commitInterval_ = interval; }
    std::int64_t RowCount() override;

private:
    struct Pending {
        std::string playerName, strippedName, ip, lastVisit;
        bool referee = false;
    };
    PgConnection& connection();
    Pending& pendingPair(const std::string& name, std::string_view ip, bool& added);
    void startBatch();
    // A full batch goes out while the next one is gathered (its outcome is waited for before the next
    // statement); every other send waits until the server has written it.
    enum class Wait { UntilWritten, Overlap };
    void send(Wait wait = Wait::UntilWritten);

    std::unique_ptr<PgConnection> connection_;
    std::shared_ptr<bool> open_;
    std::chrono::milliseconds commitInterval_{250};
    std::chrono::steady_clock::time_point batchStart_;

    // The batch: each pair once (keyed as the pair look-up folds it), in the order first seen, and the
    // referee marks of pairs the batch does not hold (sent first: they apply only to rows that exist).
    std::unordered_map<std::string, std::size_t> pendingIndex_;
    std::vector<Pending> pending_;
    std::vector<std::pair<std::string, std::string>> marks_;
    std::string keyScratch_;
};

} // namespace corvanth
