#pragma once

#include "Query.h"
#include "ResultRow.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// The statements of a cluster walk. Each answers one link through an index of table Names, except the
// stripped-name link: that column has no index, so its statement takes many names at once and is
// run once per hop rather than once per name. The indexes compare ASCII letters ignoring case; any
// other letter differs from its other case in bytes, so for a text with such letters the index only
// narrows the rows to those that begin the same way up to its second such letter.

// Rows whose address equals `ip` ignoring letter case: exactly those for an address of ASCII
// characters, a superset for any other (the caller compares FoldCase of each row's address).
Query AddressLinkQuery(std::string_view ip);
// Rows whose address begins with `prefix` ignoring letter case; a superset as above.
Query AddressPrefixQuery(std::string_view prefix);
// Rows whose player name equals `storedName` ignoring letter case; a superset as above.
Query PlayerNameLinkQuery(std::string_view storedName);

// How many names one stripped-name statement takes; unused places are bound to NULL, so the statement
// text is always the same and is prepared once.
inline constexpr std::size_t kStrippedNamesPerQuery = 500;
// Rows whose stripped name is one of `names` (at most kStrippedNamesPerQuery), ignoring letter case.
// ASCII names are compared by the column's own collation; give the others already folded, with
// FoldedNames::Yes, to compare the folded column.
enum class FoldedNames { No, Yes };
Query StrippedNameLinkQuery(const std::vector<std::string>& names, FoldedNames folded);

// The GUIDs seen with a stored name and address (table Guids), in column Guid.
Query GuidsOfPairQuery(std::string_view storedName, std::string_view ip);
// Whether table Guids holds a row: one row when it does.
Query AnyGuidQuery();

// The row of one stored name and address (the start of a cluster picked from the result list).
Query StoredPairQuery(std::string_view storedName, std::string_view ip);
// The same for a listed row, from its key (PairKey); nothing for a row without a key.
std::optional<Query> StoredPairQuery(const ResultRow& row);

} // namespace corvanth
