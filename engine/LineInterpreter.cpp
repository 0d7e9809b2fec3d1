#include "LineInterpreter.h"

#include "DecimalText.h"
#include "NameText.h"
#include "RunFailure.h"
#include "TextCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
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

// A field: the text from `from` up to the first `delimiter` at or after it, and the delimiter's index.
struct Field {
    std::string_view text;
    std::size_t end;
};
std::optional<Field> UpTo(std::string_view s, std::size_t from, std::string_view delimiter) {
    const std::size_t end = FindFrom(s, delimiter, from);
    if (end == npos) return std::nullopt;
    return Field{s.substr(from, end - from), end};
}

// Text between two 0-based indexes; a negative length reads as empty text.
std::string_view Between(std::string_view s, std::size_t from, std::size_t to) {
    if (from >= to || from >= s.size()) return {};
    return s.substr(from, to - from);
}

// A client number as the log writes it: surrounding spaces and tabs and a trailing CR are accepted, a
// fraction is rounded half to even. Nothing for text that is not a number.
std::optional<double> ParseClientNumber(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const auto v = ParseDecimal(text);
    if (!v) return std::nullopt;
    return std::nearbyint(*v); // the default rounding mode rounds halves to even
}

// The version test of an InitGame line: a decimal number, or a number followed by one more character.
std::optional<double> ParseVersion(std::string_view text) {
    if (const auto v = ParseDecimal(text)) return v;
    if (text.empty()) return std::nullopt;
    text.remove_suffix(1);
    return ParseDecimal(text);
}

int SlotOf(std::string_view text) {
    // The usual form, plain digits, is read without the decimal parser and its rounding; any other text
    // goes through it and so reads the same.
    if (const auto whole = ParseWholeNumber(text); whole && *whole < kClientSlots)
        return static_cast<int>(*whole);
    const auto n = ParseClientNumber(text);
    if (!n) throw RunFailure("client number \"" + Windows1252ToUtf8(text) + "\" is not a number");
    if (*n < 0 || *n > kClientSlots - 1)
        throw RunFailure("client number " + Windows1252ToUtf8(text) + " is outside 0 to 100");
    return static_cast<int>(*n);
}

} // namespace

std::string NoTrackedGameReason(std::int64_t startPosition) {
    using namespace logline;
    char version[16];
    std::snprintf(version, sizeof version, "%g", kFirstTrackedVersion);
    std::string text = "no tracked game: the log has no " +
                       std::string(kInitGame.substr(0, kInitGame.size() - 1)) + " line with " +
                       std::string(kVersionKey) + " " + version + " or later, nor an Urban Terror game";
    if (startPosition > 1) text += " from byte " + std::to_string(startPosition) + " on";
    return text;
}

void LineInterpreter::SaveProgress(InterpreterProgress& saved) const {
    saved.gameTracked = gameTracked_;
    saved.gamesTracked = gamesTracked_;
    saved.visits = visits_;
    saved.refereeMarks = refereeMarks_;
    urt_.SaveSlots(saved.urt);
    saved.hostname.assign(hostname_);
    for (int i = 0; i < kClientSlots; ++i) {
        saved.names[i].assign(state_.ClientNames[i]);
        saved.ips[i].assign(state_.ClientIPs[i]);
        saved.dates[i].assign(state_.ClientDates[i]);
    }
}

void LineInterpreter::RestoreProgress(const InterpreterProgress& saved) {
    gameTracked_ = saved.gameTracked;
    gamesTracked_ = saved.gamesTracked;
    visits_ = saved.visits;
    refereeMarks_ = saved.refereeMarks;
    urt_.RestoreSlots(saved.urt);
    hostname_.assign(saved.hostname);
    for (int i = 0; i < kClientSlots; ++i) {
        state_.ClientNames[i].assign(saved.names[i]);
        state_.ClientIPs[i].assign(saved.ips[i]);
        state_.ClientDates[i].assign(saved.dates[i]);
    }
}

void LineInterpreter::InterpretLine(std::string_view line) {
    using namespace logline;
    std::string_view cut = line;
    // 1. InitGame test: the event text starts "InitGame:".
    if (line.size() >= kPrefix + kInitGame.size() && line[kPrefix] == kInitGame[0] &&
        line.substr(kPrefix, kInitGame.size()) == kInitGame) {
        handleInitGame(line, cut);
        urt_.InitGame(From(line, kPrefix), gameTracked_ ? PresentRules::Tracked : PresentRules::Untracked);
        const bool urbanTerror =
            urt_.Slots().game == UrtGame::UrbanTerror; // a game the Urban Terror rules read
        if (urbanTerror) ++gamesTracked_;
        if (gameTracked_ || urbanTerror) noteHostname(From(line, kPrefix));
        if (!gameTracked_) return;
    }
    // 2. Untracked games end here, but for the Urban Terror rules.
    if (!gameTracked_) {
        if (urt_.Listening()) visits_ += urt_.ClientLine(From(line, kPrefix));
        return;
    }
    // 3. Referee login: the line ends in "RefPassword".
    if (!cut.empty() && cut.back() == kRefPassword.back() && cut.ends_with(kRefPassword)) {
        handleReferee(cut);
        return;
    }
    // 4. Client lines: the event text starts "Client".
    if (cut.size() >= kPrefix + kClient.size() && cut[kPrefix] == kClient[0] &&
        cut.substr(kPrefix, kClient.size()) == kClient) {
        const std::string_view c = From(cut, kPrefix);
        if (c.starts_with(kUserinfoChanged))
            handleUserinfoChanged(c);
        else if (c.starts_with(kConnect))
            handleConnect(c);
        else if (c.starts_with(kDisconnect))
            handleDisconnect(c);
    }
}

void LineInterpreter::noteHostname(std::string_view event) {
    constexpr std::string_view kKey = "\\sv_hostname\\";
    const std::size_t at = event.find(kKey);
    if (at == npos) return;
    std::string_view value = From(event, at + kKey.size());
    value = value.substr(0, std::min(value.find('\\'), value.size()));
    if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
    hostname_.assign(value);
}

void LineInterpreter::handleInitGame(std::string_view line, std::string_view& cut) {
    using namespace logline;
    const std::string_view time = line.substr(0, kTimeWidth);
    cut = From(line, kPrefix);
    if (time == kGameStartTime) state_.ClearClients();
    gameTracked_ = false;
    const std::size_t marker = cut.find(kVersionKey);
    if (marker == npos) {
        state_.ClearClients();
        return;
    }
    const std::size_t start = marker + kVersionKey.size();
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
    if (*number < kFirstTrackedVersion) return;
    gameTracked_ = true;
    ++gamesTracked_;
}

void LineInterpreter::handleReferee(std::string_view line) {
    const std::string_view cut = From(line, logline::kPrefix);
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

// "ClientUserinfoChanged: 12 n\Name\t\0...": the separator, the client number, a space, two characters
// and the name up to the next backslash.
void LineInterpreter::handleUserinfoChanged(std::string_view cut) {
    using namespace logline;
    const auto number = UpTo(cut, kUserinfoChanged.size() + 1, " ");
    if (!number) return;
    const auto name = UpTo(cut, number->end + 1 + kUserinfoNameKey.size(), "\\");
    if (!name) return;
    const int c = SlotOf(number->text);
    if (name->text != state_.ClientNames[c]) {
        state_.ClientNames[c].assign(name->text);
        recordSlot(c);
    }
}

// "ClientConnect: 3, name: Ace, ip: 1.2.3.4:27960 DATE: 2004-01-01": the separator, the client
// number up to a comma, a label, the name up to the next comma, a label, the address up to the
// character before "DATE", and the date text after "DATE" and two more characters.
void LineInterpreter::handleConnect(std::string_view cut) {
    using namespace logline;
    constexpr std::size_t numberStart = kConnect.size() + 1;
    const auto number = UpTo(cut, numberStart, ",");
    if (!number) return;
    // The second comma is looked for from where the name of a one-digit client starts.
    const std::size_t comma2 = FindFrom(cut, ",", numberStart + 2 + kConnectNameLabel.size());
    if (comma2 == npos) return;
    const std::size_t nameStart = number->end + 1 + kConnectNameLabel.size();
    if (nameStart > comma2)
        throw RunFailure("ClientConnect line whose player name would end before it starts");
    const std::string_view name = cut.substr(nameStart, comma2 - nameStart);
    const int c = SlotOf(number->text);
    // The tables keep their storage from line to line: assigning reuses it.
    EncodeName1252(name, state_.ClientNames[c]);
    const std::size_t ipStart = comma2 + 1 + kConnectIpLabel.size();
    const std::size_t date = FindFrom(cut, kDate, ipStart);
    if (date == npos) throw RunFailure("ClientConnect line without DATE after the address");
    // The address ends one character (a separator) before "DATE" (found after the address, so never at 0).
    std::string_view ip = Between(cut, ipStart, date - 1);
    if (const std::size_t colon = ip.find(':'); colon != npos) ip = ip.substr(0, colon);
    state_.ClientDates[c].assign(From(cut, date + kDate.size() + kDateSeparatorWidth));
    if (!ip.empty()) state_.ClientIPs[c].assign(ip);
    recordSlot(c);
}

void LineInterpreter::handleDisconnect(std::string_view cut) {
    const int c = SlotOf(From(cut, logline::kDisconnect.size() + 1));
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
