#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvanth {

// The positions of one byte value in a text, in order. Each byte is compared once, 64 at a time into a
// bit mask, and each position found then costs a bit scan rather than a call: the scan's line ends and
// the separators of a userinfo line are a few dozen bytes apart.
class BytePositions {
public:
    static constexpr std::size_t kNone = std::string_view::npos;

    BytePositions(const char* data, std::size_t size, char byte) : data_(data), size_(size), byte_(byte) {
        if (size_ > 0) load();
    }

    // The index of the next occurrence, or kNone when the text holds no more.
    std::size_t next() {
        while (mask_ == 0) {
            chunk_ += kChunk;
            if (chunk_ >= size_) return kNone;
            load();
        }
        const std::size_t at = chunk_ + static_cast<std::size_t>(std::countr_zero(mask_));
        mask_ &= mask_ - 1;
        return at;
    }

private:
    static constexpr std::size_t kChunk = 64;

    void load() {
        const char* p = data_ + chunk_;
        const std::size_t n = std::min(kChunk, size_ - chunk_);
#if defined(__SSE2__)
        if (n == kChunk) {
            const __m128i wanted = _mm_set1_epi8(byte_);
            auto bits = [&](int i) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                return static_cast<std::uint64_t>(
                    static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted))));
            };
            mask_ = bits(0) | bits(1) << 16 | bits(2) << 32 | bits(3) << 48;
            return;
        }
#endif
        mask_ = 0;
        for (std::size_t i = 0; i < n; ++i)
            mask_ |= static_cast<std::uint64_t>(p[i] == byte_) << i;
    }

    const char* const data_;
    const std::size_t size_;
    const char byte_;
    std::size_t chunk_ = 0; // the index of the 64 bytes the mask covers
    std::uint64_t mask_ = 0;
};

} // namespace corvanth
