#include "DecimalText.h"
#include "NameText.h"
#include "StartPosition.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <limits>

using namespace corvanth;

TEST(StripName, RemovesEveryCaretAndTheCharacterAfterIt) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},           {"^1A^2c^3e", "Ace"}, {"^1^2Name", "Name"}, {"^^1X", "1X"}, {"^^", ""},
        {"Name^", "Name^"}, {"^", "^"},           {"^1Ace^", "Ace^"},   {"a^^^b", "a"}, {"^\xC3\xB6x", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripName(c.in), c.out) << "input: " << c.in;
}

TEST(NameText, EncodeAndDecodeTheApostrophe) {
    EXPECT_EQ(EncodeName("O'Neil"), "O\xC3\xB6Neil");
    EXPECT_EQ(EncodeName("''"), "\xC3\xB6\xC3\xB6");
    EXPECT_EQ(DecodeName("O\xC3\xB6Neil"), "O'Neil");
    EXPECT_EQ(DecodeName("B\xC3\xB6rk"), "B'rk"); // a real "ö" is shown as an apostrophe too
    EXPECT_EQ(EncodeName(EncodeName("a'b")), EncodeName("a'b"));
    EXPECT_EQ(EncodeName1252("a'b"), "a\xF6"
                                     "b");
    EXPECT_EQ(Windows1252ToUtf8(EncodeName1252("a'b")), EncodeName("a'b"));
}

TEST(TextCodec, Windows1252MapsEveryByte) {
    EXPECT_EQ(Windows1252ToUtf8("abc"), "abc");
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");     // undefined byte: the control character
    EXPECT_EQ(Windows1252ToUtf8("\xE9"), "\xC3\xA9");     // é
    EXPECT_EQ(Windows1252ToUtf8(std::string("\0x", 2)), std::string("\0x", 2));
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = Windows1252ToUtf8(one);
        std::size_t pos = 0;
        NextCodePoint(utf8, pos);
        EXPECT_EQ(pos, utf8.size()) << "byte " << b << " must become exactly one character";
    }
}

TEST(TextCodec, FoldsEveryLetterNotOnlyAscii) {
    EXPECT_TRUE(EqualsIgnoringCase("ÄRGER", "ärger"));
    EXPECT_TRUE(EqualsIgnoringCase("/Logs/Games.LOG", "/logs/games.log"));
    EXPECT_FALSE(EqualsIgnoringCase("abc", "abcd"));
    EXPECT_EQ(FoldCase("ΣΟΦΊΑ"), FoldCase("σοφία"));
    // No letters, at both edges of each encoded length: folding gives back the same bytes.
    for (const char* edge : {"\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xEF\xBF\xBF",
                             "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_EQ(FoldCase(edge), edge);
    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint("\xC3", pos), U'\uFFFD'); // truncated sequence
    EXPECT_EQ(pos, 1u);
    // "/" in more bytes than it needs, and the first and last surrogates, which UTF-8 never encodes
    for (const char* invalid : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xED\xBF\xBF"}) {
        pos = 0;
        EXPECT_EQ(NextCodePoint(invalid, pos), U'\uFFFD');
        EXPECT_EQ(pos, 1u);
    }
}

// No-break spaces group like spaces; no grouping after the decimal separator.
TEST(ParseLocaleNumber, AcceptsWhatTheStartFieldShows) {
    const NumberFormat english{U',', U'.'}, german{U'.', U','}, spaced{U' ', U','};
    const std::optional<double> none;
    const struct {
        const char* text;
        NumberFormat format;
        std::optional<double> value;
    } cases[] = {{"1", english, 1},        {"1,234,567", english, 1234567},
                 {" 42 ", english, 42},    {"1.0", english, 1},
                 {"-5", english, -5},      {"1.234.567", german, 1234567},
                 {"2,5", german, 2.5},     {"1\u00A0234\u202F567", spaced, 1234567},
                 {"", english, none},      {"abc", english, none},
                 {"12a", english, none},   {"1.2.3", english, none},
                 {"1.5,0", english, none}, {",", english, none}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseLocaleNumber(c.text, c.format), c.value) << c.text;
}

TEST(StartPosition, ResolvesNumbersAndTexts) {
    const struct {
        StartPosition start;
        std::optional<std::int64_t> position;
        const char* reason;
    } cases[] = {
        {StartPosition(812), 812, ""},
        {StartPosition(std::string("1,024")), 1024, ""},
        {StartPosition(std::string("2.5")), 2, ""}, // halves to even
        {StartPosition(std::string("3.5")), 4, ""},
        {StartPosition(std::string("-99999999999999999999")), std::numeric_limits<std::int64_t>::min(), ""},
        {StartPosition(std::string("x")), std::nullopt, "start position \"x\" is not a number"},
        {StartPosition(std::string("99999999999999999999")), std::nullopt,
         "start position 99999999999999999999 is larger than any log can be"},
        {StartPosition(std::string("9223372036854775808")), std::nullopt, // 2^63, one past the largest
         "start position 9223372036854775808 is larger than any log can be"},
    };
    for (const auto& c : cases) {
        const auto resolved = c.start.Resolve();
        EXPECT_EQ(resolved ? std::optional(*resolved) : std::nullopt, c.position) << c.reason;
        EXPECT_EQ(resolved.reason(), c.reason);
    }
}

TEST(DecimalText, ParsesPlainNumbers) {
    const std::pair<const char*, std::optional<double>> decimals[] = {
        {" -2.5e1\t", -25.0},    {".5", 0.5},          {"5.", 5.0},
        {"1e999", std::nullopt}, {"1e", std::nullopt}, {".", std::nullopt}};
    for (const auto& [text, value] : decimals)
        EXPECT_EQ(ParseDecimal(text), value) << text;
    EXPECT_EQ(ParseWholeNumber(" 1890 "), 1890);
    EXPECT_EQ(ParseWholeNumber("+812"), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("99999999999999999999"), std::nullopt);
    EXPECT_EQ(TrimBlanks(" \t a b \t"), "a b");
}
