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

bool AliasPatterns::Add(const std::string& pattern) {
    const std::size_t index = patterns_.size();
    if (!all_.try_emplace(pattern, index).second) return false;
    const Shape shape = ShapeOfPattern(pattern);
    patterns_.push_back({pattern, shape});
    if (shape == Shape::Exact) exact_.emplace(pattern, index);
    if (shape == Shape::FirstThreeOctets) firstThree_.emplace(pattern.substr(0, pattern.size() - 1), index);
    return true;
}

std::optional<std::size_t> AliasPatterns::ExactOwner(std::string_view ip) const {
    const auto it = exact_.find(ip);
    if (it == exact_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::size_t> AliasPatterns::FirstThreeOctetsOwner(std::string_view ip) const {
    if (firstThree_.empty()) return std::nullopt;
    const auto three = FirstThreeOctets(ip);
    if (!three) return std::nullopt;
    const auto it = firstThree_.find(*three);
    if (it == firstThree_.end()) return std::nullopt;
    return it->second;
}

} // namespace corvanth
