#include "LikePattern.h"

#include "TextCodec.h"

#include <algorithm>

namespace corvanth {
namespace {

// Every character whose case folding is another character, with what it folds to (for the regular
// expressions: the characters that match a folded letter besides the letter itself).
const std::vector<std::pair<char32_t, char32_t>>& CaseVariants() {
    static const std::vector<std::pair<char32_t, char32_t>> variants = [] {
        std::vector<std::pair<char32_t, char32_t>> v;
        for (char32_t c = 0x41; c < 0x20000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            const char32_t folded = FoldCodePoint(c);
            if (folded != c) v.emplace_back(folded, c);
        }
        std::sort(v.begin(), v.end());
        return v;
    }();
    return variants;
}

void AppendRegexChar(std::string& out, char32_t c) {
    const bool asciiWord = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c < 0x80 && !asciiWord) out += '\\';
    AppendUtf8(out, c);
}

} // namespace

LikePattern::LikePattern(std::string_view p, std::optional<char32_t> escape) {
    std::size_t pos = 0;
    while (pos < p.size()) {
        const char32_t cp = NextCodePoint(p, pos);
        if (escape && cp == *escape && pos < p.size()) {
            tokens_.push_back({Kind::Literal, FoldCodePoint(NextCodePoint(p, pos)), {}});
            continue;
        }
        switch (cp) {
        case U'*':
            if (tokens_.empty() || tokens_.back().kind != Kind::AnyRun)
                tokens_.push_back({Kind::AnyRun, 0, {}});
            break;
        case U'?':
            tokens_.push_back({Kind::AnyOne, 0, {}});
            break;
        case U'#':
            tokens_.push_back({Kind::Digit, 0, {}});
            break;
        case U'[': {
            const std::size_t close = p.find(']', pos);
            if (close == std::string_view::npos) {
                tokens_.push_back({Kind::Literal, U'[', {}});
                break;
            }
            std::string_view list = p.substr(pos, close - pos);
            pos = close + 1;
            if (list.empty()) {
                tokens_.push_back({Kind::Nothing, 0, {}});
                break;
            }
            Token t{Kind::Set, 0, {}};
            if (list.front() == '!') {
                t.kind = Kind::NegatedSet;
                list.remove_prefix(1);
            }
            std::size_t i = 0;
            while (i < list.size()) {
                const char32_t lo = NextCodePoint(list, i);
                if (i + 1 < list.size() && list[i] == '-') {
                    std::size_t j = i + 1;
                    const char32_t hi = NextCodePoint(list, j);
                    i = j;
                    // A range keeps its ends as written; letter case is handled when matching.
                    t.ranges.emplace_back(lo, hi);
                } else {
                    t.ranges.emplace_back(FoldCodePoint(lo), FoldCodePoint(lo));
                }
            }
            tokens_.push_back(std::move(t));
            break;
        }
        default:
            tokens_.push_back({Kind::Literal, FoldCodePoint(cp), {}});
        }
    }
    Plain plain;
    plain.openStart = !tokens_.empty() && tokens_.front().kind == Kind::AnyRun;
    plain.openEnd = !tokens_.empty() && tokens_.back().kind == Kind::AnyRun;
    plain.pieces.emplace_back();
    for (const Token& t : tokens_) {
        if (t.kind == Kind::AnyRun) {
            if (!plain.pieces.back().empty()) plain.pieces.emplace_back();
            continue;
        }
        if (t.kind != Kind::Literal || t.ch >= 0x80 || t.ch == U'i' || t.ch == U'k') return;
        plain.pieces.back().push_back(static_cast<char>(t.ch));
    }
    if (plain.pieces.back().empty()) plain.pieces.pop_back();
    plain_ = std::move(plain);
}

namespace {

// Whether `piece` (ASCII lower case) is at `at` in `text`, ignoring ASCII letter case.
bool PieceAt(std::string_view text, std::size_t at, std::string_view piece) {
    for (std::size_t i = 0; i < piece.size(); ++i)
        if (AsciiLower(text[at + i]) != piece[i]) return false;
    return true;
}

} // namespace

bool LikePattern::matchesPlain(std::string_view text) const {
    const std::vector<std::string>& pieces = plain_->pieces;
    if (pieces.empty()) return plain_->openStart || text.empty(); // "*" (or "**"), or the empty pattern
    std::size_t from = 0;
    std::size_t first = 0;
    std::size_t last = pieces.size();
    if (!plain_->openStart) {
        const std::string& piece = pieces.front();
        if (text.size() < piece.size() || !PieceAt(text, 0, piece)) return false;
        from = piece.size();
        first = 1;
        if (pieces.size() == 1 && !plain_->openEnd) return text.size() == piece.size();
    }
    std::size_t end = text.size();
    if (!plain_->openEnd && first < last) {
        // The last piece must end the text, after what the pieces before it took.
        const std::string& piece = pieces.back();
        if (end - from < piece.size() || !PieceAt(text, end - piece.size(), piece)) return false;
        end -= piece.size();
        --last;
    }
    // The pieces between "*"s each take their leftmost place after the one before.
    for (std::size_t p = first; p < last; ++p) {
        const std::string& piece = pieces[p];
        const char lead = piece.front();
        bool found = false;
        for (; from + piece.size() <= end; ++from) {
            if (AsciiLower(text[from]) == lead && PieceAt(text, from, piece)) {
                found = true;
                break;
            }
        }
        if (!found) return false;
        from += piece.size();
    }
    return true;
}

bool LikePattern::TokenMatches(const Token& t, char32_t c) {
    switch (t.kind) {
    case Kind::Literal:
        return t.ch == c;
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return c >= U'0' && c <= U'9';
    case Kind::Set:
    case Kind::NegatedSet: {
        // c is folded; the list holds its letter in either case when c or its upper case is in it.
        const char32_t upper = UpperCodePoint(c);
        bool in = false;
        for (const auto& [lo, hi] : t.ranges)
            if ((c >= lo && c <= hi) || (upper >= lo && upper <= hi)) {
                in = true;
                break;
            }
        return t.kind == Kind::Set ? in : !in;
    }
    default:
        return false;
    }
}

bool LikePattern::Matches(std::string_view text) const {
    if (plain_) return matchesPlain(text);
    // Classic wildcard walk: remember the last "*" and where the text stood, and retry from there.
    std::size_t ti = 0, pi = 0;
    std::size_t starToken = std::string_view::npos, starText = 0;
    const std::size_t n = tokens_.size();
    while (ti < text.size() || pi < n) {
        if (pi < n) {
            const Token& t = tokens_[pi];
            if (t.kind == Kind::AnyRun) {
                starToken = pi++;
                starText = ti;
                continue;
            }
            if (t.kind == Kind::Nothing) {
                ++pi;
                continue;
            }
            if (ti < text.size()) {
                std::size_t next = ti;
                const char32_t c = NextFoldedCodePoint(text, next);
                if (TokenMatches(t, c)) {
                    ti = next;
                    ++pi;
                    continue;
                }
            }
        }
        if (starToken != std::string_view::npos && starText < text.size()) {
            NextFoldedCodePoint(text, starText);
            ti = starText;
            pi = starToken + 1;
            continue;
        }
        return false;
    }
    return true;
}

std::string LikePattern::ToRegex() const {
    const auto& variants = CaseVariants();
    // A leading or trailing "*" needs no anchor at that end: the scan of "*ace*" looks for "ace" alone.
    const bool openStart = !tokens_.empty() && tokens_.front().kind == Kind::AnyRun;
    const bool openEnd = !tokens_.empty() && tokens_.back().kind == Kind::AnyRun;
    std::string out = openStart ? "" : "^";
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
        const Token& t = tokens_[i];
        switch (t.kind) {
        case Kind::AnyRun:
            if ((i == 0 && openStart) || (i + 1 == tokens_.size() && openEnd)) break;
            out += ".*";
            break;
        case Kind::AnyOne:
            out += '.';
            break;
        case Kind::Digit:
            out += "[0-9]";
            break;
        case Kind::Nothing:
            break;
        case Kind::Literal: {
            auto it = std::lower_bound(variants.begin(), variants.end(), std::make_pair(t.ch, char32_t{0}));
            if (it == variants.end() || it->first != t.ch) {
                AppendRegexChar(out, t.ch);
                break;
            }
            out += '[';
            AppendRegexChar(out, t.ch);
            for (; it != variants.end() && it->first == t.ch; ++it)
                AppendRegexChar(out, it->second);
            out += ']';
            break;
        }
        case Kind::Set:
        case Kind::NegatedSet: {
            std::string members;
            for (const auto& [lo, hi] : t.ranges) {
                if (lo > hi) continue; // a range written backwards holds nothing
                AppendRegexChar(members, lo);
                if (hi != lo) {
                    members += '-';
                    AppendRegexChar(members, hi);
                }
            }
            // The characters of another case whose folded form the list holds, and the folded forms
            // whose capital it holds.
            for (const auto& [folded, variant] : variants) {
                if (TokenMatches({Kind::Set, 0, t.ranges}, folded)) {
                    AppendRegexChar(members, variant);
                    AppendRegexChar(members, folded);
                }
            }
            if (members.empty())
                out += t.kind == Kind::Set ? "(?!.)." : ".";
            else
                out += (t.kind == Kind::Set ? "[" : "[^") + members + "]";
            break;
        }
        }
    }
    if (!openEnd) out += '$';
    return out;
}

std::optional<LikePattern::Prefix> LikePattern::IndexablePrefix(std::string_view pattern) {
    const std::size_t special = pattern.find_first_of("*?#[");
    if (special == std::string_view::npos) return Prefix{pattern, true};
    if (pattern[special] == '*' && special + 1 == pattern.size())
        return Prefix{pattern.substr(0, special), false};
    return std::nullopt;
}

} // namespace corvanth
