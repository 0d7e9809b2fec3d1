#pragma once

#include <array>
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

// One row of the result list. Cell 0 is the row's text (the shown player name); a cell for which no
// value was put stays empty. Rows found by a search or a cluster walk carry a key (PairKey of the stored
// name and address, StoredRow.h); the placeholder and the referee list's rows have none.
struct ResultRow {
    std::optional<std::string> ItemKey;
    std::array<std::string, kResultCellCount> Cells;

    const std::string& Text() const { return Cells[0]; }
    const std::string& Cell(ResultCell cell) const { return Cells[static_cast<std::size_t>(cell)]; }
    std::string& Cell(ResultCell cell) { return Cells[static_cast<std::size_t>(cell)]; }

    bool operator==(const ResultRow&) const = default;
};

} // namespace corvanth
