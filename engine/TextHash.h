#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace corvanth {

// A quick hash of a short text (a name, an address, a pair key): eight bytes at a time, each word
// mixed in by a multiply; the result spread over every bit, so that the low bits (a table slot) and
// the high bits are both usable.
inline std::uint64_t TextHash(std::string_view text) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = text.size() * kMultiplier;
    const char* p = text.data();
    std::size_t left = text.size();
    for (; left >= 8; p += 8, left -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = std::rotl((h ^ word) * kMultiplier, 29);
    }
    std::uint64_t word = 0;
    if (left > 0) std::memcpy(&word, p, left);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 29);
}

} // namespace corvanth
