#include "SqliteOnline.h"

#include "NameText.h"
#include "SqliteConnection.h"

namespace corvanth {
namespace {

// A slot row's Since is kept while the address stays (a new name of the same client), else it is the
// time the slot was published filled.
constexpr const char* kUpsertSlot =
    "INSERT INTO Online (Server, StrippedServer, LogPath, Slot, PlayerName, StrippedName, IP, Since, "
    "Seen, Followed) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?8, ?9) ON CONFLICT (LogPath, Slot) DO UPDATE "
    "SET Server = excluded.Server, StrippedServer = excluded.StrippedServer, PlayerName = "
    "excluded.PlayerName, StrippedName = excluded.StrippedName, Since = CASE WHEN Online.IP = excluded.IP "
    "THEN Online.Since ELSE excluded.Since END, IP = excluded.IP, Seen = excluded.Seen, Followed = "
    "excluded.Followed";

} // namespace

SqliteOnline::SqliteOnline(SqliteConnection& connection) {
    connection.exec(
        "CREATE TABLE IF NOT EXISTS Online(Server TEXT, StrippedServer TEXT, LogPath TEXT NOT NULL, "
        "Slot INTEGER NOT NULL, PlayerName TEXT, StrippedName TEXT, IP TEXT, Since INTEGER, "
        "Seen INTEGER, Followed INTEGER, PRIMARY KEY (LogPath, Slot));");
    upsertServer_ = SqliteStatement(connection, kUpsertSlot);
    updateServer_ =
        SqliteStatement(connection, "UPDATE Online SET Server = ?1, StrippedServer = ?2, Seen = ?4, "
                                    "Followed = ?5 WHERE LogPath = ?3 AND Slot >= 0");
    upsertSlot_ = SqliteStatement(connection, kUpsertSlot);
    deleteSlot_ = SqliteStatement(connection, "DELETE FROM Online WHERE LogPath = ?1 AND Slot = ?2");
}

void SqliteOnline::Publish(const OnlineServer& server, std::span<const OnlineSlot> slots) {
    const std::string strippedServer = StripName(server.hostname);
    const std::int64_t followed = server.followed == ServerFollowed::Yes ? 1 : 0;
    upsertServer_.bindForRun(1, std::string_view(server.hostname))
        .bindForRun(2, std::string_view(strippedServer))
        .bindForRun(3, std::string_view(server.logPath))
        .bind(4, std::int64_t{-1})
        .bindForRun(5, std::string_view(""))
        .bindForRun(6, std::string_view(""))
        .bindForRun(7, std::string_view(""))
        .bind(8, server.seen)
        .bind(9, followed);
    upsertServer_.run();
    updateServer_.bindForRun(1, std::string_view(server.hostname))
        .bindForRun(2, std::string_view(strippedServer))
        .bindForRun(3, std::string_view(server.logPath))
        .bind(4, server.seen)
        .bind(5, followed);
    updateServer_.run();
    for (const OnlineSlot& slot : slots) {
        if (slot.Empty()) {
            deleteSlot_.bindForRun(1, std::string_view(server.logPath)).bind(2, std::int64_t{slot.slot});
            deleteSlot_.run();
            continue;
        }
        stored_ = EncodeName(slot.playerName);
        stripped_ = StripName(stored_);
        upsertSlot_.bindForRun(1, std::string_view(server.hostname))
            .bindForRun(2, std::string_view(strippedServer))
            .bindForRun(3, std::string_view(server.logPath))
            .bind(4, std::int64_t{slot.slot})
            .bindForRun(5, std::string_view(stored_))
            .bindForRun(6, std::string_view(stripped_))
            .bindForRun(7, std::string_view(slot.ip))
            .bind(8, server.seen)
            .bind(9, followed);
        upsertSlot_.run();
    }
}

} // namespace corvanth
