#include "PgQueryText.h"

#include "LikePattern.h"
#include "SqlTokens.h"
#include "TextCodec.h"

#include <set>

namespace corvanth {
namespace {

struct Token {
    SqlTokenKind kind;
    std::string text;  // Quoted: the text it stands for
    int parameter = 0; // Parameter: its 1-based number
};

// The statement's tokens, the parameters numbered as SQLite numbers them ("?" is one more than the last).
std::vector<Token> Tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    int nextParameter = 1;
    for (const SqlToken& t : TokenizeSql(sql)) {
        Token token{t.kind, std::string(t.text)};
        if (t.kind == SqlTokenKind::Quoted) {
            token.text = QuotedText(t);
        } else if (t.kind == SqlTokenKind::Parameter) {
            token.parameter = t.text.size() > 1 ? std::stoi(std::string(t.text.substr(1))) : nextParameter;
            nextParameter = token.parameter + 1;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

bool Is(const Token& t, std::string_view word) {
    return t.kind == SqlTokenKind::Word && EqualsIgnoringCase(t.text, word);
}

bool IsComparison(const Token& t) {
    return (t.kind == SqlTokenKind::Symbol &&
            (t.text == "=" || t.text == "<" || t.text == "<=" || t.text == ">" || t.text == ">=")) ||
           Is(t, "IN");
}

bool IsFoldedColumn(const Token& t) {
    return Is(t, "PlayerName") || Is(t, "StrippedName") || Is(t, "IP") || Is(t, "Guid");
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

std::string LongTextHashSql(const std::string& text) {
    return "(CASE WHEN 2 * length(" + text + ") - length(replace(" + text +
           ", '\xC4\xB0', '')) <= " + std::to_string(kIndexedPrefixChars) +
           " THEN '' ELSE md5(corvanth_fold(" + text + ")) END)";
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
            if (tokens[j].kind != SqlTokenKind::Space) return j;
        return tokens.size();
    };
    bool foldValues = false; // inside the right side of a comparison of a folded column
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const std::size_t n = next(i);
        switch (t.kind) {
        case SqlTokenKind::Word:
            if ((Is(t, "PlayerName") || Is(t, "IP")) && n < tokens.size() &&
                tokens[n].kind == SqlTokenKind::Symbol && IsComparison(tokens[n]) &&
                next(n) < tokens.size() &&
                (tokens[next(n)].kind == SqlTokenKind::Parameter ||
                 tokens[next(n)].kind == SqlTokenKind::Quoted)) {
                // Through the index on the first part, then the whole texts.
                const std::string& op = tokens[n].text;
                const Token& v = tokens[next(n)];
                const std::string value =
                    v.kind == SqlTokenKind::Parameter ? "$" + std::to_string(v.parameter) : Quote(v.text);
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
                out.sql += tokens[i + 1].kind == SqlTokenKind::Space ? tokens[i + 1].text : std::string();
                if (pattern.kind == SqlTokenKind::Parameter) {
                    out.sql += "$" + std::to_string(pattern.parameter);
                    patterns.insert(pattern.parameter);
                } else {
                    out.sql += Quote(LikePattern(pattern.text).ToRegex());
                }
                i = n;
                foldValues = false;
            } else if (Is(t, "Ref") && n < tokens.size() && tokens[n].text == "=" &&
                       next(n) < tokens.size() && tokens[next(n)].kind == SqlTokenKind::Number) {
                out.sql += t.text + " = " + (tokens[next(n)].text == "0" ? "false" : "true");
                i = next(n);
            } else {
                if (Is(t, "AND") || Is(t, "OR")) foldValues = false;
                out.sql += t.text;
            }
            break;
        case SqlTokenKind::Parameter:
            out.sql += foldValues ? "corvanth_fold($" + std::to_string(t.parameter) + ")"
                                  : "$" + std::to_string(t.parameter);
            break;
        case SqlTokenKind::Quoted:
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
