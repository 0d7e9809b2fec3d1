#include "LargeArray.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace corvanth;

// Arrays on both sides of the size that is mapped on its own keep their elements as they grow block by
// block (each growth copies into a new block and gives the old one back) and when copied.
TEST(LargeArray, KeepsItsElementsAcrossGrowthAndCopies) {
    constexpr std::size_t kThreshold = kLargeBlockBytes / sizeof(std::uint32_t);
    for (const std::size_t count : {std::size_t{1}, kThreshold - 1, kThreshold, 3 * kThreshold + 5}) {
        LargeArray<std::uint32_t> values;
        for (std::size_t i = 0; i < count; ++i)
            values.push_back(static_cast<std::uint32_t>(i * 2654435761u));
        const LargeArray<std::uint32_t> copy = values;
        values.shrink_to_fit();
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(values[i], static_cast<std::uint32_t>(i * 2654435761u))
                << count << " elements, at " << i;
            ASSERT_EQ(copy[i], values[i]) << count << " elements, at " << i;
        }
        if (count >= kThreshold) { // a huge page can only start on a multiple of its size
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(values.data()) % kLargeBlockBytes, 0u) << count;
        }
    }
}
