#pragma once

#include "Query.h"

namespace corvanth {

// The program's own statements are written once, in SQLite's words; this gives the same statement in
// PostgreSQL's, with the same meaning:
// - "?N" and "?" become "$N";
// - a comparison of PlayerName, StrippedName or IP (=, <, <=, >, >=, IN) compares folded texts on both
//   sides through corvanth_fold(), the function the table's indexes are built on (SQLite's columns
//   compare ignoring case);
// - fold(x) becomes corvanth_fold(x);
// - "x LIKE pattern" becomes "x ~ regex", the pattern (a bound value or a quoted text) translated by
//   LikePattern::ToRegex;
// - "Ref = 1" and "Ref = 0" become "Ref = true" and "Ref = false".
// The user's own statements are not translated here (see TranslateQuery).
Query TranslateForPostgres(const Query& query);

} // namespace corvanth
