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

std::optional<std::size_t> ResultList::Add(ResultRow&& row) {
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
    const std::size_t rows = store_.size(); // every row added since the last clear is shown
    // True when the caller's events left the list as it was. A list of one run is sorted at once.
    auto pause = [&] {
        if (!between || rows <= kSortRun) return true;
        between();
        return changes_ == changesBefore;
    };
    auto cell = [&](RowId id) -> const std::string& { return store_[id].Cells[sortKey_]; };

    // Rows whose key cells hold the same text are next to each other in the order they were added:
    // only the distinct texts are sorted, then the rows are dealt out by their text's place.
    TextIdIndex textIndex;
    std::vector<RowId> firstRowOf;           // a row of each distinct text
    std::vector<std::uint32_t> textOf(rows); // each row's distinct text
    const auto textOfGroup = [&](TextIdIndex::Id text) { return std::string_view(cell(firstRowOf[text])); };
    for (std::size_t id = 0; id < rows; ++id) {
        const auto next = static_cast<TextIdIndex::Id>(firstRowOf.size());
        const TextIdIndex::Id text = textIndex.Insert(cell(static_cast<RowId>(id)), next, textOfGroup);
        if (text == next) firstRowOf.push_back(static_cast<RowId>(id));
        textOf[id] = text;
        if ((id + 1) % kSortRun == 0 && !pause()) return std::nullopt;
    }

    // The same order as before(), with each distinct text folded once instead of at every
    // comparison: folded texts compare as CollateText compares them until one differs, then the exact
    // texts. The distinct texts are sorted in runs that are then merged pairwise (events may run in
    // between); the leading bytes of the folded texts, kept beside them, decide most comparisons.
    struct Entry {
        std::uint64_t lead;
        std::uint32_t text;
    };
    const std::size_t texts = firstRowOf.size();
    std::vector<Entry> entries(texts);
    std::vector<std::string> folded(texts);
    for (std::size_t t = 0; t < texts; ++t) {
        FoldInto(folded[t], cell(firstRowOf[t]));
        entries[t] = {LeadOf(folded[t]), static_cast<std::uint32_t>(t)};
        if ((t + 1) % kSortRun == 0 && !pause()) return std::nullopt;
    }
    const bool ascending = sortOrder_ == SortDirection::Ascending;
    auto less = [&](const Entry& a, const Entry& b) {
        if (a.lead != b.lead) return ascending ? a.lead < b.lead : a.lead > b.lead;
        int c = folded[a.text].compare(folded[b.text]);
        if (c == 0) c = cell(firstRowOf[a.text]).compare(cell(firstRowOf[b.text]));
        return ascending ? c < 0 : c > 0; // distinct texts: never equal
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

    // Each text's first place in the new order, then the rows in the order added.
    std::vector<std::size_t> place(texts + 1, 0);
    for (std::size_t id = 0; id < rows; ++id)
        ++place[textOf[id] + 1];
    std::vector<std::size_t> start(texts, 0);
    std::size_t sum = 0;
    for (const Entry& e : entries) {
        start[e.text] = sum;
        sum += place[e.text + 1];
    }
    std::vector<RowId> ids(rows);
    for (std::size_t id = 0; id < rows; ++id)
        ids[start[textOf[id]]++] = static_cast<RowId>(id);
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
