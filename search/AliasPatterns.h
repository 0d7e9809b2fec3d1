#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvanth {

// The address patterns a name search widens to, each once, in the order they were first asked for.
//
// A pattern made of digits and dots is an exact address; digits and dots up to the third dot and then
// one "*" is a /24. Both take the same rows whatever letter case or collation is in play, so a walk
// over the whole table can answer them instead of one look-up each: a row belongs to the exact
// pattern equal to its address, and to the /24 pattern of its first three octets. Any other pattern
// is left to its own address search.
class AliasPatterns {
public:
    enum class Shape { Exact, FirstThreeOctets, Other };

    // Adds a pattern; false when it was asked for before.
    bool Add(const std::string& pattern);

    std::size_t Count() const { return patterns_.size(); }
    const std::string& Pattern(std::size_t index) const { return patterns_[index].text; }
    Shape ShapeOf(std::size_t index) const { return patterns_[index].shape; }
    // How many patterns a table walk can answer (every shape but Other).
    std::size_t WalkableCount() const { return exact_.size() + firstThree_.size(); }

    // For a row's stored address: the exact pattern and the /24 pattern that take it, if asked for.
    std::optional<std::size_t> ExactOwner(std::string_view ip) const;
    std::optional<std::size_t> FirstThreeOctetsOwner(std::string_view ip) const;

    static Shape ShapeOfPattern(std::string_view pattern);

private:
    struct Entry {
        std::string text;
        Shape shape;
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Index = std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>>;

    std::vector<Entry> patterns_;
    Index all_;        // every pattern -> its index
    Index exact_;      // exact address -> index
    Index firstThree_; // "a.b.c." -> index of "a.b.c.*"
};

} // namespace corvanth
