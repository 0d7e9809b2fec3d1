#pragma once

#include "PgRowSplitting.h"

#include <cstddef>
#include <functional>
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

    // `storedName` is the name as table Names stores it; `origin` the line that gave the row (the first
    // such line is kept for a row given twice).
    void Add(std::string_view guid, std::string_view storedName, std::string_view ip,
             std::string_view lastVisit, const RowOrigin& origin);
    bool Empty() const { return rows_.empty(); }
    std::size_t Size() const { return rows_.size(); }
    // Writes the rows gathered, which are let go whatever happens. Rows the server refuses for their
    // values are written one by one, and the refusal names one of them and its log line (`lineOf`).
    // Throws DatabaseError.
    void Send(PgConnection& connection, const std::function<LogLine(const RowOrigin&)>& lineOf);

private:
    struct Row {
        std::string guid, name, ip, lastVisit;
        RowOrigin origin;
    };
    std::unordered_map<std::string, std::size_t> index_; // the folded GUID, name and address -> row
    std::vector<Row> rows_;
    std::string key_;
};

} // namespace corvanth
