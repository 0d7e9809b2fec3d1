#pragma once

#include <string>
#include <string_view>

namespace corvanth {

// A name without its caret colour codes: "^" removes itself and the character after it.
// Works on UTF-8 text; "the character after" is one whole code point.
std::string StripName(std::string_view name);

// Stored form of a player name: every apostrophe becomes "ö" (U+00F6).
std::string EncodeName(std::string_view name);
// Shown form: every "ö" becomes an apostrophe.
std::string DecodeName(std::string_view name);

// The same two rules on Windows-1252 bytes, where "ö" is the single byte 0xF6.
std::string EncodeName1252(std::string_view bytes);
// The same into a string the caller reuses (its old content is replaced).
void EncodeName1252(std::string_view bytes, std::string& out);

} // namespace corvanth
