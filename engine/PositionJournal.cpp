#include "PositionJournal.h"

#include "ProgramIdentity.h"
#include "TextCodec.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>

namespace corvanth {
namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string FormatPosition(double position) {
    if (!std::isfinite(position) || position < 0) position = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", std::floor(position));
    return buf;
}

std::string ErrnoText() {
    return std::strerror(errno);
}

// Splits a record at its first double quote; false when there is none.
bool SplitRecord(std::string_view line, std::string_view& path, std::string_view& number) {
    const std::size_t quote = line.find('"');
    if (quote == std::string_view::npos) return false;
    path = line.substr(0, quote);
    number = line.substr(quote + 1);
    return true;
}

std::optional<double> ParsePosition(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    double v = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), v).ec != std::errc{}) return std::nullopt;
    return v;
}

std::string StripLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

} // namespace

PositionJournal::PositionJournal(std::string folder)
    : folder_(std::move(folder)), journal_(folder_ + "/" + identity::JournalFileName),
      scratch_(folder_ + "/" + identity::JournalScratchFileName) {}

void PositionJournal::SavePosition(const std::string& logPath, double position) const {
    const std::string number = FormatPosition(position);
    std::ofstream out(scratch_, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + scratch_ + ": " + ErrnoText());
    bool found = false;
    if (FileExists(journal_)) {
        std::ifstream in(journal_, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + journal_ + ": " + ErrnoText());
        std::string raw;
        while (std::getline(in, raw)) {
            const std::string line = StripLineEnd(raw);
            std::string_view path, rest;
            if (SplitRecord(line, path, rest) && EqualsIgnoringCase(path, logPath)) {
                out << path << '"' << number << "\r\n";
                found = true;
            } else {
                out << line << "\r\n";
            }
        }
        if (in.bad()) throw std::runtime_error("cannot read " + journal_ + ": " + ErrnoText());
    }
    if (!found) out << logPath << '"' << number << "\r\n";
    out.flush();
    out.close();
    if (!out) {
        std::remove(scratch_.c_str());
        throw std::runtime_error("cannot write " + scratch_ + ": " + ErrnoText());
    }
    // rename() replaces the old journal in one step, so a failure never leaves the log without one.
    if (std::rename(scratch_.c_str(), journal_.c_str()) != 0)
        throw std::runtime_error("cannot replace " + journal_ + ": " + ErrnoText());
}

double PositionJournal::LastPosition(const std::string& logPath, std::vector<std::string>* problems) const {
    std::ifstream in(journal_, std::ios::binary);
    if (!in) return 1;
    std::string raw;
    int lineNumber = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        const std::string line = StripLineEnd(raw);
        std::string_view path, rest;
        if (line.empty()) {
            if (problems)
                problems->push_back("Positions.txt line " + std::to_string(lineNumber) + " is blank");
            continue;
        }
        if (!SplitRecord(line, path, rest)) {
            if (problems)
                problems->push_back("Positions.txt line " + std::to_string(lineNumber) +
                                    " has no double quote");
            continue;
        }
        if (!EqualsIgnoringCase(path, logPath)) continue;
        if (const auto v = ParsePosition(rest)) return *v;
        if (problems)
            problems->push_back("Positions.txt line " + std::to_string(lineNumber) + ": position \"" +
                                std::string(rest) + "\" is not a number");
    }
    return 1;
}

} // namespace corvanth
