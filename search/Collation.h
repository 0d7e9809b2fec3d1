#pragma once

#include <string_view>

namespace corvanth {

// The order in which the result list sorts cell texts: letter case is ignored first (every letter
// the C library can fold, not only A to Z, compared code point by code point), and texts that are
// equal that way are ordered by their exact code points, so "abc" < "ABD" and "ABC" < "abc".
// Addresses, dates and the referee words sort as text. Returns <0, 0 or >0.
int CollateText(std::string_view a, std::string_view b);

} // namespace corvanth
