#pragma once

#include "ClusterLink.h"
#include "PostHost.h"
#include "Query.h"
#include "ResultList.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvanth {

class NamesDatabase;

// Which addresses link two rows: the same address, or the same first three octets.
enum class AddressLinks { SameAddress, SameRange };
// Which names link two rows: the same player name, or also the same colour-stripped name.
enum class NameLinks { SamePlayerName, SamePlayerOrStrippedName };

// Whether two rows whose pairs were seen with the same client GUID are linked.
enum class GuidLinks { None, SameGuid };

struct ClusterOptions {
    std::size_t depth = 6;        // hops followed from the start rows; 0 lists the start rows only
    std::size_t sizeLimit = 5000; // the walk stops when one more row would pass it
    AddressLinks addressLinks = AddressLinks::SameAddress;
    NameLinks nameLinks = NameLinks::SamePlayerName;
    GuidLinks guidLinks = GuidLinks::None;
};

// Why a walk ended.
enum class ClusterEnd { Complete, SizeLimit, TimeLimit, Stopped };

struct ClusterOutcome {
    std::size_t matches = 0; // the rows listed, as given to PostHost::setMatches
    ClusterEnd end = ClusterEnd::Complete;
    std::optional<std::string> failure; // a statement failed; the rows found before it are listed
    // How each listed row was reached, by the row's key.
    std::unordered_map<std::string, ClusterLink> links;
};

// Lists the cluster of the rows `start` finds: those rows are hop 0, and a row not reached yet is at
// hop k+1 when it shares with a row at hop k its address (or its first three octets) or its player
// name (or its stripped name). Every row is listed once, at its smallest hop, keyed like a search's
// rows. Each address, range and name is looked up once, by one indexed statement.
//
// As a new search does, the walk empties `list` first, hands control to `host` about every
// kPostYieldInterval (showing the count so far), stops after kPostTimeLimit, and shows the final count
// and the placeholder row when nothing was found; it ends when the host's stopRequested() says so after
// a hand-over.
// The rows are listed by hop, then in the order the list sorts (its sort key and order); sorting is
// left off, so a click on a header re-sorts them as usual. Never throws for a failing statement.
ClusterOutcome ListCluster(NamesDatabase& database, ResultList& list, PostHost& host, const Query& start,
                           const ClusterOptions& options);

// SameGuid when table Guids holds any row (the window then follows GUIDs), else None.
GuidLinks GuidLinksOf(NamesDatabase& database);

// The sentence that says why a walk ended early, or nothing when it ended complete.
std::optional<std::string> ClusterEndText(ClusterEnd end, const ClusterOptions& options);

} // namespace corvanth
