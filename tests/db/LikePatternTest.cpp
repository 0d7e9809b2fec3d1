#include "LikePattern.h"

#include <gtest/gtest.h>

using namespace corvanth;

TEST(LikePattern, MatchesLikeTheUserExpects) {
    const struct {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"*", "", true},
        {"*", "anything", true},
        {"", "", true},
        {"", "a", false},
        {"a*", "ABC", true},
        {"*c", "abC", true},
        {"*b*", "abc", true},
        {"*x*", "abc", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"?", "ö", true},
        {"#", "7", true},
        {"#", "x", false},
        {"##.#", "12.5", true},
        {"[abc]", "B", true},
        {"[abc]", "d", false},
        {"[!abc]", "d", true},
        {"[!abc]", "a", false},
        {"[a-c]x", "Bx", true},
        {"[0-9]*", "5z", true},
        {"[*]", "*", true},
        {"[?]", "a", false},
        {"[#]", "#", true},
        {"a[", "a[", true},
        {"ä", "Ä", true},
        {"ÄRGER", "ärger", true},
        {"σ*", "Σοφία", true},
        {"*ace*", "^1Ace", true},
        {"**a", "ba", true},
        {"*a*a*a", "aaa", true},
        {"*a*a*a", "aa", false},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"10.0.0.*", "10.0.0.7", true},
        {"10.0.0.*", "10.0.1.7", false},
        {"[]a", "a", true},
        {"x'y", "X'Y", true},
        // A range holds both cases of the letters in it ("K" lies between "#" and "_", so "k" matches),
        // and folding its ends does not widen it.
        {"*[#-_]", "kkkkkk", true},
        {"[!#-_]", "k", false},
        {"[0-Z]", "_", false},
        {"[0-Z]", "`", false},
        {"[0-Z]", "q", true},
        {"[\xC3\x80-\xC3\x9E]", "\xC3\xA9", true},
        // Kelvin sign and dotted capital I fold onto k and i; other letters only match themselves.
        {"*k*", "\xE2\x84\xAA", true},
        {"*i", "x\xC4\xB0", true},
        {"a*e", "a\xC3\xA9", false},
        {"*a*", "\xC3\x61", true}, // a lead byte without its continuation, then "a"
        {"ab*ba", "aba", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LikePattern(c.pattern).Matches(c.text), c.match)
            << "'" << c.text << "' LIKE '" << c.pattern << "'";
}

TEST(LikePattern, EscapeMakesTheNextCharacterLiteral) {
    EXPECT_TRUE(LikePattern("a\\*", U'\\').Matches("a*"));
    EXPECT_FALSE(LikePattern("a\\*", U'\\').Matches("ab"));
}

TEST(LikePattern, MalformedTextNeverBreaksTheWalk) {
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
