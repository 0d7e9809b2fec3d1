#pragma once

#include "LargeArray.h"
#include "ResultListObserver.h"
#include "ResultRow.h"
#include "TextIdIndex.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvanth {

enum class SortDirection : int { Ascending = 0, Descending = 1 };

// The rows and sort state behind the result list.
//
// While Sorted() is off, rows keep the order in which they were added. Turning sorting on orders
// them at once by the text of cell SortKey() in SortOrder(), using CollateText; rows whose key cells
// are equal keep the order in which they were added, in either direction. While sorting is on, an
// added row takes its sorted place. Initially sorting is off, by cell 0, ascending.
//
// Rows are held in blocks of a few hundred, so adding a row in its sorted place, finding a row by
// key and reading a row by index stay cheap with hundreds of thousands of rows.
class ResultList {
public:
    ResultList() = default;
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // The row shown at `index` (0 to Count()-1).
    const ResultRow& Row(std::size_t index) const;
    // Every row in shown order.
    std::vector<ResultRow> Rows() const;
    // Calls `visit(row)` for every row in shown order.
    template <class Visit> void ForEachRow(const Visit& visit) const {
        // After a sort the shown order jumps about the store: a row some places ahead is fetched into
        // the cache while this one is visited, and the texts of a nearer one.
        constexpr std::size_t kRowAhead = 16;
        constexpr std::size_t kTextAhead = 4;
        for (const auto& block : blocks_) {
            for (std::size_t i = 0; i < block.size(); ++i) {
                if (i + kRowAhead < block.size()) {
                    const char* row = reinterpret_cast<const char*>(&store_[block[i + kRowAhead]]);
                    for (std::size_t line = 0; line < sizeof(ResultRow); line += 64)
                        __builtin_prefetch(row + line);
                }
                if (i + kTextAhead < block.size())
                    for (const std::string& cell : store_[block[i + kTextAhead]].Cells)
                        __builtin_prefetch(cell.data());
                visit(store_[block[i]]);
            }
        }
    }

    // Removes every row. The sort state stays as it is.
    void Clear();
    // Adds a row. A row whose key the list already holds is not added: returns nothing. Otherwise
    // returns the index the row was given.
    std::optional<std::size_t> Add(ResultRow&& row);
    std::optional<std::size_t> Add(const ResultRow& row) { return Add(ResultRow(row)); }
    // Makes room for `rows` rows in all, so that adding that many moves none of them.
    void Reserve(std::size_t rows) {
        store_.reserve(rows);
        byKey_.Reserve(rows);
    }
    // Whether a row has this key (keys compare exactly).
    bool ContainsKey(std::string_view key) const;

    bool Sorted() const { return sorted_; }
    std::size_t SortKey() const { return sortKey_; }
    SortDirection SortOrder() const { return sortOrder_; }
    // `between`, when given, is called now and then while a long sort is worked out (to let events
    // run). Should the list change during such a call, the sort is worked out again without it.
    void TurnSortingOn(const std::function<void()>& between = {});
    void TurnSortingOff() { sorted_ = false; }
    // A click on the header of cell `cell`: sorting goes on; the same cell as before reverses the
    // order, another cell becomes the key in ascending order. The rows are reordered once.
    void HeaderClicked(std::size_t cell);

    // The one observer (or null). Not owned.
    void SetObserver(ResultListObserver* observer) { observer_ = observer; }

private:
    using RowId = std::uint32_t;
    std::string_view keyOf(RowId id) const { return *store_[id].ItemKey; }

    bool before(RowId a, RowId b) const;
    void reorder(const std::function<void()>& between = {});
    // The new shown order, worked out without touching it; empty when the list changed meanwhile.
    std::optional<std::vector<RowId>> sortedIds(const std::function<void()>& between);
    void ensureStarts() const;

    LargeArray<ResultRow> store_;             // in the order added; a row's id is its index here
    std::vector<std::vector<RowId>> blocks_;  // the shown order, in blocks
    mutable std::vector<std::size_t> starts_; // index of each block's first row
    mutable bool startsValid_ = true;
    TextIdIndex byKey_; // the rows that have a key
    std::size_t count_ = 0;
    std::uint64_t changes_ = 0; // counts adds and clears, so a sort notices a change made meanwhile

    bool sorted_ = false;
    std::size_t sortKey_ = 0;
    SortDirection sortOrder_ = SortDirection::Ascending;
    ResultListObserver* observer_ = nullptr;
};

} // namespace corvanth
