#include "TextCodec.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace corvanth {
namespace {

// The 32 characters of 0x80..0x9F; the five bytes the code page leaves undefined map to the control
// character of the same value.
constexpr char32_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A locale object for towlower_l; created once, never changed, so it is not mutable state.
locale_t Utf8Locale() {
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

} // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    Windows1252ToUtf8(bytes, out);
    return out;
}

void Windows1252ToUtf8(std::string_view bytes, std::string& out) {
    std::size_t ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80)
        ++ascii;
    out.assign(bytes.substr(0, ascii));
    if (ascii == bytes.size()) return;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char b : bytes.substr(ascii)) {
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else if (b < 0xA0) {
            AppendUtf8(out, kHighControls[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
}

char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + len > s.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t FoldCodePoint(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(AsciiLower(static_cast<char>(cp)));
    const locale_t loc = Utf8Locale();
    if (!loc) return cp;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
}

char32_t NextFoldedCodePoint(std::string_view text, std::size_t& pos) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
        ++pos;
        return static_cast<unsigned char>(AsciiLower(static_cast<char>(b)));
    }
    return FoldCodePoint(NextCodePoint(text, pos));
}

char32_t UpperCodePoint(char32_t cp) {
    if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
    const locale_t loc = Utf8Locale();
    if (!loc) return cp;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), loc));
}

std::string FoldCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (pos < s.size())
        AppendUtf8(out, NextFoldedCodePoint(s, pos));
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (NextFoldedCodePoint(a, i) != NextFoldedCodePoint(b, j)) return false;
    }
    return i == a.size() && j == b.size();
}

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

} // namespace corvanth
