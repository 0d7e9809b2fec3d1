#include "DatabaseLocation.h"

namespace corvanth {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// libpq's keyword=value form: the first word is a keyword followed by "=" (spaces allowed around it).
bool IsKeywordValueText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const std::size_t wordStart = i;
    while (i < text.size() && ((text[i] >= 'a' && text[i] <= 'z') || text[i] == '_'))
        ++i;
    if (i == wordStart) return false;
    while (i < text.size() && text[i] == ' ')
        ++i;
    return i < text.size() && text[i] == '=';
}

} // namespace

DatabaseLocation ParseDatabaseLocation(std::string_view text, const std::string& defaultFile) {
    using Kind = DatabaseLocation::Kind;
    if (text.empty()) return {Kind::SqliteFile, defaultFile};
    if (StartsWith(text, "sqlite:")) {
        const std::string_view path = text.substr(7);
        return {Kind::SqliteFile, path.empty() ? defaultFile : std::string(path)};
    }
    if (StartsWith(text, "postgresql://") || StartsWith(text, "postgres://") || IsKeywordValueText(text))
        return {Kind::PostgreSql, std::string(text)};
    return {Kind::SqliteFile, std::string(text)};
}

} // namespace corvanth
