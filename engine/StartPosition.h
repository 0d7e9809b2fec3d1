#pragma once

#include "Outcome.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace corvanth {

// How the user's number format writes numbers: the window passes the system locale's separators.
struct NumberFormat {
    char32_t groupSeparator = U',';
    char32_t decimalSeparator = U'.';
};

// A number as the user typed it: surrounding blanks, a sign, group separators and a decimal
// separator are accepted. Empty text is not a number.
std::optional<double> ParseLocaleNumber(std::string_view text, const NumberFormat& format = {});

// Where a run starts: a position or the text of the start-position field.
class StartPosition {
public:
    StartPosition(std::int64_t position) : value_(position) {} // NOLINT: a number is a start position
    StartPosition(std::string text, NumberFormat format = {}) : value_(Text{std::move(text), format}) {}

    // The whole number the start denotes (halves rounded to even), or why the text denotes none: it is
    // no number, or a number too large for any position.
    Outcome<std::int64_t> Resolve() const;

private:
    struct Text {
        std::string text;
        NumberFormat format;
    };
    std::variant<std::int64_t, Text> value_;
};

} // namespace corvanth
