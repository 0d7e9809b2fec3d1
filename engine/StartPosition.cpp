#include "StartPosition.h"

#include "TextCodec.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace corvanth {

std::optional<double> ParseLocaleNumber(std::string_view text, const NumberFormat& format) {
    std::string plain;
    std::size_t pos = 0;
    bool seenDigit = false, seenDecimal = false, seenSign = false;
    // Skip leading blanks.
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    std::size_t end = text.size();
    while (end > pos && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    text = text.substr(0, end);
    while (pos < text.size()) {
        const char32_t cp = NextCodePoint(text, pos);
        if (cp >= U'0' && cp <= U'9') {
            plain.push_back(static_cast<char>(cp));
            seenDigit = true;
        } else if ((cp == U'+' || cp == U'-') && !seenSign && !seenDigit && !seenDecimal) {
            seenSign = true;
            if (cp == U'-') plain.push_back('-');
        } else if (cp == format.decimalSeparator && !seenDecimal) {
            seenDecimal = true;
            plain.push_back('.');
        } else if (cp == format.groupSeparator && seenDigit && !seenDecimal) {
            // grouping inside the whole part is ignored
        } else if ((cp == U'\u00A0' || cp == U'\u202F') && format.groupSeparator == U' ' && seenDigit) {
            // a locale that groups with a space may write a no-break space
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) return std::nullopt;
    double v = 0;
    const char* first = plain.data();
    if (auto [p, ec] = std::from_chars(first, plain.data() + plain.size(), v);
        ec != std::errc{} || p != plain.data() + plain.size())
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> StartPosition::Resolve() const {
    if (const auto* n = std::get_if<std::int64_t>(&value_)) return *n;
    const auto& t = std::get<Text>(value_);
    const auto v = ParseLocaleNumber(t.text, t.format);
    if (!v) return std::nullopt;
    const double r = std::nearbyint(*v);
    if (r < static_cast<double>(std::numeric_limits<std::int64_t>::min()) ||
        r > static_cast<double>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    return static_cast<std::int64_t>(r);
}

} // namespace corvanth
