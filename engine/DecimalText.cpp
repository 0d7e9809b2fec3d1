#include "DecimalText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace corvanth {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The index after the run of digits that starts at `i`; `count` grows by their number.
std::size_t SkipDigits(std::string_view t, std::size_t i, std::size_t& count) {
    while (i < t.size() && IsDigit(t[i]))
        ++i, ++count;
    return i;
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<double> ParseDecimal(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    std::size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) ++i;
    // from_chars takes no sign and no leading dot: the shape is checked here.
    std::size_t digits = 0;
    std::size_t j = SkipDigits(t, i, digits);
    if (j < t.size() && t[j] == '.') j = SkipDigits(t, j + 1, digits);
    if (digits == 0) return std::nullopt;
    if (j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        std::size_t exponentDigits = 0;
        k = SkipDigits(t, k, exponentDigits);
        if (exponentDigits == 0) return std::nullopt;
        j = k;
    }
    if (j != t.size()) return std::nullopt;
    const std::string body = (t[i] == '.' ? "0" : "") + std::string(t.substr(i, j - i));
    double v = 0;
    if (std::from_chars(body.data(), body.data() + body.size(), v).ec != std::errc{} || !std::isfinite(v))
        return std::nullopt;
    return negative ? -v : v;
}

std::optional<std::int64_t> ParseWholeNumber(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    std::size_t digits = 0;
    if (t.empty() || SkipDigits(t, 0, digits) != t.size()) return std::nullopt;
    std::int64_t v = 0;
    if (std::from_chars(t.data(), t.data() + t.size(), v).ec != std::errc{}) return std::nullopt;
    return v;
}

} // namespace corvanth
