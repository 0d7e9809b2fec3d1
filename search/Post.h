#pragma once

#include "Outcome.h"
#include "PostHost.h"
#include "Query.h"
#include "ResultList.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

class NamesDatabase;

// A new search: empty the list first; at the end sort it and put the placeholder into it when empty.
enum class ClearFirst { No, Yes };
// Whether rows may be widened to the aliases seen from their address (when the host's check boxes
// ask for it). Nested alias queries, the IP search and custom queries forbid it.
enum class AliasCheck { AllowAliases, ForbidAliases };

// The row an empty new search shows.
inline constexpr std::string_view kNoMatchesText = "No matches to your query";
// How long one call may spend listing rows.
inline constexpr std::chrono::seconds kPostTimeLimit{15};
// How often a long walk hands control to the host.
inline constexpr std::chrono::milliseconds kPostYieldInterval{15};

// What a call of Post did; the window ignores it, the command line reports it.
struct PostOutcome {
    std::size_t matches = 0;            // the count given to PostHost::setMatches
    std::optional<std::string> failure; // the statement could not run, or its rows could not be read
    bool timedOut = false;              // the walk stopped at the time limit
};

// Runs `query` into `list`: every row becomes a list row (keyed by its stored name and address, listed
// once), a name search is widened to aliases when the host asks for it, the count goes to the host,
// and a new search ends sorted, with the placeholder when empty. Never throws for a failing
// statement: it ends as an empty result.
PostOutcome Post(NamesDatabase& database, ResultList& list, PostHost& host, const Query& query,
                 ClearFirst clearFirst, AliasCheck aliasCheck);

// The address pattern of an address's first three octets: "10.0.0.7" gives "10.0.0.*". An empty
// address, or one with fewer than three dots, is returned unchanged.
std::string BroadIP(std::string_view ip);

// Lists every referee row (no keys, no count, no placeholder, no time limit, no yield; the sort
// state is left as it is, so a sorted list puts each row in its place). Fails, with the reason, when
// the statement cannot run or its rows cannot be read.
Outcome<Done> ListReferees(NamesDatabase& database, ResultList& list);

} // namespace corvanth
