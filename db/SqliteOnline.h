#pragma once

#include "OnlinePlayers.h"
#include "SqliteStatement.h"

#include <span>
#include <string>

namespace corvanth {

class SqliteConnection;

// Table Online in an SQLite file: one row per server (slot -1) and one per filled client slot of it,
// keyed by the log's path and the slot, written by a follower inside the names table's batches. Made
// when a follower first publishes into the file, so that processing runs never touch it.
class SqliteOnline {
public:
    // Creates the table when missing and prepares its statements. Throws DatabaseError.
    explicit SqliteOnline(SqliteConnection& connection);

    // Throws DatabaseError.
    void Publish(const OnlineServer& server, std::span<const OnlineSlot> slots);

private:
    SqliteStatement upsertServer_, updateServer_, upsertSlot_, deleteSlot_;
    std::string stored_, stripped_;
};

} // namespace corvanth
