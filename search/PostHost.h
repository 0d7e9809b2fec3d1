#pragma once

#include <chrono>
#include <cstddef>

namespace corvanth {

// What Post needs from whoever runs it: the window (its alias check boxes, lblMatches and the event
// loop), the command line, or a test.
class PostHost {
public:
    virtual ~PostHost() = default;
    // chkAliases ticked, chkAliases enabled, chkAliasBroad ticked; read afresh for every row.
    virtual bool aliasesTicked() const = 0;
    virtual bool aliasesEnabled() const = 0;
    virtual bool broadTicked() const = 0;
    // Lets pending events run (clicks, other searches, the progress tick).
    virtual void pumpEvents() = 0;
    // lblMatches: the number of rows in the list.
    virtual void setMatches(std::size_t count) = 0;
    // True when the walk is to end at its next row (the window is closing).
    virtual bool stopRequested() const { return false; }
    // The clock of the time limit and of the yields to pumpEvents(); tests replace it.
    virtual std::chrono::steady_clock::time_point now() const { return std::chrono::steady_clock::now(); }
};

} // namespace corvanth
