#pragma once

#include "ClusterWalk.h"
#include "FixedPostHost.h"
#include "Post.h"
#include "ResultFormat.h"
#include "ResultList.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace corvanth {

class ClientWatch;
class NamesDatabase;

// Whether the reader sees addresses whole (an admin) or masked (a moderator).
enum class AddressView { Full, Masked };

enum class SearchBy { Name, Address };

// A search as the API takes it; the rows are decided by Post exactly as for corvanth-cli search.
struct WebSearchRequest {
    SearchBy by = SearchBy::Name;
    std::string pattern;
    Aliases aliases = Aliases::Off; // a name search only
};

struct WebSearchResult {
    std::unique_ptr<ResultList> list = std::make_unique<ResultList>();
    PostOutcome outcome;
};

// The search's rows; when `client` is given and its client goes away, the search stops and fails with
// kClientGoneText (so no one else is given its partial rows).
WebSearchResult RunWebSearch(NamesDatabase& database, const WebSearchRequest& request,
                             ClientWatch* client = nullptr);

// The rows a page of the API shows.
inline constexpr std::size_t kRowsPerPage = 100;

// {"total": N, "page": N, "rows": [{"Name", "StripName", "IP", "LastConnection", "Referee"}, ...]}: page
// `page` (from 1) of the list, or of the cluster when `cluster` is given (each row also has "Hops" and
// "Via"), with "timedOut" when the walk stopped at the time limit.
std::string ResultJson(const ResultList& list, std::size_t total, std::size_t page, AddressView view,
                       const ClusterOutcome* cluster = nullptr, bool timedOut = false);

// The whole list as corvanth-cli prints it in `format` (its addresses masked for a moderator).
std::string ResultText(const ResultList& list, OutputFormat format, ListContent content, AddressView view);

// The referee list as a JSON array of rows.
std::string RefereesJson(const ResultList& list, AddressView view);

// The cluster as a Graphviz graph (corvanth-cli search ... --cluster --format dot).
std::string ClusterDot(const ResultList& list, const ClusterOutcome& outcome, const ClusterOptions& options,
                       AddressView view);

// Sorts the list by a column (0 to 4) in an order, as header clicks would.
void SortList(ResultList& list, std::size_t cell, SortDirection order);

} // namespace corvanth
