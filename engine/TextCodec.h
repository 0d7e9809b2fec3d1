#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvanth {

// Log bytes are Windows-1252: one byte is one character. Everything inside the program is UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);
// The same into a buffer the caller reuses (its old content is replaced).
void Windows1252ToUtf8(std::string_view bytes, std::string& out);

// Decodes one UTF-8 code point at `pos` and advances it. Malformed input yields U+FFFD for one byte,
// so every byte sequence decodes and the walk always makes progress.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

void AppendUtf8(std::string& out, char32_t cp);

// A to Z become a to z; every other byte stays as it is.
constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Simple case folding for every letter the C library knows (not only ASCII).
char32_t FoldCodePoint(char32_t cp);
// Decodes the code point at `pos`, advances past it and returns it folded (ASCII without a look-up).
char32_t NextFoldedCodePoint(std::string_view text, std::size_t& pos);
// The upper-case partner of a character (the character itself when it has none).
char32_t UpperCodePoint(char32_t cp);
std::string FoldCase(std::string_view utf8);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool IsAscii(std::string_view text);

} // namespace corvanth
