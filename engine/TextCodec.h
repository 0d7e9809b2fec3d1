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

// Simple case folding for every letter the C library knows (not only ASCII).
char32_t FoldCodePoint(char32_t cp);
// The upper-case partner of a character (the character itself when it has none).
char32_t UpperCodePoint(char32_t cp);
std::string FoldCase(std::string_view utf8);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool IsAscii(std::string_view text);

} // namespace corvanth
