#include "SqlDialect.h"

#include "DatabaseError.h"
#include "LikePattern.h"
#include "SqlFunction.h"
#include "SqlTokens.h"
#include "TextCodec.h"

namespace corvanth {
namespace {

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
    const std::vector<SqlToken> tokens = TokenizeSql(sql);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i];
        // A column named Yes in t.Yes stays.
        const bool qualified =
            i > 0 && tokens[i - 1].kind == SqlTokenKind::Symbol && tokens[i - 1].text == ".";
        if (t.kind == SqlTokenKind::Word && !qualified && EqualsIgnoringCase(t.text, "yes"))
            out += words == BooleanWords::Numbers ? "1" : "true";
        else if (t.kind == SqlTokenKind::Word && !qualified && EqualsIgnoringCase(t.text, "no"))
            out += words == BooleanWords::Numbers ? "0" : "false";
        else
            out += t.text;
    }
    return out;
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
