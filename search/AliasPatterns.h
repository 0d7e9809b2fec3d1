#pragma once

#include "LargeArray.h"
#include "TextIdIndex.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// The text of an address up to and including its third dot ("10.0.0." of "10.0.0.7"), or nothing when
// it has fewer than three dots.
std::optional<std::string_view> FirstThreeOctets(std::string_view ip);

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
    bool Add(std::string_view pattern);

    std::size_t Count() const { return patterns_.size(); }
    const std::string& Pattern(std::size_t index) const { return patterns_[index].text; }
    Shape ShapeOf(std::size_t index) const { return patterns_[index].shape; }
    // How many patterns a table walk can answer (every shape but Other).
    std::size_t WalkableCount() const { return exact_.Size() + firstThree_.Size(); }

    // The patterns that take a row with this stored address: the exact one and the /24 one, if
    // asked for. Most addresses of a table walk belong to no pattern; a bit per hash of each exact
    // address and /24 prefix answers most of them at once, from the hash the index then uses.
    struct Owners {
        std::optional<std::size_t> exact;
        std::optional<std::size_t> firstThree;
    };
    Owners OwnersOf(std::string_view ip) const;

    static Shape ShapeOfPattern(std::string_view pattern);

private:
    struct Entry {
        std::string text;
        Shape shape;
    };
    std::string_view text(TextIdIndex::Id id) const { return patterns_[id].text; }
    // "a.b.c." of the pattern "a.b.c.*"
    std::string_view prefix(TextIdIndex::Id id) const {
        const std::string& t = patterns_[id].text;
        return std::string_view(t).substr(0, t.size() - 1);
    }

    static constexpr unsigned kFilterBitsLog2 = 20; // 128 KiB, to stay in the cache
    // The filter takes the top bits of a text's hash; the index starts from the low ones.
    static std::uint64_t FilterBit(std::uint64_t hash) { return hash >> (64 - kFilterBitsLog2); }
    bool mayOwn(std::uint64_t hash) const {
        const std::uint64_t bit = FilterBit(hash);
        return (walkFilter_[bit / 64] >> (bit % 64)) & 1u;
    }

    LargeArray<Entry> patterns_;
    TextIdIndex exact_;                    // exact addresses
    TextIdIndex firstThree_;               // /24 patterns by their "a.b.c."
    TextIdIndex others_;                   // every other pattern
    LargeArray<std::uint64_t> walkFilter_; // a bit for each exact address and /24 prefix
};

} // namespace corvanth
