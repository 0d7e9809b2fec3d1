#include "PackedResult.h"

#include "AddressRules.h"
#include "DatabaseError.h"
#include "ResultList.h"

namespace corvanth {

PackedResult::PackedResult(const ResultList& list) {
    std::size_t bytes = 0;
    list.ForEachRow([&](const ResultRow& row) {
        for (const std::string& cell : row.Cells)
            bytes += cell.size();
    });
    if (bytes > UINT32_MAX) throw DatabaseError("the result is too large to keep");
    text_.reserve(bytes);
    ends_.reserve(list.Count() * kResultCellCount);
    list.ForEachRow([&](const ResultRow& row) {
        for (const std::string& cell : row.Cells) {
            text_ += cell;
            ends_.push_back(static_cast<std::uint32_t>(text_.size()));
        }
    });
}

PackedResult::Cells PackedResult::Row(std::size_t index) const {
    Cells cells;
    std::size_t start = index == 0 ? 0 : ends_[index * kResultCellCount - 1];
    for (std::size_t i = 0; i < kResultCellCount; ++i) {
        const std::size_t end = ends_[index * kResultCellCount + i];
        cells[i] = std::string_view(text_).substr(start, end - start);
        start = end;
    }
    return cells;
}

std::unique_ptr<ResultList> PackedResult::ToList(AddressView view) const {
    auto list = std::make_unique<ResultList>();
    list->Reserve(Count());
    for (std::size_t i = 0; i < Count(); ++i) {
        const Cells cells = Row(i);
        ResultRow row;
        for (std::size_t c = 0; c < kResultCellCount; ++c)
            row.Cells[c] = cells[c];
        if (view == AddressView::Masked) row.Cell(ResultCell::IP) = MaskAddress(cells[2]);
        list->Add(std::move(row));
    }
    return list;
}

} // namespace corvanth
