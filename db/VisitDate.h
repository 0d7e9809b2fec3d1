#pragma once

#include <string>
#include <string_view>

namespace corvanth {

// Which of two LastVisit texts is the later visit, the same in the program and in PostgreSQL's
// statements (a total order, so the later of many visits does not depend on the order they come in):
// - a text that begins with a date, MM/DD/YYYY (the game's own form) or YYYY-MM-DD, compares by year,
//   month and day, then by the rest of the text (the time) byte by byte;
// - any other text (no date, or none at all) is older than every date, and compares with another such
//   text byte by byte;
// - two texts of the same date and rest in the two forms compare byte by byte.
bool IsLaterVisit(std::string_view text, std::string_view than);

// The same test as an SQL condition on two text expressions (PostgreSQL).
std::string LaterVisitSql(const std::string& text, const std::string& than);

} // namespace corvanth
