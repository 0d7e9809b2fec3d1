#include "AliasPatterns.h"

namespace corvanth {
namespace {

bool DigitsAndDots(std::string_view text) {
    for (const char c : text)
        if (!(c == '.' || (c >= '0' && c <= '9'))) return false;
    return true;
}

// The text up to and including the third dot, or nothing when there are fewer than three dots.
std::optional<std::string_view> FirstThreeOctets(std::string_view ip) {
    int dots = 0;
    for (std::size_t i = 0; i < ip.size(); ++i)
        if (ip[i] == '.' && ++dots == 3) return ip.substr(0, i + 1);
    return std::nullopt;
}

} // namespace

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
    auto textOf = [this](TextIdIndex::Id id) { return text(id); };
    TextIdIndex::Id owner = index;
    if (shape == Shape::Exact)
        owner = exact_.Insert(pattern, index, textOf);
    else if (shape == Shape::FirstThreeOctets)
        owner = firstThree_.Insert(prefix(index), index, [this](TextIdIndex::Id id) { return prefix(id); });
    else
        owner = others_.Insert(pattern, index, textOf);
    if (owner != index) {
        patterns_.pop_back();
        return false;
    }
    walkFilter_.clear(); // made again for the next walk
    return true;
}

void AliasPatterns::PrepareWalk() {
    walkFilter_.assign(kFilterBits / 64, 0);
    for (const Entry& e : patterns_) {
        if (e.shape == Shape::Other) continue;
        const std::uint32_t bit =
            FilterBit(e.shape == Shape::Exact ? std::string_view(e.text)
                                              : std::string_view(e.text).substr(0, e.text.size() - 1));
        walkFilter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

bool AliasPatterns::mayOwn(std::string_view text) const {
    if (walkFilter_.empty()) return true;
    const std::uint32_t bit = FilterBit(text);
    return (walkFilter_[bit / 64] >> (bit % 64)) & 1u;
}

std::uint32_t AliasPatterns::FilterBit(std::string_view text) {
    std::uint32_t h = 2166136261u; // FNV-1a
    for (const char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return (h ^ (h >> 16)) & (kFilterBits - 1);
}

std::optional<std::size_t> AliasPatterns::ExactOwner(std::string_view ip) const {
    if (exact_.Size() == 0 || !mayOwn(ip)) return std::nullopt;
    return exact_.Find(ip, [this](TextIdIndex::Id id) { return text(id); });
}

std::optional<std::size_t> AliasPatterns::FirstThreeOctetsOwner(std::string_view ip) const {
    if (firstThree_.Size() == 0) return std::nullopt;
    const auto three = FirstThreeOctets(ip);
    if (!three || !mayOwn(*three)) return std::nullopt;
    return firstThree_.Find(*three, [this](TextIdIndex::Id id) { return prefix(id); });
}

} // namespace corvanth
