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
// A long sort is worked out in runs of this many rows, then merged pairwise; between steps the
// caller's events may run.
constexpr std::size_t kSortRun = 16384;

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
    ++changes_;
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
    ++changes_;
    startsValid_ = false;
    if (observer_) observer_->rowsInserted(index, 1);
    return index;
}

void ResultList::TurnSortingOn(const std::function<void()>& between) {
    if (sorted_) return;
    sorted_ = true;
    reorder(between);
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

namespace {

// The text as the sort compares it first: ASCII text lower-cased at once, any other through FoldCase.
void FoldInto(std::string& out, const std::string& text) {
    if (!IsAscii(text)) {
        out = FoldCase(text);
        return;
    }
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = AsciiLower(text[i]);
}

// The first eight bytes of a folded text as a number that orders as the bytes do (zeros after the
// end), so that most comparisons need not look at the texts.
std::uint64_t LeadOf(std::string_view folded) {
    std::uint64_t lead = 0;
    for (std::size_t i = 0; i < 8; ++i)
        lead = (lead << 8) | (i < folded.size() ? static_cast<unsigned char>(folded[i]) : 0u);
    return lead;
}

} // namespace

std::optional<std::vector<ResultList::RowId>> ResultList::sortedIds(const std::function<void()>& between) {
    const std::uint64_t changesBefore = changes_;
    struct Entry {
        std::uint64_t lead;
        RowId id;
    };
    std::vector<Entry> entries;
    entries.reserve(count_);
    for (const auto& block : blocks_)
        for (const RowId id : block)
            entries.push_back({0, id});
    // True when the caller's events left the list as it was. A list of one run is sorted at once.
    auto pause = [&] {
        if (!between || entries.size() <= kSortRun) return true;
        between();
        return changes_ == changesBefore;
    };
    // The same order as before(), with each key cell folded once instead of at every comparison:
    // folded texts compare as CollateText compares them until one differs, then the exact texts,
    // then the order in which the rows were added. That is a total order, so sorting in runs and
    // merging them gives the very same result as one sort. The leading bytes of the folded texts,
    // kept beside the ids, decide most comparisons.
    std::vector<std::string> folded(store_.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const RowId id = entries[i].id;
        FoldInto(folded[id], store_[id].Cells[sortKey_]);
        entries[i].lead = LeadOf(folded[id]);
        if ((i + 1) % kSortRun == 0 && !pause()) return std::nullopt;
    }
    const bool ascending = sortOrder_ == SortDirection::Ascending;
    auto less = [&](const Entry& a, const Entry& b) {
        if (a.lead != b.lead) return ascending ? a.lead < b.lead : a.lead > b.lead;
        int c = folded[a.id].compare(folded[b.id]);
        if (c == 0) c = store_[a.id].Cells[sortKey_].compare(store_[b.id].Cells[sortKey_]);
        if (c != 0) return ascending ? c < 0 : c > 0;
        return a.id < b.id;
    };
    const auto at = [&](std::size_t i) {
        return entries.begin() + static_cast<std::ptrdiff_t>(std::min(i, entries.size()));
    };
    for (std::size_t i = 0; i < entries.size(); i += kSortRun) {
        std::sort(at(i), at(i + kSortRun), less);
        if (!pause()) return std::nullopt;
    }
    for (std::size_t width = kSortRun; width < entries.size(); width *= 2) {
        for (std::size_t i = 0; i + width < entries.size(); i += 2 * width) {
            std::inplace_merge(at(i), at(i + width), at(i + 2 * width), less);
            if (!pause()) return std::nullopt;
        }
    }
    std::vector<RowId> ids;
    ids.reserve(entries.size());
    for (const Entry& e : entries)
        ids.push_back(e.id);
    return ids;
}

void ResultList::reorder(const std::function<void()>& between) {
    std::optional<std::vector<RowId>> ids = sortedIds(between);
    if (!ids) ids = sortedIds({});
    if (observer_) observer_->listAboutToReorder();
    blocks_.clear();
    for (std::size_t i = 0; i < ids->size(); i += kBlockFill) {
        const std::size_t end = std::min(ids->size(), i + kBlockFill);
        blocks_.emplace_back(ids->begin() + static_cast<std::ptrdiff_t>(i),
                             ids->begin() + static_cast<std::ptrdiff_t>(end));
    }
    ++changes_;
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
