#pragma once

#include "DatabaseError.h"
#include "NamesStore.h"
#include "PgConnection.h"
#include "PgGuids.h"
#include "PgOnline.h"
#include "PgRowSplitting.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvanth {

// The names table on a PostgreSQL server, which several programs may write at once. A pair is one row
// whoever writes it: the table has a unique index on the folded pair and every write is an
// INSERT ... ON CONFLICT ... DO UPDATE (the later LastVisit, the referee mark kept). Visits are gathered
// in the program and sent as one statement per batch (one round trip), when the batch is due at a
// Checkpoint, when it grows large, at Commit() and before any other statement. A batch the server
// refuses for what it holds is written again row by row; the failure names the first row refused, and
// the log line that gave it (the first of the batch that gave its pair) when it came from one.
class PostgresNames : public NamesStore {
public:
    // Connects; creates the table, its folding function and indexes when the catalog shows them missing,
    // and moves a table of the previous version to the bounded pair index when the role may (otherwise
    // it is used as it is). Throws DatabaseError.
    explicit PostgresNames(const std::string& conninfo);
    ~PostgresNames() override;
    PostgresNames(const PostgresNames&) = delete;
    PostgresNames& operator=(const PostgresNames&) = delete;

    void Close() override;

    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override;
    void MarkReferee(std::string_view playerName, std::string_view ip) override;
    void PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) override;
    void FromLine(std::string_view log, std::int64_t position) override;
    void RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                    std::string_view lastVisit) override;
    void MergeRow(const NamesRow& row) override;
    void MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                   std::string_view lastVisit) override;
    std::optional<std::int64_t> GuidCount() override;
    bool HasOnlineTable() override;
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
    // The database's name on its server, told apart from other servers by the server's port and the
    // moment it started.
    std::string Identity() override;

private:
    // The line that gave a row: an index in logs_ and the line's position (0: none).
    using Origin = RowOrigin;
    struct Pending {
        std::string playerName, strippedName, ip, lastVisit;
        bool referee = false;
        Origin origin;
    };
    struct Mark {
        std::string name, ip;
        Origin origin;
    };
    PgConnection& connection();
    void prepareSchema();
    // What the catalog shows of the table, its function and its indexes (see kCatalog).
    PgResult readCatalog();
    // The upsert and mark statements for the pair index the catalog shows.
    void chooseStatements(const PgResult& catalog);
    // `name`, `ip` and `lastVisit` in the server's form.
    Pending& pendingPair(const std::string& name, const std::string& ip, const Origin& origin, bool& added);
    LogLine lineOf(const Origin& origin) const;
    void keepLater(Pending& p, bool added, std::string&& lastVisit);
    void startBatch();
    // A full batch goes out while the next one is gathered (its outcome is waited for before the next
    // statement); every other send waits until the server has written it.
    enum class Wait { UntilWritten, Overlap };
    void send(Wait wait = Wait::UntilWritten);
    static std::vector<std::optional<std::string>> UpsertArrays(const std::vector<Pending>& rows,
                                                                std::size_t from, std::size_t to);
    // Sends the batch gathered (nothing when it is empty).
    void sendBatch(PgConnection& c, Wait wait);
    // Waits for the batch sent without waiting; when the server refused it, writes its rows one by one.
    void finishInFlight(PgConnection& c);
    // Writes the rows in one statement, or one by one when the server refuses the statement for what it
    // holds; throws the first refusal after every other row is written.
    void writeRows(PgConnection& c, const std::vector<Pending>& rows);
    void writeMarks(PgConnection& c, const std::vector<Mark>& marks);

    std::unique_ptr<PgConnection> connection_;
    std::shared_ptr<bool> open_;
    std::chrono::milliseconds commitInterval_{250};
    std::chrono::steady_clock::time_point batchStart_;

    // The batch: each pair once (keyed as the pair look-up folds it), in the order first seen, and the
    // referee marks of pairs the batch does not hold (sent first: they apply only to rows that exist).
    std::unordered_map<std::string, std::size_t> pendingIndex_;
    std::vector<Pending> pending_;
    std::vector<Mark> marks_;
    std::size_t pendingBytes_ = 0;
    std::string keyScratch_;
    std::vector<std::string> logs_; // every log visits came from (a follower reads several)
    Origin origin_;                 // where the visits handed over now come from
    PgGuids guids_;                 // the batch's rows of table Guids
    PgOnline online_;
    // The rows of the batch sent without waiting, kept until the server has written them; the refusal
    // of some of them, found by a send that did not wait, kept for the next send that waits.
    std::vector<Pending> inFlight_;
    std::optional<DatabaseError> refused_;

    // The statements, for the pair index the table has: the bounded one, or the previous version's.
    std::string upsertSql_, marksSql_;
};

} // namespace corvanth
