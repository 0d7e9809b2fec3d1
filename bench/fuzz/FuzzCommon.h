#pragma once

#include "RecordingSink.h"
#include "TextCodec.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace corvanth::fuzz {

using test::RecordingSink;

// Stops the fuzzer with a message: libFuzzer reports the abort as a crash and keeps the input.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Strict UTF-8 validity: what the engine hands to the database must always be well-formed. The
// decoder yields U+FFFD for a malformed byte; a U+FFFD written out in full is well-formed.
inline bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t at = i;
        if (NextCodePoint(s, i) == 0xFFFD && s.substr(at, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

} // namespace corvanth::fuzz
