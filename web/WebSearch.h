#pragma once

#include "ClusterWalk.h"
#include "FixedPostHost.h"
#include "PackedResult.h"
#include "Post.h"
#include "ResultFormat.h"
#include "ResultList.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace corvanth {

class ClientWatch;
class NamesDatabase;

enum class SearchBy { Name, Address };

// A search as the API takes it; the rows are decided by Post exactly as for corvanth-cli search.
struct WebSearchRequest {
    SearchBy by = SearchBy::Name;
    std::string pattern;
    Aliases aliases = Aliases::Off; // a name search only
};

// A finished search: its rows in the order corvanth-cli search prints them (or as sorted).
struct WebSearchResult {
    PackedResult rows;
    PostOutcome outcome;
    std::uint64_t run = 0; // which run of the search made the rows (a sort of them keeps it)
};

// The search's rows; when `client` is given and its client goes away, the search stops and fails with
// kClientGoneText (so no one else is given its partial rows).
WebSearchResult RunWebSearch(NamesDatabase& database, const WebSearchRequest& request,
                             ClientWatch* client = nullptr);

// The same rows sorted by a column (0 to 4) in an order, as header clicks on the window's list would.
WebSearchResult SortedResult(const WebSearchResult& result, std::size_t cell, SortDirection order);

// The rows a page of the API shows.
inline constexpr std::size_t kRowsPerPage = 100;

// {"total": N, "page": N, "rows": [{"Name", "StripName", "IP", "LastConnection", "Referee"}, ...]}: page
// `page` (from 1) of the rows, with "timedOut" when the search stopped at the time limit.
std::string ResultJson(const PackedResult& rows, std::size_t total, std::size_t page, AddressView view,
                       bool timedOut = false);
// The same, page 1, for a cluster; each row also has "Hops" and "Via".
std::string ClusterJson(const ResultList& list, const ClusterOutcome& cluster, AddressView view);

// The whole result as corvanth-cli prints it in `format` (its addresses masked for a moderator).
std::string ResultText(const PackedResult& rows, OutputFormat format, ListContent content, AddressView view);

// The referee list as a JSON array of rows.
std::string RefereesJson(const ResultList& list, AddressView view);

// The cluster as a Graphviz graph (corvanth-cli search ... --cluster --format dot).
std::string ClusterDot(const ResultList& list, const ClusterOutcome& outcome, const ClusterOptions& options,
                       AddressView view);

} // namespace corvanth
