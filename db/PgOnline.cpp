#include "PgOnline.h"

#include "DatabaseError.h"
#include "NameText.h"
#include "PgConnection.h"
#include "PgLibrary.h"
#include "PgText.h"

#include <string>

namespace corvanth {
namespace {

constexpr const char* kInsufficientPrivilege = "42501";

// Under the lock the names table is made under, so that programs starting together do not race.
constexpr const char* kCreate =
    "BEGIN;"
    "SELECT pg_advisory_xact_lock(4242770001);"
    "DO $$ BEGIN IF to_regclass('online') IS NULL THEN "
    "CREATE TABLE Online(Server TEXT COLLATE \"C\", StrippedServer TEXT COLLATE \"C\", LogPath TEXT COLLATE "
    "\"C\" NOT NULL, Slot INTEGER NOT NULL, PlayerName TEXT COLLATE \"C\", StrippedName TEXT COLLATE \"C\", "
    "IP TEXT COLLATE \"C\", Since BIGINT, Seen BIGINT, Followed INTEGER, PRIMARY KEY (LogPath, Slot)); "
    "END IF; END $$;"
    "COMMIT;";

// The server's row, its other rows' copy of the server's columns, the emptied slots and the filled
// ones, in one statement (the four touch different rows). A slot's Since is kept while its address
// stays (a new name of the same client).
constexpr const char* kPublish =
    "WITH server AS (INSERT INTO Online (Server, StrippedServer, LogPath, Slot, PlayerName, StrippedName, "
    "IP, Since, Seen, Followed) VALUES ($1, $2, $3, -1, '', '', '', $4::bigint, $4::bigint, $5::integer) "
    "ON CONFLICT (LogPath, Slot) DO UPDATE SET Server = EXCLUDED.Server, StrippedServer = "
    "EXCLUDED.StrippedServer, Seen = EXCLUDED.Seen, Followed = EXCLUDED.Followed), "
    "kept AS (UPDATE Online SET Server = $1, StrippedServer = $2, Seen = $4::bigint, Followed = $5::integer "
    "WHERE LogPath = $3 AND Slot >= 0 AND NOT (Slot = ANY($6::integer[]))), "
    "emptied AS (DELETE FROM Online WHERE LogPath = $3 AND Slot = ANY($10::integer[])) "
    "INSERT INTO Online (Server, StrippedServer, LogPath, Slot, PlayerName, StrippedName, IP, Since, Seen, "
    "Followed) SELECT $1, $2, $3, s, n, sn, ip, $4::bigint, $4::bigint, $5::integer FROM "
    "unnest($6::integer[], $7::text[], $8::text[], $9::text[]) AS t(s, n, sn, ip) "
    "ON CONFLICT (LogPath, Slot) DO UPDATE SET Server = EXCLUDED.Server, StrippedServer = "
    "EXCLUDED.StrippedServer, PlayerName = EXCLUDED.PlayerName, StrippedName = EXCLUDED.StrippedName, "
    "Since = CASE WHEN Online.IP = EXCLUDED.IP THEN Online.Since ELSE EXCLUDED.Since END, IP = EXCLUDED.IP, "
    "Seen = EXCLUDED.Seen, Followed = EXCLUDED.Followed";

} // namespace

void PgOnline::prepare(PgConnection& connection) {
    const PgResult found =
        connection.Run("SELECT to_regclass('online') IS NOT NULL", {}, "cannot read the database's catalog");
    state_ = State::Ready;
    if (Libpq().PQgetvalue(found.get(), 0, 0)[0] == 't') return;
    try {
        connection.Exec(kCreate, "cannot prepare the table of players online");
    } catch (const DatabaseError& e) {
        connection.Exec("ROLLBACK", "cannot prepare the table of players online");
        if (e.code() != kInsufficientPrivilege) throw;
        state_ = State::Refused; // a role that may not make it works on without publishing
    }
}

void PgOnline::Publish(PgConnection& connection, const OnlineServer& server,
                       std::span<const OnlineSlot> slots) {
    if (state_ == State::Unknown) prepare(connection);
    if (state_ == State::Refused) return;
    ArrayText names, stripped, ips;
    std::string filledNumbers = "{", emptiedNumbers = "{";
    for (const OnlineSlot& slot : slots) {
        std::string& numbers = slot.Empty() ? emptiedNumbers : filledNumbers;
        if (numbers.size() > 1) numbers += ',';
        numbers += std::to_string(slot.slot);
        if (slot.Empty()) continue;
        const std::string stored = EncodeName(slot.playerName);
        names.add(ToServerText(stored));
        stripped.add(ToServerText(StripName(stored)));
        ips.add(ToServerText(slot.ip));
    }
    const std::string hostname = ToServerText(server.hostname);
    connection.RunRepeatable(kPublish,
                             {hostname, ToServerText(StripName(server.hostname)),
                              ToServerText(server.logPath), std::to_string(server.seen),
                              server.followed == ServerFollowed::Yes ? "1" : "0", filledNumbers + "}",
                              names.take(), stripped.take(), ips.take(), emptiedNumbers + "}"},
                             "cannot write the players online");
}

} // namespace corvanth
