#include "StartPosition.h"

#include "DecimalText.h"
#include "TextCodec.h"

#include <cmath>
#include <limits>

namespace corvanth {

std::optional<double> ParseLocaleNumber(std::string_view text, const NumberFormat& format) {
    std::string plain;
    std::size_t pos = 0;
    bool seenDigit = false, seenDecimal = false, seenSign = false;
    text = TrimBlanks(text);
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
    return ParseDecimal(plain);
}

Outcome<std::int64_t> StartPosition::Resolve() const {
    if (const auto* n = std::get_if<std::int64_t>(&value_)) return Outcome<std::int64_t>::Of(*n);
    const auto& t = std::get<Text>(value_);
    const auto v = ParseLocaleNumber(t.text, t.format);
    if (!v) return Outcome<std::int64_t>::Failed("start position \"" + t.text + "\" is not a number");
    const double r = std::nearbyint(*v);
    // 2^63 is the first double past the largest position; every double below it converts exactly.
    constexpr double kPastLargest = 9223372036854775808.0;
    if (r >= kPastLargest)
        return Outcome<std::int64_t>::Failed("start position " + t.text + " is larger than any log can be");
    // A number below the smallest position is before the first byte all the same.
    if (r < -kPastLargest) return Outcome<std::int64_t>::Of(std::numeric_limits<std::int64_t>::min());
    return Outcome<std::int64_t>::Of(static_cast<std::int64_t>(r));
}

} // namespace corvanth
