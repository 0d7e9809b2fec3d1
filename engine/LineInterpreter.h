#pragma once

#include "ProcessingState.h"
#include "UrtInterpreter.h"
#include "VisitDates.h"
#include "VisitSink.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace corvanth {

// The pieces of a log line the interpreter looks for. A line starts with the game time, six
// characters such as "  0:00", and a separator; the event text follows.
namespace logline {
inline constexpr std::size_t kTimeWidth = 6;
inline constexpr std::size_t kPrefix = kTimeWidth + 1;
inline constexpr std::string_view kGameStartTime = "  0:00";
inline constexpr std::string_view kInitGame = "InitGame:";
inline constexpr std::string_view kVersionKey = "\\wfversion\\";
inline constexpr double kFirstTrackedVersion = 2.8;
inline constexpr std::string_view kRefPassword = "RefPassword";
inline constexpr std::string_view kClient = "Client";
inline constexpr std::string_view kUserinfoChanged = "ClientUserinfoChanged:";
inline constexpr std::string_view kUserinfoNameKey = "n\\"; // two characters before the name, not checked
inline constexpr std::string_view kConnect = "ClientConnect:";
inline constexpr std::string_view kConnectNameLabel = " name: "; // after the first comma, not checked
inline constexpr std::string_view kConnectIpLabel = " ip: ";     // after the second comma, not checked
inline constexpr std::string_view kDate = "DATE";
inline constexpr std::size_t kDateSeparatorWidth = 2; // ": " between "DATE" and the date text
inline constexpr std::string_view kDisconnect = "ClientDisconnect:";
} // namespace logline

// Why a log that was read recorded nothing when no game was tracked: only games whose InitGame line
// names \wfversion\ 2.8 or later are. `startPosition` is the 1-based byte the reading began at.
std::string NoTrackedGameReason(std::int64_t startPosition);

// What the interpreter has learnt up to a line: the game tracked, its counts and the client tables.
// Saved before lines whose writes may fail later, so they can be interpreted again from there.
struct InterpreterProgress {
    bool gameTracked = false;
    std::int64_t gamesTracked = 0;
    std::int64_t visits = 0;
    std::int64_t refereeMarks = 0;
    std::array<std::string, kClientSlots> names, ips, dates;
    UrtSlots urt;
    std::string hostname;
};

// The grammar of the game server's log: follows games and clients in the ProcessingState's client
// tables and records visits and referee logins in the sink. One interpreter lives for one run: a new
// run starts with no game tracked. Lines are raw Windows-1252 bytes without their LF.
// A line the present rules leave alone, outside the games they track, goes to the Urban Terror rules
// (UrtInterpreter), which date their visits by `dates` (without it, by the time a line is read).
class LineInterpreter {
public:
    LineInterpreter(ProcessingState& state, VisitSink& sink, VisitDates* dates = nullptr)
        : state_(state), sink_(sink), urt_(sink, dates) {}

    // Throws RunFailure for a line that cannot be carried out (bad client number, a connect line
    // without DATE or whose name would end before it starts) and passes on failures of the sink.
    void InterpretLine(std::string_view line);

    // False for a (non-empty) line that InterpretLine would leave alone: most lines of a log are, and
    // the scan skips them without a call.
    // Only the first four characters of the event and the last two of the line are compared, each
    // group at once: "Item:" lines, a third of a log, share the first letter with "InitGame:".
    bool MightMatter(std::string_view line) const {
        using namespace logline;
        if (line.size() >= kPrefix + kInitGame.size() && FourAt(line, kPrefix, kInitGame)) return true;
        if (!gameTracked_)
            return urt_.Listening() && line.size() >= kPrefix + kClient.size() &&
                   FourAt(line, kPrefix, kClient);
        return line.ends_with(kRefPassword.substr(kRefPassword.size() - 2)) ||
               (line.size() >= kPrefix + kClient.size() && FourAt(line, kPrefix, kClient));
    }

    bool GameTracked() const { return gameTracked_; }
    // How many InitGame lines started a tracked game (a game continued from a saved state is not one).
    std::int64_t GamesTracked() const { return gamesTracked_; }
    // A follower that restarts where it saved its state continues the game it was reading.
    void RestoreGameTracked(bool tracked) { gameTracked_ = tracked; }
    std::int64_t VisitsRecorded() const { return visits_; }
    // Copies reuse the saved strings' storage, so saving again and again allocates little.
    void SaveProgress(InterpreterProgress& saved) const;
    void RestoreProgress(const InterpreterProgress& saved);
    std::int64_t RefereeMarks() const { return refereeMarks_; }
    // The Urban Terror rules' client table, which a follower saves with the present rules' tables.
    const UrtSlots& UrtState() const { return urt_.Slots(); }
    void RestoreUrtState(const UrtSlots& saved) { urt_.RestoreSlots(saved); }
    // The sv_hostname of the last InitGame of a game either rules read (log bytes; empty before one).
    const std::string& Hostname() const { return hostname_; }
    void RestoreHostname(std::string_view saved) { hostname_.assign(saved); }

private:
    // The four characters of `line` at `at` are the first four of `word` (the caller checked the length).
    static bool FourAt(std::string_view line, std::size_t at, std::string_view word) {
        return std::memcmp(line.data() + at, word.data(), 4) == 0;
    }
    void handleInitGame(std::string_view line, std::string_view& cut);
    void handleReferee(std::string_view line);
    void handleUserinfoChanged(std::string_view cut);
    void handleConnect(std::string_view cut);
    void handleDisconnect(std::string_view cut);
    void recordSlot(int slot);
    void noteHostname(std::string_view event);

    ProcessingState& state_;
    VisitSink& sink_;
    UrtInterpreter urt_;
    bool gameTracked_ = false;
    std::int64_t gamesTracked_ = 0;
    std::int64_t visits_ = 0;
    std::int64_t refereeMarks_ = 0;
    // Reused for the UTF-8 texts handed to the sink, so a visit allocates nothing in the interpreter.
    std::string name8_, ip8_, date8_;
    std::string hostname_;
};

} // namespace corvanth
