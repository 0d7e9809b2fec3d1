#include "PgText.h"

#include "DatabaseError.h"
#include "TextCodec.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <vector>

namespace corvanth {

std::string ToServerText(std::string_view text) {
    std::string out(text);
    ToServerText(out);
    return out;
}

void ToServerText(std::string& text) {
    for (std::size_t at; (at = text.find('\0')) != std::string::npos;)
        text.replace(at, 1, kServerNul);
}

bool FromServerText(std::string_view text, std::string& out) {
    std::size_t at = text.find(kServerNul);
    if (at == std::string_view::npos) return false;
    out.clear();
    std::size_t from = 0;
    for (; at != std::string_view::npos; at = text.find(kServerNul, from)) {
        out.append(text.substr(from, at - from)).push_back('\0');
        from = at + kServerNul.size();
    }
    out.append(text.substr(from));
    return true;
}

void AppendServerFold(std::string& out, std::string_view utf8) {
    if (IsAscii(utf8)) { // ICU's root lower case of ASCII is ASCII's
        const std::size_t at = out.size();
        out.append(utf8);
        std::transform(out.begin() + static_cast<std::ptrdiff_t>(at), out.end(),
                       out.begin() + static_cast<std::ptrdiff_t>(at), AsciiLower);
        return;
    }
    const auto fail = [](UErrorCode code) {
        throw DatabaseError(std::string("cannot fold a text's letter case: ") + u_errorName(code));
    };
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> wide(utf8.size() + 1);
    std::int32_t wideLength = 0;
    u_strFromUTF8WithSub(wide.data(), static_cast<std::int32_t>(wide.size()), &wideLength, utf8.data(),
                         static_cast<std::int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) fail(status);
    // Lower case may grow a text (U+0130 becomes two characters): the length needed is asked first.
    std::vector<UChar> lower(static_cast<std::size_t>(wideLength) + 16);
    std::int32_t lowerLength = u_strToLower(lower.data(), static_cast<std::int32_t>(lower.size()),
                                            wide.data(), wideLength, "", &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        lower.resize(static_cast<std::size_t>(lowerLength));
        lowerLength = u_strToLower(lower.data(), lowerLength, wide.data(), wideLength, "", &status);
    }
    if (U_FAILURE(status)) fail(status);
    std::int32_t bytes = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &bytes, lower.data(), lowerLength, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) fail(status);
    status = U_ZERO_ERROR;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    u_strToUTF8(out.data() + at, bytes, nullptr, lower.data(), lowerLength, &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) fail(status);
}

} // namespace corvanth
