#pragma once

#include "PairTable.h"
#include "SqliteStatement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

class SqliteConnection;

// Table Guids in an SQLite file: one row per GUID, player name and address, letter case ignored (the
// name through fold(), so every letter counts), with the LastVisit read last. Written inside the
// names table's batches; a cache of the rows seen spares most look-ups, since a client's GUID comes
// again with every userinfo it sends.
class SqliteGuids {
public:
    // Creates the table and its indexes when missing. Throws DatabaseError.
    static void CreateMissing(SqliteConnection& connection);

    explicit SqliteGuids(const SqliteConnection& connection);

    // Which LastVisit a row already there keeps: a run's visit is the newest, a copied row's date is
    // kept only when it is the later one (IsLaterVisit).
    enum class Visit { Newest, KeepLater };

    // `storedName` is the name as table Names stores it; `foldedName`, when given, is that name already
    // folded (as fold() folds it). Throws DatabaseError.
    void Record(std::string_view guid, std::string_view storedName, std::string_view ip,
                std::string_view lastVisit, Visit visit = Visit::Newest,
                std::optional<std::string_view> foldedName = std::nullopt);
    // The rows of the table. Throws DatabaseError.
    std::int64_t Count();
    // Something else may have written the table: the cache no longer holds.
    void Forget() {
        known_.Clear();
        complete_ = false;
        needsPreload_ = true;
    }

private:
    struct Known {
        std::int64_t row;
        std::string lastVisit;
    };
    void preload();
    // The key of a row in key_, its hash in hash_.
    void makeKey(std::string_view guid, std::string_view foldedName, std::string_view ip);

    SqliteStatement select_, insert_, update_, count_, all_;
    PairTable<Known> known_; // by the folded GUID, name and address
    // A table of at most kMostKnown rows is loaded whole when a batch first needs it: a row the
    // cache then lacks is new, and is inserted without a look-up.
    bool complete_ = false;
    bool needsPreload_ = true;
    std::string key_, foldedName_;
    std::size_t hash_ = 0;
};

} // namespace corvanth
