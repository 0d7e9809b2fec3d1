#include "PgCursor.h"

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
    return std::string_view(value,
                            static_cast<std::size_t>(Libpq().PQgetlength(result_.get(), row_, column)));
}

} // namespace corvanth
