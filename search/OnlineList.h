#pragma once

#include "NamesDatabase.h"
#include "OnlinePlayers.h"
#include "Outcome.h"
#include "ResultList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvanth {

// How long a followed server's rows read as playing without a line from its log (10 minutes).
inline constexpr std::int64_t kStaleAfterSeconds = 600;

// What a reader makes of a server's rows in table Online.
enum class ServerState { Playing, Stale, NotFollowed };

// Followed with a line seen at most `staleAfter` seconds before `now`: playing; followed and older
// (or seen in the future by more than that, a clock set back): stale; not followed: not followed.
ServerState StateOf(std::int64_t seen, ServerFollowed followed, std::int64_t now, std::int64_t staleAfter);
const char* StateName(ServerState state);

// A player in a slot, with what table Names knows of the address: the other names seen from it and from
// its /24 (its first three octets), and whether the name or one of the names from the address is a
// referee. Texts are UTF-8, the name in stored form.
struct OnlinePlayer {
    int slot = 0;
    std::string playerName, strippedName, ip;
    std::int64_t since = 0;
    std::int64_t namesFromAddress = 0, namesFromRange = 0;
    bool referee = false;
};

struct OnlineServerRows {
    std::string hostname, strippedHostname, logPath;
    std::int64_t seen = 0;
    ServerState state = ServerState::Stale;
    std::vector<OnlinePlayer> players; // by slot; none unless the server reads as playing
    // The name to show: the hostname, or the log's path when the server has not named itself.
    const std::string& Name() const { return hostname.empty() ? logPath : hostname; }
};

struct OnlineQuery {
    std::string
        server; // a part of the hostname (colour codes stripped or not) or of the log's path; empty: all
    std::int64_t now = 0; // seconds since the epoch
    std::int64_t staleAfter = kStaleAfterSeconds;
};

// Reads table Online, servers by name and path. A database where no follower has published holds no
// table Online yet: no server, as for an empty table. A database that cannot be read is a failure.
Outcome<std::vector<OnlineServerRows>> ListOnline(NamesDatabase& database, const OnlineQuery& query);

// A moment as "YYYY-MM-DD HH:MM:SS" in local time; empty for none (0).
std::string OnlineTimeText(std::int64_t seconds);

// The players of every server that reads as playing at `now`, as the result list's rows: Name,
// StripName, IP, Last Connection (since when), Referee (the name or a name of the address), each keyed
// by its stored pair, so every command of the list's pop-up menu works on them.
Outcome<Done> ListWhoIsPlaying(NamesDatabase& database, ResultList& list, std::int64_t now);

} // namespace corvanth
