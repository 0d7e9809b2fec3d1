#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

// The five cells of a result row, in the order the list shows them.
enum class ResultCell : std::size_t { Name = 0, StripName = 1, IP = 2, LastConnection = 3, Referee = 4 };

inline constexpr std::size_t kResultCellCount = 5;

// The column headers of the result list, also the field names of the command line's CSV and JSON.
inline constexpr std::array<std::string_view, kResultCellCount> kResultHeaders = {
    "Name", "StripName", "IP", "Last Connection", "Referee"};

// The key of a row found by a search: the pair of its stored name and address. The name's length
// comes first, so no two pairs share a key ("Bob1" from 12.3.4.5 and "Bob11" from 2.3.4.5 differ).
inline std::string PairKey(std::string_view storedName, std::string_view storedIp) {
    char length[24];
    const auto digits = std::to_chars(length, length + sizeof length, storedName.size()).ptr - length;
    std::string key;
    key.reserve(static_cast<std::size_t>(digits) + 1 + storedName.size() + storedIp.size());
    key.append(length, static_cast<std::size_t>(digits)).append(1, ':').append(storedName).append(storedIp);
    return key;
}

// One row of the result list. Cell 0 is the row's text (the shown player name); a cell for which no
// value was put stays empty. Rows found by a search carry a key (PairKey of the stored name and
// address); the placeholder and the referee list's rows have none.
struct ResultRow {
    std::optional<std::string> ItemKey;
    std::array<std::string, kResultCellCount> Cells;

    const std::string& Text() const { return Cells[0]; }
    const std::string& Cell(ResultCell cell) const { return Cells[static_cast<std::size_t>(cell)]; }
    std::string& Cell(ResultCell cell) { return Cells[static_cast<std::size_t>(cell)]; }

    bool operator==(const ResultRow&) const = default;
};

} // namespace corvanth
