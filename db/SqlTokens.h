#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// What a piece of an SQL text is, as far as the program reads statements: the database itself decides
// what they mean.
enum class SqlTokenKind {
    Space,      // blanks
    Comment,    // -- to the end of the line, or /* ... */ (an unclosed one runs to the end)
    Word,       // a keyword or a bare name: a letter, "_" or a non-ASCII byte, then those, digits and "$"
    Parameter,  // ?, ?N or $N
    Quoted,     // a text: '...' ('' inside), or PostgreSQL's $tag$...$tag$
    QuotedName, // a name: "...", `...` or [...]
    Number,     // a digit, then digits, letters and dots
    Symbol,     // one character, or one of <= >= <> != == ||
};

struct SqlToken {
    SqlTokenKind kind;
    std::string_view text; // as written; the tokens' texts put together give back the whole statement
};

// The one reader of SQL texts in the program: the words Yes and No of a user's statement, what
// follows a statement, and the program's own statements on their way to PostgreSQL are all read
// through it.
std::vector<SqlToken> TokenizeSql(std::string_view sql);

// The text a Quoted token stands for: '' read as one quote, the quotes (or $tag$) taken off.
std::string QuotedText(const SqlToken& token);

} // namespace corvanth
