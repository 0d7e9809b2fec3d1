#include "ClusterQueries.h"

#include "TextCodec.h"

namespace corvanth {
namespace {

enum class Match { Equal, Prefix };

// Rows whose `column` (a column compared ignoring ASCII letter case, with an index) equals or begins
// with `text`, through the index; for a text with other letters, every row its ASCII beginning allows.
Query IndexedLookup(std::string_view column, std::string_view text, Match match) {
    const std::string head = "SELECT * FROM Names WHERE " + std::string(column);
    if (IsAscii(text) && match == Match::Equal) return {head + " = ?1;", {std::string(text)}};

    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
        ++ascii;
    if (ascii == 0) {
        // Texts that begin with a non-ASCII character sort after every other text.
        return {head + " >= ?1;", {std::string("\x80")}};
    }
    std::string low = FoldCase(text.substr(0, ascii));
    std::string high = low;
    ++high.back();
    return {head + " >= ?1 AND " + std::string(column) + " < ?2;", {std::move(low), std::move(high)}};
}

} // namespace

Query AddressLinkQuery(std::string_view ip) {
    return IndexedLookup("IP", ip, Match::Equal);
}

Query AddressPrefixQuery(std::string_view prefix) {
    return IndexedLookup("IP", prefix, Match::Prefix);
}

Query PlayerNameLinkQuery(std::string_view storedName) {
    return IndexedLookup("PlayerName", storedName, Match::Equal);
}

Query StrippedNameLinkQuery(const std::vector<std::string>& names, FoldedNames folded) {
    Query query;
    query.sql = folded == FoldedNames::Yes ? "SELECT * FROM Names WHERE fold(StrippedName) IN ("
                                           : "SELECT * FROM Names WHERE StrippedName IN (";
    for (std::size_t i = 0; i < kStrippedNamesPerQuery; ++i) {
        if (i > 0) query.sql += ',';
        query.sql += '?';
        query.params.push_back(i < names.size() ? std::optional<std::string>(names[i]) : std::nullopt);
    }
    query.sql += ");";
    return query;
}

Query StoredPairQuery(std::string_view storedName, std::string_view ip) {
    return {"SELECT * FROM Names WHERE PlayerName = ?1 AND IP = ?2;",
            {std::string(storedName), std::string(ip)}};
}

} // namespace corvanth
