#pragma once

#include "Query.h"

#include <string>

namespace corvanth {

// The program's own statements are written once, in SQLite's words; this gives the same statement in
// PostgreSQL's, with the same meaning:
// - "?N" and "?" become "$N";
// - a comparison of PlayerName, StrippedName or IP (=, <, <=, >, >=, IN) compares folded texts on both
//   sides through corvanth_fold(), the function the table's indexes are built on (SQLite's columns
//   compare ignoring case); a comparison of PlayerName or IP with a value (bound or quoted) also compares the
//   first kIndexedPrefixChars characters of the folded texts, which is what the indexes hold;
// - fold(x) becomes corvanth_fold(x);
// - "x LIKE pattern" becomes "x ~ regex", the pattern (a bound value or a quoted text) translated by
//   LikePattern::ToRegex;
// - "Ref = 1" and "Ref = 0" become "Ref = true" and "Ref = false".
// The user's own statements are not translated here (see TranslateQuery).
Query TranslateForPostgres(const Query& query);

// The indexes hold the first 200 characters of a folded name or address (at most 800 bytes: a btree
// entry may hold about 2,700), so that every text a log line can carry can be stored.
constexpr int kIndexedPrefixChars = 200;
// The indexed part of a text expression: left(corvanth_fold(x), 200).
std::string IndexedPrefixSql(const std::string& text);
// The hash part of a text's key in a unique index: empty when the folded text has at most
// kIndexedPrefixChars characters (the first part is then the whole folded text), its MD5 otherwise. The
// folded text's length is told without folding: in ICU's root lower case every character gives one,
// except U+0130, which gives two. So texts that fold alike get the same key, and a short text pays for
// one folding and no hash.
std::string LongTextHashSql(const std::string& text);

} // namespace corvanth
