// Inputs the fuzz targets found that once went wrong, fed again exactly as the target fed them.
#include "LikePattern.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace corvanth {
namespace {

std::string Finding(const std::string& name) {
    std::ifstream in(std::string(CORVANTH_HOSTILE_FINDINGS) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// fuzz_like_pattern: pattern up to the first NUL, text after it.
bool LikeFinding(const std::string& input) {
    const std::size_t nul = input.find('\0');
    return LikePattern(input.substr(0, nul)).Matches(input.substr(nul + 1));
}

TEST(FuzzFindings, RangeAcrossLetterCasesMatchesLettersOfEitherCase) {
    // "*[#-_]" against "kkkkkk": the range # to _ holds "K", so "k" belongs to it too.
    const std::string input = Finding("like_range_across_cases");
    ASSERT_FALSE(input.empty());
    ASSERT_EQ(input.substr(0, input.find('\0')), "*[#-_]");
    EXPECT_TRUE(LikeFinding(input));
    EXPECT_TRUE(LikePattern("[#-_]").Matches("k"));
    EXPECT_TRUE(LikePattern("[#-_]").Matches("K"));
    // Folding the ends of a range must not widen it: [0-Z] holds neither "_" nor "`".
    EXPECT_FALSE(LikePattern("[0-Z]").Matches("_"));
    EXPECT_FALSE(LikePattern("[0-Z]").Matches("`"));
    EXPECT_TRUE(LikePattern("[0-Z]").Matches("q"));
    EXPECT_FALSE(LikePattern("[!#-_]").Matches("k"));
    // Letters outside ASCII behave the same way.
    EXPECT_TRUE(LikePattern("[\xC3\x80-\xC3\x9E]").Matches("\xC3\xA9")) << "[À-Þ] holds é through É";
}

} // namespace
} // namespace corvanth
