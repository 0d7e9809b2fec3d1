#include "AliasPatterns.h"

namespace corvanth {
namespace {

bool DigitsAndDots(std::string_view text) {
    for (const char c : text)
        if (!(c == '.' || (c >= '0' && c <= '9'))) return false;
    return true;
}

} // namespace

std::optional<std::string_view> FirstThreeOctets(std::string_view ip) {
    int dots = 0;
    for (std::size_t i = 0; i < ip.size(); ++i)
        if (ip[i] == '.' && ++dots == 3) return ip.substr(0, i + 1);
    return std::nullopt;
}

AliasPatterns::Shape AliasPatterns::ShapeOfPattern(std::string_view pattern) {
    if (pattern.empty()) return Shape::Other;
    if (DigitsAndDots(pattern)) return Shape::Exact;
    if (pattern.back() == '*') {
        const std::string_view prefix = pattern.substr(0, pattern.size() - 1);
        const auto three = FirstThreeOctets(prefix);
        if (three && three->size() == prefix.size() && DigitsAndDots(prefix)) return Shape::FirstThreeOctets;
    }
    return Shape::Other;
}

bool AliasPatterns::Add(std::string_view pattern) {
    const auto index = static_cast<TextIdIndex::Id>(patterns_.size());
    const Shape shape = ShapeOfPattern(pattern);
    // Each shape has its own index (a /24 by its "a.b.c."), which also tells whether it was asked for.
    patterns_.push_back({std::string(pattern), shape});
    TextIdIndex::Id owner = index;
    if (shape == Shape::Other) {
        owner = others_.Insert(pattern, index, [this](TextIdIndex::Id id) { return text(id); });
    } else {
        const std::string_view key = shape == Shape::Exact ? pattern : prefix(index);
        const std::uint64_t hash = TextIdIndex::Hash(key);
        owner = shape == Shape::Exact
                    ? exact_.Insert(key, hash, index, [this](TextIdIndex::Id id) { return text(id); })
                    : firstThree_.Insert(key, hash, index, [this](TextIdIndex::Id id) { return prefix(id); });
        if (owner == index) {
            if (walkFilter_.empty()) walkFilter_.assign((std::size_t{1} << kFilterBitsLog2) / 64, 0);
            const std::uint64_t bit = FilterBit(hash);
            walkFilter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
        }
    }
    if (owner != index) {
        patterns_.pop_back();
        return false;
    }
    return true;
}

AliasPatterns::Owners AliasPatterns::OwnersOf(std::string_view ip) const {
    Owners owners;
    if (exact_.Size() > 0) {
        const std::uint64_t hash = TextIdIndex::Hash(ip);
        if (mayOwn(hash))
            owners.exact = exact_.Find(ip, hash, [this](TextIdIndex::Id id) { return text(id); });
    }
    if (firstThree_.Size() > 0) {
        if (const auto three = FirstThreeOctets(ip)) {
            const std::uint64_t hash = TextIdIndex::Hash(*three);
            if (mayOwn(hash))
                owners.firstThree =
                    firstThree_.Find(*three, hash, [this](TextIdIndex::Id id) { return prefix(id); });
        }
    }
    return owners;
}

} // namespace corvanth
