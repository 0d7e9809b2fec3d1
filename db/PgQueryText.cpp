#include "PgQueryText.h"

#include "LikePattern.h"
#include "TextCodec.h"

#include <set>

namespace corvanth {
namespace {

enum class TokenKind { Word, Parameter, Quoted, Number, Symbol, Space };

struct Token {
    TokenKind kind;
    std::string text;
    int parameter = 0; // Parameter: its 1-based number
};

bool IsWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

std::vector<Token> Tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    int nextParameter = 1;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        std::size_t j = i + 1;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            while (j < sql.size() && (sql[j] == ' ' || sql[j] == '\t' || sql[j] == '\n' || sql[j] == '\r'))
                ++j;
            tokens.push_back({TokenKind::Space, std::string(sql.substr(i, j - i))});
        } else if (c == '\'') {
            std::string text;
            while (j < sql.size()) {
                if (sql[j] == '\'') {
                    if (j + 1 < sql.size() && sql[j + 1] == '\'') {
                        text += '\'';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                text += sql[j++];
            }
            tokens.push_back({TokenKind::Quoted, std::move(text)});
        } else if (c == '?') {
            int number = 0;
            while (j < sql.size() && sql[j] >= '0' && sql[j] <= '9')
                number = number * 10 + (sql[j++] - '0');
            if (j == i + 1) number = nextParameter;
            nextParameter = number + 1;
            tokens.push_back({TokenKind::Parameter, {}, number});
        } else if (IsWordStart(c)) {
            while (j < sql.size() && (IsWordStart(sql[j]) || (sql[j] >= '0' && sql[j] <= '9')))
                ++j;
            tokens.push_back({TokenKind::Word, std::string(sql.substr(i, j - i))});
        } else if (c >= '0' && c <= '9') {
            while (j < sql.size() && sql[j] >= '0' && sql[j] <= '9')
                ++j;
            tokens.push_back({TokenKind::Number, std::string(sql.substr(i, j - i))});
        } else {
            if ((c == '<' || c == '>' || c == '!') && j < sql.size() && sql[j] == '=') ++j;
            tokens.push_back({TokenKind::Symbol, std::string(sql.substr(i, j - i))});
        }
        i = j;
    }
    return tokens;
}

bool Is(const Token& t, std::string_view word) {
    return t.kind == TokenKind::Word && EqualsIgnoringCase(t.text, word);
}

bool IsComparison(const Token& t) {
    return (t.kind == TokenKind::Symbol &&
            (t.text == "=" || t.text == "<" || t.text == "<=" || t.text == ">" || t.text == ">=")) ||
           Is(t, "IN");
}

bool IsFoldedColumn(const Token& t) {
    return Is(t, "PlayerName") || Is(t, "StrippedName") || Is(t, "IP");
}

std::string Quote(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

// What the indexed first parts of two texts satisfy when the texts compare as `op` says (a text's first
// part never sorts after the text's, and cutting two texts keeps their order or makes them equal).
std::string PrefixComparison(const std::string& op) {
    if (op == "<") return "<=";
    if (op == ">") return ">=";
    return op;
}

} // namespace

std::string IndexedPrefixSql(const std::string& text) {
    return "left(corvanth_fold(" + text + "), " + std::to_string(kIndexedPrefixChars) + ")";
}

Query TranslateForPostgres(const Query& query) {
    const std::vector<Token> tokens = Tokenize(query.sql);
    Query out;
    out.params = query.params;
    out.userText = query.userText;
    std::set<int> patterns;
    // The token after `i` that is not blank.
    auto next = [&](std::size_t i) {
        for (std::size_t j = i + 1; j < tokens.size(); ++j)
            if (tokens[j].kind != TokenKind::Space) return j;
        return tokens.size();
    };
    bool foldValues = false; // inside the right side of a comparison of a folded column
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const std::size_t n = next(i);
        switch (t.kind) {
        case TokenKind::Word:
            if ((Is(t, "PlayerName") || Is(t, "IP")) && n < tokens.size() &&
                tokens[n].kind == TokenKind::Symbol && IsComparison(tokens[n]) && next(n) < tokens.size() &&
                (tokens[next(n)].kind == TokenKind::Parameter || tokens[next(n)].kind == TokenKind::Quoted)) {
                // Through the index on the first part, then the whole texts.
                const std::string& op = tokens[n].text;
                const Token& v = tokens[next(n)];
                const std::string value =
                    v.kind == TokenKind::Parameter ? "$" + std::to_string(v.parameter) : Quote(v.text);
                out.sql += "(" + IndexedPrefixSql(t.text) + " " + PrefixComparison(op) + " " +
                           IndexedPrefixSql(value) + " AND corvanth_fold(" + t.text + ") " + op +
                           " corvanth_fold(" + value + "))";
                i = next(n);
            } else if (IsFoldedColumn(t) && n < tokens.size() && IsComparison(tokens[n])) {
                out.sql += "corvanth_fold(" + t.text + ")";
                foldValues = true;
            } else if (Is(t, "fold")) {
                out.sql += "corvanth_fold";
                foldValues = true;
            } else if (Is(t, "LIKE") && n < tokens.size()) {
                out.sql += "~";
                const Token& pattern = tokens[n];
                out.sql += tokens[i + 1].kind == TokenKind::Space ? tokens[i + 1].text : std::string();
                if (pattern.kind == TokenKind::Parameter) {
                    out.sql += "$" + std::to_string(pattern.parameter);
                    patterns.insert(pattern.parameter);
                } else {
                    out.sql += Quote(LikePattern(pattern.text).ToRegex());
                }
                i = n;
                foldValues = false;
            } else if (Is(t, "Ref") && n < tokens.size() && tokens[n].text == "=" &&
                       next(n) < tokens.size() && tokens[next(n)].kind == TokenKind::Number) {
                out.sql += t.text + " = " + (tokens[next(n)].text == "0" ? "false" : "true");
                i = next(n);
            } else {
                if (Is(t, "AND") || Is(t, "OR")) foldValues = false;
                out.sql += t.text;
            }
            break;
        case TokenKind::Parameter:
            out.sql += foldValues ? "corvanth_fold($" + std::to_string(t.parameter) + ")"
                                  : "$" + std::to_string(t.parameter);
            break;
        case TokenKind::Quoted:
            out.sql += Quote(t.text);
            break;
        default:
            if (t.text == ";") foldValues = false;
            out.sql += t.text;
        }
    }
    for (const int p : patterns) {
        auto& value = out.params[static_cast<std::size_t>(p - 1)];
        if (value) value = LikePattern(*value).ToRegex();
    }
    return out;
}

} // namespace corvanth
