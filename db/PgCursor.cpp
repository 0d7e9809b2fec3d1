#include "PgCursor.h"

#include "PgText.h"

namespace corvanth {
namespace {

constexpr Oid kBooleanType = 16; // pg_type "bool"

} // namespace

PgCursor::PgCursor(std::shared_ptr<const bool> open, PgResult result)
    : open_(std::move(open)), result_(std::move(result)) {}

void PgCursor::Next() {
    if (row_ < Libpq().PQntuples(result_.get())) ++row_;
}

std::optional<std::string_view> PgCursor::Value(int column) const {
    if (!HasRow() || Libpq().PQgetisnull(result_.get(), row_, column)) return std::nullopt;
    const char* value = Libpq().PQgetvalue(result_.get(), row_, column);
    if (Libpq().PQftype(result_.get(), column) == kBooleanType)
        return std::string_view(value[0] == 't' ? "True" : "False");
    const std::string_view text(value,
                                static_cast<std::size_t>(Libpq().PQgetlength(result_.get(), row_, column)));
    if (restored_.size() <= static_cast<std::size_t>(column))
        restored_.resize(static_cast<std::size_t>(column) + 1);
    std::string& restored = restored_[static_cast<std::size_t>(column)];
    if (FromServerText(text, restored)) return std::string_view(restored);
    return text;
}

} // namespace corvanth
