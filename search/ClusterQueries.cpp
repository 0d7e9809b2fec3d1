#include "ClusterQueries.h"

#include "StoredRow.h"
#include "TextCodec.h"

#include <algorithm>

namespace corvanth {
namespace {

enum class Match { Equal, Prefix };

// Rows whose `column` (a column compared ignoring ASCII letter case, with an index) equals or begins
// with `text`, through the index. For a text with other letters that is every row that begins like
// it up to its second non-ASCII character, its first one in any letter case.
Query IndexedLookup(std::string_view column, std::string_view text, Match match) {
    const std::string head = "SELECT * FROM Names WHERE ";
    if (text.empty())
        return {head + std::string(column) + (match == Match::Equal ? " = '';" : " IS NOT NULL;"), {}};
    if (IsAscii(text) && match == Match::Equal)
        return {head + std::string(column) + " = ?1;", {std::string(text)}};

    auto asciiRun = [&](std::size_t from) {
        std::size_t end = from;
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
            ++end;
        return end;
    };
    const std::size_t firstOther = asciiRun(0);
    std::vector<char32_t> firstForms;
    std::size_t afterFirst = firstOther;
    if (firstOther < text.size()) {
        const char32_t first = NextCodePoint(text, afterFirst);
        for (char32_t form : {first, FoldCodePoint(first), UpperCodePoint(first)})
            if (std::find(firstForms.begin(), firstForms.end(), form) == firstForms.end())
                firstForms.push_back(form);
    }
    const std::string before = FoldCase(text.substr(0, firstOther));
    const std::string after = FoldCase(text.substr(afterFirst, asciiRun(afterFirst) - afterFirst));

    Query query{head, {}};
    for (std::size_t i = 0; i < std::max<std::size_t>(1, firstForms.size()); ++i) {
        std::string low = before;
        if (!firstForms.empty()) AppendUtf8(low, firstForms[i]);
        low += after;
        std::string high = low;
        ++high.back(); // every text that begins with `low` sorts before it
        if (i > 0) query.sql += " OR ";
        const std::string n = std::to_string(query.params.size() + 1);
        query.sql += "(" + std::string(column) + " >= ?" + n + " AND " + std::string(column) + " < ?" +
                     std::to_string(query.params.size() + 2) + ")";
        query.params.push_back(std::move(low));
        query.params.push_back(std::move(high));
    }
    query.sql += ";";
    return query;
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

Query GuidsOfPairQuery(std::string_view storedName, std::string_view ip) {
    return {"SELECT Guid FROM Guids WHERE IP = ?1 AND fold(PlayerName) = fold(?2);",
            {std::string(ip), std::string(storedName)}};
}

Query AnyGuidQuery() {
    return {"SELECT Guid FROM Guids LIMIT 1;", {}};
}

Query StoredPairQuery(std::string_view storedName, std::string_view ip) {
    return {"SELECT * FROM Names WHERE PlayerName = ?1 AND IP = ?2;",
            {std::string(storedName), std::string(ip)}};
}

std::optional<Query> StoredPairQuery(const ResultRow& row) {
    if (!row.ItemKey) return std::nullopt;
    const std::optional<StoredPair> pair = PairOfKey(*row.ItemKey);
    if (!pair) return std::nullopt;
    return StoredPairQuery(pair->name, pair->ip);
}

} // namespace corvanth
