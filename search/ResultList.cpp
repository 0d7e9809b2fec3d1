#include "ResultList.h"

#include "Collation.h"
#include "TextCodec.h"

#include <algorithm>
#include <stdexcept>

namespace corvanth {
namespace {

// A block is split in two when it grows beyond this; sorting refills blocks to half of it.
constexpr std::size_t kBlockMax = 512;
constexpr std::size_t kBlockFill = kBlockMax / 2;

} // namespace

const ResultRow& ResultList::Row(std::size_t index) const {
    if (index >= count_) throw std::out_of_range("result list row index out of range");
    ensureStarts();
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), index);
    const auto block = static_cast<std::size_t>(it - starts_.begin()) - 1;
    return store_[blocks_[block][index - starts_[block]]];
}

std::vector<ResultRow> ResultList::Rows() const {
    std::vector<ResultRow> rows;
    rows.reserve(count_);
    for (const auto& block : blocks_)
        for (const RowId id : block)
            rows.push_back(store_[id]);
    return rows;
}

bool ResultList::ContainsKey(std::string_view key) const {
    return byKey_.Find(key, [this](RowId r) { return keyOf(r); }).has_value();
}

void ResultList::Clear() {
    if (observer_) observer_->listAboutToReset();
    store_.clear();
    blocks_.clear();
    starts_.clear();
    startsValid_ = true;
    byKey_.Clear();
    count_ = 0;
    if (observer_) observer_->listReset();
}

std::optional<std::size_t> ResultList::Add(ResultRow row) {
    const auto id = static_cast<RowId>(store_.size());
    if (row.ItemKey && byKey_.Insert(*row.ItemKey, id, [this](RowId r) { return keyOf(r); }) != id)
        return std::nullopt;
    // The index is decided before the observer hears of it, so the row is stored first and only
    // placed into the shown order between the two notifications.
    store_.push_back(std::move(row));

    std::size_t index = count_;
    if (sorted_) {
        // Find the place without changing anything yet.
        ensureStarts();
        std::size_t block = 0;
        std::size_t offset = 0;
        if (!blocks_.empty()) {
            const auto firstAfter = std::partition_point(blocks_.begin(), blocks_.end(),
                                                         [&](const auto& b) { return before(b.back(), id); });
            block = firstAfter == blocks_.end() ? blocks_.size() - 1
                                                : static_cast<std::size_t>(firstAfter - blocks_.begin());
            const auto& rows = blocks_[block];
            offset = static_cast<std::size_t>(
                std::partition_point(rows.begin(), rows.end(), [&](RowId r) { return before(r, id); }) -
                rows.begin());
            index = starts_[block] + offset;
        }
        if (observer_) observer_->rowsAboutToBeInserted(index, 1);
        if (blocks_.empty()) {
            blocks_.emplace_back();
        }
        auto& rows = blocks_[block];
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(offset), id);
        if (rows.size() > kBlockMax) {
            std::vector<RowId> upper(rows.begin() + static_cast<std::ptrdiff_t>(rows.size() / 2), rows.end());
            rows.resize(rows.size() / 2);
            blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(block) + 1, std::move(upper));
        }
    } else {
        if (observer_) observer_->rowsAboutToBeInserted(index, 1);
        if (blocks_.empty() || blocks_.back().size() >= kBlockMax) blocks_.emplace_back();
        blocks_.back().push_back(id);
    }
    ++count_;
    startsValid_ = false;
    if (observer_) observer_->rowsInserted(index, 1);
    return index;
}

void ResultList::TurnSortingOn() {
    if (sorted_) return;
    sorted_ = true;
    reorder();
}

void ResultList::HeaderClicked(std::size_t cell) {
    cell = std::min(cell, kResultCellCount - 1);
    sorted_ = true;
    if (sortKey_ == cell) {
        sortOrder_ =
            sortOrder_ == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
    } else {
        sortKey_ = cell;
        sortOrder_ = SortDirection::Ascending;
    }
    reorder();
}

bool ResultList::before(RowId a, RowId b) const {
    const int c = CollateText(store_[a].Cells[sortKey_], store_[b].Cells[sortKey_]);
    if (c != 0) return sortOrder_ == SortDirection::Ascending ? c < 0 : c > 0;
    return a < b; // equal texts: the order in which the rows were added
}

void ResultList::reorder() {
    if (observer_) observer_->listAboutToReorder();
    std::vector<RowId> ids;
    ids.reserve(count_);
    for (const auto& block : blocks_)
        ids.insert(ids.end(), block.begin(), block.end());
    // The same order as before(), with each key cell folded once instead of at every comparison:
    // folded texts compare as CollateText compares them until one differs, then the exact texts,
    // then the order in which the rows were added.
    std::vector<std::string> folded(store_.size());
    for (const RowId id : ids)
        folded[id] = FoldCase(store_[id].Cells[sortKey_]);
    const bool ascending = sortOrder_ == SortDirection::Ascending;
    std::sort(ids.begin(), ids.end(), [&](RowId a, RowId b) {
        int c = folded[a].compare(folded[b]);
        if (c == 0) c = store_[a].Cells[sortKey_].compare(store_[b].Cells[sortKey_]);
        if (c != 0) return ascending ? c < 0 : c > 0;
        return a < b;
    });
    blocks_.clear();
    for (std::size_t i = 0; i < ids.size(); i += kBlockFill) {
        const std::size_t end = std::min(ids.size(), i + kBlockFill);
        blocks_.emplace_back(ids.begin() + static_cast<std::ptrdiff_t>(i),
                             ids.begin() + static_cast<std::ptrdiff_t>(end));
    }
    startsValid_ = false;
    if (observer_) observer_->listReordered();
}

void ResultList::ensureStarts() const {
    if (startsValid_) return;
    starts_.resize(blocks_.size());
    std::size_t start = 0;
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        starts_[b] = start;
        start += blocks_[b].size();
    }
    startsValid_ = true;
}

} // namespace corvanth
