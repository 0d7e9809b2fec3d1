#pragma once

#include "ResultRow.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

class ResultList;

// Whether the reader sees addresses whole (an admin) or masked (a moderator).
enum class AddressView { Full, Masked };

// A finished search's rows in their shown order, their five cells one after another in one text: a
// fraction of the memory of the list they were read from, so that the server can keep several wide
// results at once. Rows keep no key (a finished result is only read).
class PackedResult {
public:
    using Cells = std::array<std::string_view, kResultCellCount>;

    PackedResult() = default;
    // The rows of `list` in its shown order. Throws DatabaseError when their text passes 4 GiB.
    explicit PackedResult(const ResultList& list);

    std::size_t Count() const { return ends_.size() / kResultCellCount; }
    Cells Row(std::size_t index) const;
    // The memory the rows hold, in bytes.
    std::size_t Bytes() const { return text_.capacity() + ends_.capacity() * sizeof(std::uint32_t); }

    // The rows as a list (sorting off, so in this order), addresses as `view` shows them.
    std::unique_ptr<ResultList> ToList(AddressView view) const;

private:
    std::string text_;
    std::vector<std::uint32_t> ends_; // where each cell of each row ends in text_
};

} // namespace corvanth
