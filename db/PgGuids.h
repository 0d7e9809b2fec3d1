#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvanth {

class PgConnection;

// Table Guids on a PostgreSQL server: one row per GUID, player name and address, letter case ignored
// (a unique index on the three folded), the later LastVisit kept. The rows of a batch are gathered
// here and sent as one INSERT ... ON CONFLICT ... DO UPDATE with the names table's batch.
class PgGuids {
public:
    // Looks for the table and its indexes and creates only those missing, so that a program whose user
    // may not create anything still opens a database that has them (or lacks them: it then cannot write
    // GUIDs). Throws DatabaseError.
    static void CreateMissing(PgConnection& connection);

    // `storedName` is the name as table Names stores it.
    void Add(std::string_view guid, std::string_view storedName, std::string_view ip,
             std::string_view lastVisit);
    bool Empty() const { return rows_.empty(); }
    std::size_t Size() const { return rows_.size(); }
    // Writes the rows gathered, which are let go whatever happens. Throws DatabaseError.
    void Send(PgConnection& connection);

private:
    struct Row {
        std::string guid, name, ip, lastVisit;
    };
    std::unordered_map<std::string, std::size_t> index_; // the folded GUID, name and address -> row
    std::vector<Row> rows_;
    std::string key_;
};

} // namespace corvanth
