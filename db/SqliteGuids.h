#pragma once

#include "SqliteStatement.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

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

    // `storedName` is the name as table Names stores it. Throws DatabaseError.
    void Record(std::string_view guid, std::string_view storedName, std::string_view ip,
                std::string_view lastVisit);
    // Something else may have written the table: the cache no longer holds.
    void Forget() { known_.clear(); }

private:
    struct Known {
        std::int64_t row;
        std::string lastVisit;
    };
    SqliteStatement select_, insert_, update_;
    std::unordered_map<std::string, Known> known_; // by the folded GUID, name and address
    std::string key_, foldedName_;
};

} // namespace corvanth
