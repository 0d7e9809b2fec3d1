#include "LineInterpreter.h"

#include "NameText.h"
#include "RunFailure.h"
#include "TextCodec.h"

#include <charconv>
#include <cmath>
#include <string>

namespace corvanth {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Text from 0-based index `from`, cut like the prefix cut: empty when the line is shorter.
std::string_view From(std::string_view s, std::size_t from) {
    return from < s.size() ? s.substr(from) : std::string_view{};
}

std::size_t FindFrom(std::string_view s, std::string_view what, std::size_t from) {
    return from <= s.size() ? s.find(what, from) : npos;
}

// Text between two 0-based indexes; a negative length reads as empty text.
std::string_view Between(std::string_view s, std::size_t from, std::size_t to) {
    if (from >= to || from >= s.size()) return {};
    return s.substr(from, to - from);
}

bool IsDecimalNumber(std::string_view t, double& value) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    if (t.empty()) return false;
    std::size_t i = 0;
    bool negative = false;
    if (t[i] == '+' || t[i] == '-') {
        negative = t[i] == '-';
        ++i;
    }
    // from_chars takes no sign and no leading dot handling surprises: check the shape ourselves.
    std::size_t digits = 0;
    std::size_t j = i;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9')
        ++j, ++digits;
    if (j < t.size() && t[j] == '.') {
        ++j;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9')
            ++j, ++digits;
    }
    if (digits == 0) return false;
    if (j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        std::size_t expDigits = 0;
        while (k < t.size() && t[k] >= '0' && t[k] <= '9')
            ++k, ++expDigits;
        if (expDigits == 0) return false;
        j = k;
    }
    if (j != t.size()) return false;
    double v = 0;
    std::string_view body = t.substr(i, j - i);
    if (!body.empty() && body.front() == '.') {
        std::string withZero = "0" + std::string(body);
        if (std::from_chars(withZero.data(), withZero.data() + withZero.size(), v).ec != std::errc{})
            return false;
    } else if (std::from_chars(body.data(), body.data() + body.size(), v).ec != std::errc{}) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = negative ? -v : v;
    return true;
}

int SlotOf(std::string_view text) {
    const auto n = ParseClientNumber(text);
    if (!n) throw RunFailure("client number \"" + Windows1252ToUtf8(text) + "\" is not a number");
    if (*n < 0 || *n > kClientSlots - 1)
        throw RunFailure("client number " + Windows1252ToUtf8(text) + " is outside 0 to 100");
    return static_cast<int>(*n);
}

} // namespace

std::optional<double> ParseClientNumber(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    double v = 0;
    if (!IsDecimalNumber(text, v)) return std::nullopt;
    return std::nearbyint(v); // the default rounding mode rounds halves to even
}

std::optional<double> ParseVersion(std::string_view text) {
    double v = 0;
    if (IsDecimalNumber(text, v)) return v;
    if (text.empty()) return std::nullopt;
    text.remove_suffix(1);
    if (IsDecimalNumber(text, v)) return v;
    return std::nullopt;
}

void LineInterpreter::InterpretLine(std::string_view line) {
    std::string_view cut = line;
    // 1. InitGame test: character 8 starts "InitGame:".
    if (line.size() >= 16 && line[7] == 'I' && line.substr(7, 9) == "InitGame:") {
        handleInitGame(line, cut);
        if (!gameTracked_) return;
    }
    // 2. Untracked games end here.
    if (!gameTracked_) return;
    // 3. Referee login: the line ends in "RefPassword".
    if (!cut.empty() && cut.back() == 'd' && cut.size() >= 11 &&
        cut.substr(cut.size() - 11) == "RefPassword") {
        handleReferee(cut);
        return;
    }
    // 4. Client lines: character 8 starts "Client".
    if (cut.size() >= 13 && cut[7] == 'C' && cut.substr(7, 6) == "Client") {
        const std::string_view c = From(cut, 7);
        if (c.substr(0, 22) == "ClientUserinfoChanged:")
            handleUserinfoChanged(c);
        else if (c.substr(0, 14) == "ClientConnect:")
            handleConnect(c);
        else if (c.substr(0, 17) == "ClientDisconnect:")
            handleDisconnect(c);
    }
}

void LineInterpreter::handleInitGame(std::string_view line, std::string_view& cut) {
    const std::string_view time = line.substr(0, 6);
    cut = From(line, 7);
    if (time == "  0:00") state_.ClearClients();
    gameTracked_ = false;
    const std::size_t marker = cut.find("\\wfversion\\");
    if (marker == npos) {
        state_.ClearClients();
        return;
    }
    const std::size_t start = marker + 11;
    const std::size_t end = FindFrom(cut, "\\", start);
    if (end == npos) return;
    const std::string_view version = cut.substr(start, end - start);
    if (version.empty()) {
        state_.ClearClients();
        return;
    }
    const auto number = ParseVersion(version);
    if (!number) {
        state_.ClearClients();
        return;
    }
    if (*number < 2.8) return;
    gameTracked_ = true;
}

void LineInterpreter::handleReferee(std::string_view line) {
    const std::string_view cut = From(line, 7);
    const std::size_t space = cut.find(' ');
    if (space == npos) return;
    const std::string name = EncodeName1252(cut.substr(0, space));
    for (int i = 0; i < kClientSlots; ++i) {
        if (state_.ClientNames[i] == name) {
            sink_.MarkReferee(Windows1252ToUtf8(name), Windows1252ToUtf8(state_.ClientIPs[i]));
            ++refereeMarks_;
            return;
        }
    }
}

void LineInterpreter::handleUserinfoChanged(std::string_view cut) {
    const std::size_t space = FindFrom(cut, " ", 23);
    if (space == npos) return;
    const std::string_view number = cut.substr(23, space - 23);
    const std::size_t nameStart = space + 3;
    const std::size_t backslash = FindFrom(cut, "\\", nameStart);
    if (backslash == npos) return;
    const std::string_view name = cut.substr(nameStart, backslash - nameStart);
    const int c = SlotOf(number);
    if (name != state_.ClientNames[c]) {
        state_.ClientNames[c] = std::string(name);
        recordSlot(c);
    }
}

void LineInterpreter::handleConnect(std::string_view cut) {
    const std::size_t comma1 = FindFrom(cut, ",", 15);
    if (comma1 == npos) return;
    const std::string_view number = cut.substr(15, comma1 - 15);
    const std::size_t comma2 = FindFrom(cut, ",", 24);
    if (comma2 == npos) return;
    const std::string name = EncodeName1252(Between(cut, comma1 + 8, comma2));
    const int c = SlotOf(number);
    state_.ClientNames[c] = name;
    const std::size_t ipStart = comma2 + 6;
    const std::size_t date = FindFrom(cut, "DATE", ipStart);
    if (date == npos) throw RunFailure("ClientConnect line without DATE after the address");
    std::string_view ip = date > 0 ? Between(cut, ipStart, date - 1) : std::string_view{};
    if (const std::size_t colon = ip.find(':'); colon != npos) ip = ip.substr(0, colon);
    state_.ClientDates[c] = std::string(From(cut, date + 6));
    if (!ip.empty()) state_.ClientIPs[c] = std::string(ip);
    recordSlot(c);
}

void LineInterpreter::handleDisconnect(std::string_view cut) {
    const int c = SlotOf(From(cut, 18));
    state_.ClientIPs[c].clear();
    state_.ClientNames[c].clear();
}

void LineInterpreter::recordSlot(int slot) {
    Windows1252ToUtf8(state_.ClientNames[slot], name8_);
    Windows1252ToUtf8(state_.ClientIPs[slot], ip8_);
    Windows1252ToUtf8(state_.ClientDates[slot], date8_);
    sink_.RecordVisit(name8_, ip8_, date8_);
    ++visits_;
}

} // namespace corvanth
