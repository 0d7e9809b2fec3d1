#include "SqlTokens.h"

namespace corvanth {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordPart(char c) {
    return IsWordStart(c) || IsDigit(c) || c == '$';
}

// The end of a text or name opened by `open` at `i` and closed by `close`; a doubled closing character
// is part of it. An unclosed one runs to the end.
std::size_t QuotedEnd(std::string_view sql, std::size_t i, char close) {
    std::size_t j = i + 1;
    while (j < sql.size()) {
        if (sql[j] == close) {
            if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return sql.size();
}

// A PostgreSQL dollar quote starting at `i` ($$ or $tag$): its opening delimiter's length, or 0.
std::size_t DollarTagLength(std::string_view sql, std::size_t i) {
    std::size_t j = i + 1;
    if (j < sql.size() && IsWordStart(sql[j]))
        while (j < sql.size() && IsWordPart(sql[j]) && sql[j] != '$')
            ++j;
    return j < sql.size() && sql[j] == '$' ? j + 1 - i : 0;
}

} // namespace

std::vector<SqlToken> TokenizeSql(std::string_view sql) {
    std::vector<SqlToken> tokens;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        std::size_t j = i + 1;
        SqlTokenKind kind = SqlTokenKind::Symbol;
        if (IsBlank(c)) {
            kind = SqlTokenKind::Space;
            while (j < sql.size() && IsBlank(sql[j]))
                ++j;
        } else if (c == '-' && next == '-') {
            kind = SqlTokenKind::Comment;
            j = std::min(sql.find('\n', i), sql.size());
        } else if (c == '/' && next == '*') {
            kind = SqlTokenKind::Comment;
            const std::size_t end = sql.find("*/", i + 2);
            j = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (c == '\'') {
            kind = SqlTokenKind::Quoted;
            j = QuotedEnd(sql, i, '\'');
        } else if (c == '"' || c == '`' || c == '[') {
            kind = SqlTokenKind::QuotedName;
            j = QuotedEnd(sql, i, c == '[' ? ']' : c);
        } else if ((c == '?' || c == '$') && (c == '?' || IsDigit(next))) {
            kind = SqlTokenKind::Parameter;
            while (j < sql.size() && IsDigit(sql[j]))
                ++j;
        } else if (const std::size_t tag = c == '$' ? DollarTagLength(sql, i) : 0; tag > 0) {
            kind = SqlTokenKind::Quoted;
            const std::size_t end = sql.find(sql.substr(i, tag), i + tag);
            j = end == std::string_view::npos ? sql.size() : end + tag;
        } else if (IsWordStart(c)) {
            kind = SqlTokenKind::Word;
            while (j < sql.size() && IsWordPart(sql[j]))
                ++j;
        } else if (IsDigit(c)) {
            kind = SqlTokenKind::Number;
            while (j < sql.size() && (IsWordPart(sql[j]) || sql[j] == '.'))
                ++j;
        } else {
            const std::string_view pair = sql.substr(i, 2);
            if (pair == "<=" || pair == ">=" || pair == "<>" || pair == "!=" || pair == "==" || pair == "||")
                j = i + 2;
        }
        tokens.push_back({kind, sql.substr(i, j - i)});
        i = j;
    }
    return tokens;
}

std::string QuotedText(const SqlToken& token) {
    std::string_view t = token.text;
    if (t.empty()) return {};
    if (t.front() == '$') {
        const std::size_t tag = t.find('$', 1) + 1;
        const std::size_t end = t.size() >= 2 * tag ? t.size() - tag : t.size();
        return std::string(t.substr(tag, end - tag));
    }
    const char quote = t.front();
    t.remove_prefix(1);
    if (!t.empty() && t.back() == quote) t.remove_suffix(1);
    std::string text;
    text.reserve(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        text += t[i];
        if (t[i] == quote && i + 1 < t.size() && t[i + 1] == quote) ++i;
    }
    return text;
}

} // namespace corvanth
