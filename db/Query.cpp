#include "Query.h"

#include "LikePattern.h"
#include "TextCodec.h"

namespace corvanth {
namespace {

// SQLite's NOCASE folds only ASCII letters; these two ASCII letters also have a non-ASCII capital
// (U+0130, U+212A) that the program's LIKE folds onto them, so only patterns without them may be
// narrowed through the NOCASE index.
bool IndexSafe(std::string_view prefix) {
    if (!IsAscii(prefix)) return false;
    for (char c : prefix) {
        if (c == 'i' || c == 'I' || c == 'k' || c == 'K' || c == 0x7F || c == 0) return false;
    }
    return true;
}

} // namespace

Query NameSearchQuery(std::string_view encodedPattern) {
    return {"SELECT * FROM Names WHERE StrippedName LIKE ?1;", {std::string(encodedPattern)}};
}

Query IpSearchQuery(std::string_view pattern) {
    const auto prefix = LikePattern::IndexablePrefix(pattern);
    if (prefix && IndexSafe(prefix->text)) {
        if (prefix->exact) return {"SELECT * FROM Names WHERE IP = ?1;", {std::string(pattern)}};
        if (!prefix->text.empty()) {
            std::string low = FoldCase(prefix->text);
            std::string high = low;
            ++high.back();
            return {"SELECT * FROM Names WHERE IP >= ?1 AND IP < ?2 AND IP LIKE ?3;",
                    {std::move(low), std::move(high), std::string(pattern)}};
        }
    }
    return {"SELECT * FROM Names WHERE IP LIKE ?1;", {std::string(pattern)}};
}

Query GuidSearchQuery(std::string_view pattern, GuidMatch match) {
    const auto prefix = LikePattern::IndexablePrefix(pattern);
    const bool exact = match == GuidMatch::Exact || (prefix && prefix->exact && IndexSafe(prefix->text));
    const std::string guid = exact ? "Guid = ?1" : "Guid LIKE ?1";
    // The addresses narrow the rows through the IP index; each is then compared with the pairs whole.
    return {"SELECT * FROM Names WHERE IP IN (SELECT fold(IP) FROM Guids WHERE " + guid +
                ") AND EXISTS (SELECT 1 FROM Guids WHERE " + guid +
                " AND fold(Guids.IP) = fold(Names.IP) AND fold(Guids.PlayerName) = fold(Names.PlayerName));",
            {std::string(pattern)}};
}

Query RefereeQuery() {
    return {"SELECT * FROM Names WHERE Ref = 1;", {}};
}

Query AllNamesQuery() {
    return {"SELECT * FROM Names WHERE PlayerName LIKE '*';", {}};
}

Query CustomQuery(std::string_view text) {
    return {std::string(text), {}, true};
}

} // namespace corvanth
