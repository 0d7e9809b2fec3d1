#include "SqlDialect.h"

#include "DatabaseError.h"
#include "LikePattern.h"
#include "SqlFunction.h"
#include "TextCodec.h"

namespace corvanth {
namespace {

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80 || c == '$';
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::optional<char32_t> EscapeOf(const SqlArgs& args) {
    if (args.size() < 3) return std::nullopt;
    const auto e = args.text(2);
    if (!e) return std::nullopt;
    std::size_t pos = 0;
    if (e->empty()) throw DatabaseError("ESCAPE expression must be a single character");
    const char32_t c = NextCodePoint(*e, pos);
    if (pos != e->size()) throw DatabaseError("ESCAPE expression must be a single character");
    return c;
}

} // namespace

std::string TranslateQuery(std::string_view sql, BooleanWords words) {
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        auto copyUntil = [&](std::size_t end) {
            out.append(sql.substr(i, end - i));
            i = end;
        };
        if (c == '\'' || c == '"' || c == '`') {
            std::size_t j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == c) {
                    if (j + 1 < sql.size() && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            copyUntil(std::min(j, sql.size()));
        } else if (c == '[') {
            const auto end = sql.find(']', i);
            copyUntil(end == std::string_view::npos ? sql.size() : end + 1);
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const auto end = sql.find('\n', i);
            copyUntil(end == std::string_view::npos ? sql.size() : end);
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const auto end = sql.find("*/", i + 2);
            copyUntil(end == std::string_view::npos ? sql.size() : end + 2);
        } else if (IsWordChar(c)) {
            std::size_t j = i;
            while (j < sql.size() && IsWordChar(sql[j]))
                ++j;
            const std::string_view word = sql.substr(i, j - i);
            const bool qualified = i > 0 && sql[i - 1] == '.'; // a column named Yes in t.Yes stays
            if (!qualified && IEquals(word, "yes"))
                out += words == BooleanWords::Numbers ? "1" : "true";
            else if (!qualified && IEquals(word, "no"))
                out += words == BooleanWords::Numbers ? "0" : "false";
            else
                out.append(word);
            i = j;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}

bool IsTransactionControl(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size() && (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n'))
        ++i;
    std::string word;
    while (i < sql.size() && ((sql[i] >= 'a' && sql[i] <= 'z') || (sql[i] >= 'A' && sql[i] <= 'Z')))
        word += static_cast<char>(sql[i++] | 0x20);
    return word == "begin" || word == "commit" || word == "end" || word == "rollback" ||
           word == "savepoint" || word == "release";
}

void RegisterDialect(sqlite3* db) {
    auto like = [](const SqlArgs& args) -> std::optional<std::int64_t> {
        const auto text = args.text(1);
        // The pattern compiled for an earlier row is the same (a NULL pattern is never compiled).
        if (const auto* compiled = args.cached<LikePattern>(0)) {
            if (!text) return std::nullopt;
            return compiled->Matches(*text) ? 1 : 0;
        }
        const auto pattern = args.text(0);
        if (!pattern || !text) return std::nullopt;
        auto compiled = std::make_unique<LikePattern>(*pattern, EscapeOf(args));
        const bool matched = compiled->Matches(*text);
        args.cache<LikePattern>(0, std::move(compiled));
        return matched ? 1 : 0;
    };
    auto fold = [](const SqlArgs& args) -> std::optional<std::string> {
        const auto text = args.text(0);
        if (!text) return std::nullopt;
        return FoldCase(*text);
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (RegisterSqlFunction(db, "like", 2, like, flags) != SQLITE_OK ||
        RegisterSqlFunction(db, "like", 3, like, flags) != SQLITE_OK ||
        RegisterSqlFunction(db, "fold", 1, fold, flags) != SQLITE_OK)
        throw DatabaseError(std::string("cannot register the SQL functions: ") + sqlite3_errmsg(db));
}

} // namespace corvanth
