#include "Collation.h"

#include "TextCodec.h"

namespace corvanth {

int CollateText(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = NextFoldedCodePoint(a, i);
        const char32_t y = NextFoldedCodePoint(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    // Equal apart from letter case: UTF-8 byte order is code point order.
    const int exact = a.compare(b);
    return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

} // namespace corvanth
