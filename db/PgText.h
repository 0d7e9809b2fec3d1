#pragma once

#include <string>
#include <string_view>

namespace corvanth {

// How the program's texts meet PostgreSQL's.
//
// PostgreSQL text cannot hold U+0000; a log line can. Every text the program sends to the server (values
// written, values looked up, search patterns, copied rows) has U+0000 replaced by U+2400 (SYMBOL FOR
// NULL), and every text read back has U+2400 replaced by U+0000. No log byte decodes to U+2400 (a log is
// Windows-1252), so the round trip gives back what the log held, and both databases give the same texts.
constexpr std::string_view kServerNul = "\xE2\x90\x80"; // U+2400 in UTF-8

// `text` as the server stores it (U+0000 as U+2400).
std::string ToServerText(std::string_view text);
// Replaces U+0000 by U+2400 in `text`.
void ToServerText(std::string& text);
// A text read from the server as the program knows it (U+2400 as U+0000); false when it holds no U+2400
// (`out` is then left alone).
bool FromServerText(std::string_view text, std::string& out);

// An array value in PostgreSQL's text form, every element quoted, built one element at a time.
class ArrayText {
public:
    void add(std::string_view element) {
        text_ += text_.empty() ? "{\"" : ",\"";
        for (char c : element) {
            if (c == '"' || c == '\\') text_ += '\\';
            text_ += c;
        }
        text_ += '"';
    }
    void add(bool value) { text_ += text_.empty() ? (value ? "{t" : "{f") : (value ? ",t" : ",f"); }
    std::string take() { return text_.empty() ? std::string("{}") : std::move(text_) + "}"; }

private:
    std::string text_;
};

// The server's corvanth_fold(): ICU's lower case in the root locale, the whole text at once (so a capital
// sigma that ends a word becomes the final sigma, and U+0130 becomes "i" and U+0307). Appended to `out`.
// Malformed UTF-8 is folded as U+FFFD (the server refuses such text anyway).
void AppendServerFold(std::string& out, std::string_view utf8);

} // namespace corvanth
