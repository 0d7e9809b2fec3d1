#pragma once

#include <cstddef>

namespace corvanth {

// Follows the changes of a ResultList (a view's model). Rows are only ever added or all removed or
// reordered at once; an "about to" call always precedes its matching change call.
class ResultListObserver {
public:
    virtual ~ResultListObserver() = default;
    // Every row is about to be removed or reordered (clearing, sorting).
    virtual void listAboutToReset() = 0;
    virtual void listReset() = 0;
    // The same rows are about to be put in another order (sorting), and have been. An observer that
    // does not follow rows treats it as a reset.
    virtual void listAboutToReorder() { listAboutToReset(); }
    virtual void listReordered() { listReset(); }
    // `count` rows are about to be inserted so that the first of them has index `first`.
    virtual void rowsAboutToBeInserted(std::size_t first, std::size_t count) = 0;
    virtual void rowsInserted(std::size_t first, std::size_t count) = 0;
};

} // namespace corvanth
