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
    auto textOf = [this](TextIdIndex::Id id) { return text(id); };
    if (all_.Find(pattern, textOf)) return false;
    const Shape shape = ShapeOfPattern(pattern);
    patterns_.push_back({std::string(pattern), shape});
    all_.Insert(pattern, index, textOf);
    if (shape == Shape::Exact) exact_.Insert(pattern, index, textOf);
    if (shape == Shape::FirstThreeOctets)
        firstThree_.Insert(prefix(index), index, [this](TextIdIndex::Id id) { return prefix(id); });
    return true;
}

std::optional<std::size_t> AliasPatterns::ExactOwner(std::string_view ip) const {
    return exact_.Find(ip, [this](TextIdIndex::Id id) { return text(id); });
}

std::optional<std::size_t> AliasPatterns::FirstThreeOctetsOwner(std::string_view ip) const {
    if (firstThree_.Size() == 0) return std::nullopt;
    const auto three = FirstThreeOctets(ip);
    if (!three) return std::nullopt;
    return firstThree_.Find(*three, [this](TextIdIndex::Id id) { return prefix(id); });
}

} // namespace corvanth
