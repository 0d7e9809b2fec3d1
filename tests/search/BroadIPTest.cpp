#include "Post.h"

#include <gtest/gtest.h>

namespace corvanth {
namespace {

struct BroadCase {
    const char* ip;
    const char* pattern;
};

class BroadIPTest : public ::testing::TestWithParam<BroadCase> {};

TEST_P(BroadIPTest, KeepsTheFirstThreeOctets) {
    EXPECT_EQ(BroadIP(GetParam().ip), GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Addresses, BroadIPTest,
                         ::testing::Values(BroadCase{"10.0.0.7", "10.0.0.*"},
                                           BroadCase{"192.168.100.254", "192.168.100.*"}, BroadCase{"", ""},
                                           BroadCase{"10", "10"}, BroadCase{"10.0", "10.0"},
                                           BroadCase{"10.0.0", "10.0.0"}, BroadCase{"10.0.0.", "10.0.0.*"},
                                           BroadCase{"1.2.3.4.5", "1.2.3.*"}, BroadCase{"...", "...*"},
                                           BroadCase{"a.b.c.d", "a.b.c.*"}, BroadCase{"1.2.3.*", "1.2.3.*"},
                                           BroadCase{"bot", "bot"}));

} // namespace
} // namespace corvanth
