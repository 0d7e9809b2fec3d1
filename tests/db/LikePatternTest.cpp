#include "LikePattern.h"

#include <gtest/gtest.h>

#include <vector>

using namespace corvanth;

// A range holds both cases of the letters in it ("K" lies between "#" and "_", so "k" matches), and
// folding its ends does not widen it. The Kelvin sign and the dotted capital I fold onto k and i; other
// letters only match themselves. "\xC3\x61" is a lead byte without its continuation, then "a".
TEST(LikePattern, MatchesLikeTheUserExpects) {
    using Case = std::pair<const char*, const char*>; // pattern, text
    const std::vector<Case> wildcards = {{"*", ""},         {"*", "anything"},    {"", ""},
                                         {"*b*", "abc"},    {"a?c", "abc"},       {"?", "ö"},
                                         {"#", "7"},        {"##.#", "12.5"},     {"**a", "ba"},
                                         {"*a*a*a", "aaa"}, {"a*b*c", "axxbyyc"}, {"10.0.0.*", "10.0.0.7"}};
    const std::vector<Case> sets = {{"[!abc]", "d"}, {"[0-9]*", "5z"}, {"[*]", "*"},
                                    {"[#]", "#"},    {"a[", "a["},     {"[]a", "a"}};
    const std::vector<Case> matchesIgnoringCase = {
        {"a*", "ABC"},           {"*c", "abC"},       {"[abc]", "B"},
        {"[a-c]x", "Bx"},        {"ä", "Ä"},          {"ÄRGER", "ärger"},
        {"σ*", "Σοφία"},         {"*ace*", "^1Ace"},  {"x'y", "X'Y"},
        {"*[#-_]", "kkkkkk"},    {"[0-Z]", "q"},      {"[\xC3\x80-\xC3\x9E]", "\xC3\xA9"},
        {"*k*", "\xE2\x84\xAA"}, {"*i", "x\xC4\xB0"}, {"*a*", "\xC3\x61"}};
    const Case misses[] = {{"", "a"},           {"*x*", "abc"},           {"a?c", "ac"},   {"#", "x"},
                           {"[abc]", "d"},      {"[!abc]", "a"},          {"[?]", "a"},    {"*a*a*a", "aa"},
                           {"a*b*c", "axxbyy"}, {"10.0.0.*", "10.0.1.7"}, {"[!#-_]", "k"}, {"[0-Z]", "_"},
                           {"[0-Z]", "`"},      {"a*e", "a\xC3\xA9"},     {"ab*ba", "aba"}};
    for (const auto* matches : {&wildcards, &sets, &matchesIgnoringCase})
        for (const auto& [pattern, text] : *matches)
            EXPECT_TRUE(LikePattern(pattern).Matches(text)) << "'" << text << "' LIKE '" << pattern << "'";
    for (const auto& [pattern, text] : misses)
        EXPECT_FALSE(LikePattern(pattern).Matches(text)) << "'" << text << "' NOT LIKE '" << pattern << "'";
}

// An escape makes the next character literal; malformed text never breaks the walk.
TEST(LikePattern, EscapesAndMalformedText) {
    EXPECT_TRUE(LikePattern("a\\*", U'\\').Matches("a*"));
    EXPECT_FALSE(LikePattern("a\\*", U'\\').Matches("ab"));
    EXPECT_FALSE(LikePattern("a").Matches("\xC3"));
    EXPECT_TRUE(LikePattern("?").Matches("\xFF"));
    EXPECT_TRUE(LikePattern("*").Matches(std::string("\0\xFE", 2)));
}

TEST(LikePattern, IndexablePrefixes) {
    EXPECT_EQ(LikePattern::IndexablePrefix("10.0.0.7")->text, "10.0.0.7");
    EXPECT_TRUE(LikePattern::IndexablePrefix("10.0.0.7")->exact);
    EXPECT_EQ(LikePattern::IndexablePrefix("10.0.0.*")->text, "10.0.0.");
    EXPECT_FALSE(LikePattern::IndexablePrefix("10.0.0.*")->exact);
    EXPECT_FALSE(LikePattern::IndexablePrefix("10.*.0.1"));
    EXPECT_FALSE(LikePattern::IndexablePrefix("10.0.0.?"));
    EXPECT_FALSE(LikePattern::IndexablePrefix("1[0]"));
}
