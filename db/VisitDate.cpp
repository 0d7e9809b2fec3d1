#include "VisitDate.h"

namespace corvanth {
namespace {

// "1", the date as YYYYMMDD and the rest of the text for a text that begins with a date; "0" and the
// text for any other.
std::string OrderKey(std::string_view text) {
    const auto digits = [&](std::size_t from, std::size_t count) {
        for (std::size_t i = from; i < from + count; ++i)
            if (text[i] < '0' || text[i] > '9') return false;
        return true;
    };
    if (text.size() >= 10) {
        if (digits(0, 2) && text[2] == '/' && digits(3, 2) && text[5] == '/' && digits(6, 4)) {
            std::string key = "1";
            key.append(text.substr(6, 4)).append(text.substr(0, 2)).append(text.substr(3, 2));
            return key.append(text.substr(10));
        }
        if (digits(0, 4) && text[4] == '-' && digits(5, 2) && text[7] == '-' && digits(8, 2)) {
            std::string key = "1";
            key.append(text.substr(0, 4)).append(text.substr(5, 2)).append(text.substr(8, 2));
            return key.append(text.substr(10));
        }
    }
    return std::string("0").append(text);
}

std::string OrderKeySql(const std::string& x) {
    return "(CASE WHEN " + x + " ~ '^[0-9]{2}/[0-9]{2}/[0-9]{4}' THEN '1' || substr(" + x +
           ", 7, 4) || substr(" + x + ", 1, 2) || substr(" + x + ", 4, 2) || substr(" + x + ", 11) WHEN " +
           x + " ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}' THEN '1' || substr(" + x + ", 1, 4) || substr(" + x +
           ", 6, 2) || substr(" + x + ", 9, 2) || substr(" + x + ", 11) ELSE '0' || " + x +
           " END) COLLATE \"C\"";
}

} // namespace

bool IsLaterVisit(std::string_view text, std::string_view than) {
    const std::string a = OrderKey(text), b = OrderKey(than);
    return a != b ? a > b : text > than;
}

std::string LaterVisitSql(const std::string& text, const std::string& than) {
    const std::string a = OrderKeySql(text), b = OrderKeySql(than);
    return "(" + a + " > " + b + " OR (" + a + " = " + b + " AND " + text + " COLLATE \"C\" > " + than +
           " COLLATE \"C\"))";
}

} // namespace corvanth
