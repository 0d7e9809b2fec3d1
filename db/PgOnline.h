#pragma once

#include "OnlinePlayers.h"

#include <span>

namespace corvanth {

class PgConnection;

// Table Online on a PostgreSQL server (see SqliteOnline): each publish is one statement, sent after
// the names batch it follows. The table is looked for when a follower first publishes and made only
// when missing; a role that may not make it publishes nothing and works on.
class PgOnline {
public:
    // Throws DatabaseError.
    void Publish(PgConnection& connection, const OnlineServer& server, std::span<const OnlineSlot> slots);
    // The connection was made again: the table is looked for again.
    void Forget() { state_ = State::Unknown; }

private:
    enum class State { Unknown, Ready, Refused };
    void prepare(PgConnection& connection);
    State state_ = State::Unknown;
};

} // namespace corvanth
