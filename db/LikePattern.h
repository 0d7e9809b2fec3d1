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

    std::vector<Token> tokens_;
};

} // namespace corvanth
