#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// A statement and its bound values. Values never become part of the SQL text, so a quote in an
// address, a date or a pattern cannot change what a statement means.
struct Query {
    std::string sql;
    std::vector<std::optional<std::string>> params;
    bool userText = false; // the user's own text: translated by the dialect layer, checked harder

    bool operator==(const Query&) const = default;
};

// SELECT * FROM Names WHERE StrippedName LIKE pattern (the pattern is already in stored form).
Query NameSearchQuery(std::string_view encodedPattern);
// SELECT * FROM Names WHERE IP LIKE pattern; answered through the IP index when the pattern is an
// exact address or a prefix followed by one "*".
Query IpSearchQuery(std::string_view pattern);
// The Names rows of the pairs seen with a GUID matching `pattern` (table Guids), letter case ignored;
// a pattern without wildcards, or any text with GuidMatch::Exact, is looked up through the GUID index.
enum class GuidMatch { Pattern, Exact };
Query GuidSearchQuery(std::string_view pattern, GuidMatch match = GuidMatch::Pattern);
// SELECT * FROM Names WHERE Ref = Yes
Query RefereeQuery();
// Every row with a player name (what clearing the table walks).
Query AllNamesQuery();
// A statement the user typed, passed as written.
Query CustomQuery(std::string_view text);

} // namespace corvanth
