#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// The LIKE patterns the program's users write: "*" any run of characters (also none), "?" one
// character, "#" one digit, "[list]" one character of the list (ranges such as a-z allowed),
// "[!list]" one character not in it; everything else matches itself. Letter case is ignored for every
// letter, not only ASCII. Texts are UTF-8.
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern, std::optional<char32_t> escape = std::nullopt);

    bool Matches(std::string_view text) const;

    // The same pattern as a regular expression for PostgreSQL's case-sensitive "~" operator, anchored
    // at both ends: every letter is spelled in each of its cases, so the rows matched do not depend on
    // the server's locale.
    std::string ToRegex() const;

    // The pattern's literal prefix when the rest is a single trailing "*" (or nothing): such
    // patterns can be answered through an index. `exact` tells whether there is no "*" at all.
    struct Prefix {
        std::string_view text;
        bool exact = false;
    };
    static std::optional<Prefix> IndexablePrefix(std::string_view pattern);

private:
    enum class Kind { Literal, AnyRun, AnyOne, Digit, Set, NegatedSet, Nothing };
    struct Token {
        Kind kind;
        char32_t ch = 0;                                   // Literal, folded
        std::vector<std::pair<char32_t, char32_t>> ranges; // Set, NegatedSet, folded
    };
    static bool TokenMatches(const Token& t, char32_t folded);

    // A pattern of "*" and ASCII characters that no other character folds to (every letter but i and
    // k, which U+0130 and U+212A fold to) matches the same texts byte by byte: in UTF-8 such a
    // character is always one byte of its own, never part of another character's bytes. Its runs of
    // characters between the "*"s, folded, are kept here and matched without decoding the text.
    struct Plain {
        std::vector<std::string> pieces; // the texts between "*"s, in order, ASCII lower case
        bool openStart = false;          // the pattern begins with "*"
        bool openEnd = false;            // the pattern ends with "*"
    };
    bool matchesPlain(std::string_view text) const;

    std::vector<Token> tokens_;
    std::optional<Plain> plain_;
};

} // namespace corvanth
