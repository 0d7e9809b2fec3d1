#include "Post.h"

#include "NameText.h"
#include "NamesDatabase.h"
#include "Recordset.h"

#include <exception>

namespace corvanth {
namespace {

using Clock = std::chrono::steady_clock;

// Shared by a call and the alias queries it starts, so that a walk made of many short nested
// queries still hands control to the host regularly.
struct YieldState {
    Clock::time_point lastPump;
};

enum class RowKey { Stored, None };

// The list row for the cursor's current row, or nothing when the row is not to be listed: its player
// name must be readable and not NULL, and a keyed row also needs its address column and a key that
// `list` does not hold yet (checked before the other cells are read, as most rows an alias query
// finds again are already listed).
std::optional<ResultRow> ReadRow(const Recordset& rs, RowKey keyed, const ResultList& list) {
    std::optional<std::string> name = rs.Field("PlayerName"); // nothing: no such column, or NULL
    if (!name) return std::nullopt;
    std::optional<std::string> ip = rs.Field("IP");

    ResultRow row;
    if (keyed == RowKey::Stored) {
        if (!ip && !rs.HasField("IP")) return std::nullopt;
        std::string key = PairKey(*name, ip.value_or(std::string()));
        if (list.ContainsKey(key)) return std::nullopt;
        row.ItemKey = std::move(key);
    }
    row.Cell(ResultCell::Name) = DecodeName(*name);
    if (auto stripped = rs.Field("StrippedName")) row.Cell(ResultCell::StripName) = DecodeName(*stripped);
    if (ip) row.Cell(ResultCell::IP) = std::move(*ip);
    if (auto lastVisit = rs.Field("LastVisit")) row.Cell(ResultCell::LastConnection) = std::move(*lastVisit);
    if (auto ref = rs.Field("Ref")) row.Cell(ResultCell::Referee) = std::move(*ref);
    return row;
}

std::string FailureText(const std::exception& e) {
    const std::string what = e.what();
    return what.empty() ? std::string("the statement failed") : what;
}

PostOutcome Walk(NamesDatabase& database, ResultList& list, PostHost& host, const Query& query,
                 ClearFirst clearFirst, AliasCheck aliasCheck, YieldState& yield) {
    PostOutcome outcome;
    if (clearFirst == ClearFirst::Yes) {
        list.Clear();
        list.TurnSortingOff();
    }

    std::optional<Recordset> rs;
    try {
        rs.emplace(database.OpenRecordset(query));
    } catch (const std::exception& e) {
        // A statement that cannot run ends at once as an empty result.
        outcome.failure = FailureText(e);
    }

    if (rs) {
        const Clock::time_point start = host.now();
        while (!rs->Eof()) {
            Clock::time_point now = host.now();
            if (now - yield.lastPump >= kPostYieldInterval) {
                host.pumpEvents();
                now = host.now();
                yield.lastPump = now;
            }
            if (host.stopRequested()) break;
            if (now - start > kPostTimeLimit) {
                outcome.timedOut = true;
                break;
            }

            const bool aliases =
                aliasCheck == AliasCheck::AllowAliases && host.aliasesTicked() && host.aliasesEnabled();
            if (aliases) {
                // The row itself comes into the list through the nested query, which matches its own
                // address.
                if (std::optional<std::string> ip = rs->Field("IP")) {
                    const std::string pattern = host.broadTicked() ? BroadIP(*ip) : *ip;
                    Walk(database, list, host, IpSearchQuery(pattern), ClearFirst::No,
                         AliasCheck::ForbidAliases, yield);
                }
            } else if (std::optional<ResultRow> row = ReadRow(*rs, RowKey::Stored, list)) {
                list.Add(std::move(*row));
            }

            try {
                rs->MoveNext();
            } catch (const std::exception& e) {
                outcome.failure = FailureText(e); // the cursor is at its end now
            }
        }
    }
    rs.reset();

    outcome.matches = list.Count();
    host.setMatches(outcome.matches);
    if (clearFirst == ClearFirst::Yes) {
        if (list.Empty()) {
            ResultRow placeholder;
            placeholder.Cell(ResultCell::Name) = std::string(kNoMatchesText);
            list.Add(std::move(placeholder));
        }
        list.TurnSortingOn();
    }
    return outcome;
}

} // namespace

PostOutcome Post(NamesDatabase& database, ResultList& list, PostHost& host, const Query& query,
                 ClearFirst clearFirst, AliasCheck aliasCheck) {
    YieldState yield{host.now()};
    return Walk(database, list, host, query, clearFirst, aliasCheck, yield);
}

std::string BroadIP(std::string_view ip) {
    int dots = 0;
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if (ip[i] == '.' && ++dots == 3) return std::string(ip.substr(0, i + 1)) + "*";
    }
    return std::string(ip);
}

Outcome<Done> ListReferees(NamesDatabase& database, ResultList& list) {
    list.Clear();
    try {
        Recordset rs = database.OpenRecordset(RefereeQuery());
        while (!rs.Eof()) {
            if (std::optional<ResultRow> row = ReadRow(rs, RowKey::None, list)) list.Add(std::move(*row));
            rs.MoveNext();
        }
    } catch (const std::exception& e) {
        return Outcome<Done>::Failed(FailureText(e));
    }
    return Outcome<Done>::Of({});
}

} // namespace corvanth
