#include "OnlineList.h"

#include "StoredRow.h"

#include <algorithm>
#include <ctime>
#include <exception>

namespace corvanth {
namespace {

std::int64_t Number(const std::optional<std::string>& text) {
    if (!text || text->empty()) return 0;
    try {
        return std::stoll(*text);
    } catch (const std::exception&) {
        return 0;
    }
}

bool IsTrue(const std::optional<std::string>& text) {
    return text && (*text == "True" || *text == "true" || *text == "t" || *text == "1");
}

// The bounds of the address's /24 as a range of texts ("1.2.3." to "1.2.3/"); an address without three
// dots is its own range.
std::pair<std::string, std::string> RangeOf(const std::string& ip) {
    std::size_t dot = std::string::npos;
    for (int i = 0; i < 3; ++i) {
        dot = ip.find('.', dot == std::string::npos ? 0 : dot + 1);
        if (dot == std::string::npos) return {ip, ip + '\x01'};
    }
    std::string low = ip.substr(0, dot + 1), high = low;
    ++high.back();
    return {low, high};
}

bool Contains(const std::string& text, const std::string& part) {
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
            return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        });
        return s;
    };
    return lower(text).find(lower(part)) != std::string::npos;
}

void ReadWhatIsKnown(NamesDatabase& database, OnlinePlayer& player) {
    auto [low, high] = RangeOf(player.ip);
    Recordset rs = database.OpenRecordset(
        {"SELECT (SELECT count(*) FROM Names WHERE IP = ?1 AND PlayerName <> ?2) AS FromAddress, "
         "(SELECT count(DISTINCT PlayerName) FROM Names WHERE IP >= ?3 AND IP < ?4 AND PlayerName <> ?2) AS "
         "FromRange, "
         "(SELECT count(*) FROM Names WHERE (IP = ?1 OR PlayerName = ?2) AND Ref = 1) AS Referees;",
         {player.ip, player.playerName, std::move(low), std::move(high)}});
    if (rs.Eof()) return;
    player.namesFromAddress = Number(rs.Field("FromAddress"));
    player.namesFromRange = Number(rs.Field("FromRange"));
    player.referee = Number(rs.Field("Referees")) > 0;
}

} // namespace

ServerState StateOf(std::int64_t seen, ServerFollowed followed, std::int64_t now, std::int64_t staleAfter) {
    if (followed == ServerFollowed::No) return ServerState::NotFollowed;
    const std::int64_t age = now - seen;
    return age <= staleAfter && age >= -staleAfter ? ServerState::Playing : ServerState::Stale;
}

const char* StateName(ServerState state) {
    switch (state) {
    case ServerState::Playing:
        return "playing";
    case ServerState::Stale:
        return "stale";
    case ServerState::NotFollowed:
        return "not followed";
    }
    return "stale";
}

Outcome<std::vector<OnlineServerRows>> ListOnline(NamesDatabase& database, const OnlineQuery& query) {
    std::vector<OnlineServerRows> servers;
    try {
        // Before a follower's first publish there is no table yet: no server is followed.
        if (!database.HasOnlineTable()) return Outcome<std::vector<OnlineServerRows>>::Of({});
        Recordset rs = database.OpenRecordset({"SELECT Server, StrippedServer, LogPath, Slot, PlayerName, "
                                               "StrippedName, IP, Since, Seen, Followed "
                                               "FROM Online ORDER BY LogPath, Slot;",
                                               {}});
        for (; !rs.Eof(); rs.MoveNext()) {
            const std::string logPath = rs.Field("LogPath").value_or("");
            if (servers.empty() || servers.back().logPath != logPath) {
                OnlineServerRows server;
                server.logPath = logPath;
                server.hostname = rs.Field("Server").value_or("");
                server.strippedHostname = rs.Field("StrippedServer").value_or("");
                server.seen = Number(rs.Field("Seen"));
                server.state = StateOf(
                    server.seen, IsTrue(rs.Field("Followed")) ? ServerFollowed::Yes : ServerFollowed::No,
                    query.now, query.staleAfter);
                servers.push_back(std::move(server));
            }
            const std::int64_t slot = Number(rs.Field("Slot"));
            if (slot < 0 || servers.back().state != ServerState::Playing) continue;
            OnlinePlayer player;
            player.slot = static_cast<int>(slot);
            player.playerName = rs.Field("PlayerName").value_or("");
            player.strippedName = rs.Field("StrippedName").value_or("");
            player.ip = rs.Field("IP").value_or("");
            player.since = Number(rs.Field("Since"));
            servers.back().players.push_back(std::move(player));
        }
        std::erase_if(servers, [&](const OnlineServerRows& s) {
            return !query.server.empty() && !Contains(s.hostname, query.server) &&
                   !Contains(s.strippedHostname, query.server) && !Contains(s.logPath, query.server);
        });
        for (auto& server : servers)
            for (auto& player : server.players)
                ReadWhatIsKnown(database, player);
    } catch (const std::exception& e) {
        return Outcome<std::vector<OnlineServerRows>>::Failed(e.what());
    }
    return Outcome<std::vector<OnlineServerRows>>::Of(std::move(servers));
}

std::string OnlineTimeText(std::int64_t seconds) {
    if (seconds <= 0) return {};
    const std::time_t moment = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[32];
    if (!localtime_r(&moment, &local) || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return std::to_string(seconds);
    return text;
}

Outcome<Done> ListWhoIsPlaying(NamesDatabase& database, ResultList& list, std::int64_t now) {
    list.Clear();
    const auto servers = ListOnline(database, {{}, now, kStaleAfterSeconds});
    if (!servers) return Outcome<Done>::Failed(servers.reason());
    for (const auto& server : *servers)
        for (const auto& p : server.players) {
            const std::string since = OnlineTimeText(p.since);
            list.Add(ListedRow({p.playerName, p.strippedName, p.ip, since, p.referee ? "True" : "False"},
                               RowKey::Stored));
        }
    return Outcome<Done>::Of({});
}

} // namespace corvanth
