#pragma once

#include "ProcessingState.h"
#include "VisitSink.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvanth {

// The grammar of the game server's log: follows games and clients in the ProcessingState's client
// tables and records visits and referee logins in the sink. One interpreter lives for one run: a new
// run starts with no game tracked. Lines are raw Windows-1252 bytes without their LF.
class LineInterpreter {
public:
    LineInterpreter(ProcessingState& state, VisitSink& sink) : state_(state), sink_(sink) {}

    // Throws RunFailure for a line that cannot be carried out (bad client number, a connect line
    // without DATE) and passes on failures of the sink.
    void InterpretLine(std::string_view line);

    // False for a (non-empty) line that InterpretLine would leave alone: most lines of a log are, and
    // the scan skips them without a call.
    bool MightMatter(std::string_view line) const {
        if (line.size() >= 16 && line[7] == 'I') return true;
        if (!gameTracked_) return false;
        return line.back() == 'd' || (line.size() >= 13 && line[7] == 'C');
    }

    bool GameTracked() const { return gameTracked_; }
    // A follower that restarts where it saved its state continues the game it was reading.
    void RestoreGameTracked(bool tracked) { gameTracked_ = tracked; }
    std::int64_t VisitsRecorded() const { return visits_; }
    std::int64_t RefereeMarks() const { return refereeMarks_; }

private:
    void handleInitGame(std::string_view line, std::string_view& cut);
    void handleReferee(std::string_view line);
    void handleUserinfoChanged(std::string_view cut);
    void handleConnect(std::string_view cut);
    void handleDisconnect(std::string_view cut);
    void recordSlot(int slot);

    ProcessingState& state_;
    VisitSink& sink_;
    bool gameTracked_ = false;
    std::int64_t visits_ = 0;
    std::int64_t refereeMarks_ = 0;
    // Reused for the UTF-8 texts handed to the sink, so a visit allocates nothing in the interpreter.
    std::string name8_, ip8_, date8_;
};

// A client number as the log writes it: surrounding spaces and tabs and a trailing CR are accepted, a
// fraction is rounded half to even. Returns nothing for text that is not a number.
std::optional<double> ParseClientNumber(std::string_view text);
// The version test of an InitGame line: a decimal number, or a number followed by one more character.
std::optional<double> ParseVersion(std::string_view text);

} // namespace corvanth
