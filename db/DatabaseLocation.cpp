#include "DatabaseLocation.h"

#include "PgLibrary.h"

#include <cstring>
#include <memory>

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

// The keywords of a connection text that hold a secret, as libpq reads the text; nothing when libpq
// cannot read it.
std::optional<std::string> SecretKeywords(const std::string& conninfo) {
    const PgLibrary& pq = Libpq();
    char* error = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(pq.PQconninfoFree)> options(
        pq.PQconninfoParse(conninfo.c_str(), &error), pq.PQconninfoFree);
    if (error) pq.PQfreemem(error); // never shown: it may quote the text
    if (!options) return std::nullopt;
    std::string keywords;
    for (const PQconninfoOption* o = options.get(); o->keyword; ++o)
        if (o->val && o->dispchar && std::strchr(o->dispchar, '*'))
            keywords += (keywords.empty() ? "" : ", ") + std::string(o->keyword);
    return keywords;
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

std::optional<std::string> LocationRefusal(const DatabaseLocation& location, LocationSource source) {
    if (location.kind != DatabaseLocation::Kind::PostgreSql) return std::nullopt;
    const std::optional<std::string> secrets = SecretKeywords(location.target);
    if (!secrets)
        return std::string("the PostgreSQL connection text cannot be read (libpq's reason is not repeated, "
                           "since it may quote the text): check its keywords, quotes and URL");
    if (secrets->empty() || source == LocationSource::Environment) return std::nullopt;
    if (source == LocationSource::CommandLine)
        return "the connection text holds a secret (" + *secrets +
               "), which every user of the machine can read on a command line: put it in ~/.pgpass or "
               "PGPASSWORD, or give the whole text in CORVANTH_DATABASE";
    return "passwords are not stored in the settings (the connection text holds a secret: " + *secrets +
           "): put the password in ~/.pgpass (or PGPASSWORD) and leave it out of the connection text";
}

} // namespace corvanth
