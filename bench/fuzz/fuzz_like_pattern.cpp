// Random pattern and text pairs through the LIKE matcher. Any bytes must be matched without failing;
// for ASCII pairs the answer must equal that of the plain recursive matcher below, which follows the
// documented rules directly.
#include "LikePattern.h"
#include "TextCodec.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace corvanth;

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// One character of a "[...]" list against c, letter case ignored: c matches when c itself or its
// other case lies in a range or equals a listed character.
bool InList(std::string_view list, char c) {
    const char variants[2] = {Lower(c), static_cast<char>(std::toupper(static_cast<unsigned char>(c)))};
    std::size_t i = 0;
    while (i < list.size()) {
        const char lo = list[i];
        if (i + 2 < list.size() && list[i + 1] == '-') {
            const char hi = list[i + 2];
            for (char v : variants)
                if (v >= lo && v <= hi) return true;
            i += 3;
        } else {
            if (Lower(c) == Lower(lo)) return true;
            i += 1;
        }
    }
    return false;
}

// Pattern p from index pi against text t from index ti, both ASCII. Plain recursion over the rules,
// with a memo of the (pi, ti) pairs already answered so that runs of "*" stay cheap.
class Reference {
public:
    Reference(std::string_view p, std::string_view t)
        : p_(p), t_(t), memo_((p.size() + 1) * (t.size() + 1), -1) {}
    bool Matches() { return match(0, 0); }

private:
    bool match(std::size_t pi, std::size_t ti) {
        signed char& m = memo_[pi * (t_.size() + 1) + ti];
        if (m < 0) m = compute(pi, ti) ? 1 : 0;
        return m == 1;
    }

    bool compute(std::size_t pi, std::size_t ti) {
        if (pi == p_.size()) return ti == t_.size();
        const bool more = ti < t_.size();
        switch (p_[pi]) {
        case '*':
            for (std::size_t k = ti; k <= t_.size(); ++k)
                if (match(pi + 1, k)) return true;
            return false;
        case '?':
            return more && match(pi + 1, ti + 1);
        case '#':
            return more && t_[ti] >= '0' && t_[ti] <= '9' && match(pi + 1, ti + 1);
        case '[': {
            const std::size_t close = p_.find(']', pi + 1);
            if (close == std::string_view::npos) // an unclosed "[" is an ordinary character
                return more && t_[ti] == '[' && match(pi + 1, ti + 1);
            std::string_view list = p_.substr(pi + 1, close - pi - 1);
            if (list.empty()) return match(close + 1, ti); // "[]" matches the empty text
            bool negated = false;
            if (list.front() == '!') {
                negated = true;
                list.remove_prefix(1);
            }
            if (!more || InList(list, t_[ti]) == negated) return false;
            return match(close + 1, ti + 1);
        }
        default:
            return more && Lower(p_[pi]) == Lower(t_[ti]) && match(pi + 1, ti + 1);
        }
    }

    std::string_view p_, t_;
    std::vector<signed char> memo_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    if (nul == std::string_view::npos) return 0;
    const std::string_view pattern = input.substr(0, nul);
    const std::string_view text = input.substr(nul + 1);

    const bool matches = LikePattern(pattern).Matches(text);
    LikePattern(pattern, U'\\').Matches(text); // any bytes, with an escape character too
    if (IsAscii(pattern) && IsAscii(text) && pattern.size() <= 256 && text.size() <= 256) {
        const bool expected = Reference(pattern, text).Matches();
        if (matches != expected) {
            std::fprintf(stderr, "pattern \"%.*s\" text \"%.*s\": matcher %d, reference %d\n",
                         static_cast<int>(pattern.size()), pattern.data(), static_cast<int>(text.size()),
                         text.data(), matches, expected);
            std::abort(); // libFuzzer keeps the input
        }
    }
    return 0;
}
