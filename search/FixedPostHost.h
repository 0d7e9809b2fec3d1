#pragma once

#include "PostHost.h"

#include <cstddef>
#include <functional>
#include <utility>

namespace corvanth {

// Which aliases a search lists where no check boxes are there to say it.
enum class Aliases { Off, SameAddress, SameFirstThreeOctets };

// Post's host where the alias choice is fixed for the whole search (the command line, the benchmark).
// It keeps the last count and counts the hand-overs; `pump`, when given, lets pending events run.
class FixedPostHost : public PostHost {
public:
    explicit FixedPostHost(Aliases aliases, std::function<void()> pump = {})
        : aliases_(aliases), pump_(std::move(pump)) {}

    bool aliasesTicked() const override { return aliases_ != Aliases::Off; }
    bool aliasesEnabled() const override { return true; }
    bool broadTicked() const override { return aliases_ == Aliases::SameFirstThreeOctets; }
    void pumpEvents() override {
        ++pumps_;
        if (pump_) pump_();
    }
    void setMatches(std::size_t count) override { matches_ = count; }

    std::size_t matches() const { return matches_; }
    std::size_t pumps() const { return pumps_; }

private:
    Aliases aliases_;
    std::function<void()> pump_;
    std::size_t matches_ = 0;
    std::size_t pumps_ = 0;
};

} // namespace corvanth
