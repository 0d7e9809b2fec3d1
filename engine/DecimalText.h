#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvanth {

// The text without the spaces and tabs around it.
std::string_view TrimBlanks(std::string_view text);

// A decimal number in plain notation, blanks around it allowed: an optional sign, digits with at most
// one dot (".5" and "5." included) and an optional exponent. Nothing for any other text, and for a
// number too large for a double.
std::optional<double> ParseDecimal(std::string_view text);

// A whole number written only with the digits 0 to 9, blanks around it allowed. Nothing for any
// other text, and for a number too large for 64 bits.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

} // namespace corvanth
