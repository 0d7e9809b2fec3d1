#pragma once

#include "ProcessingState.h"
#include "VisitDates.h"
#include "VisitSink.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvanth {

// The game a log is in, as the Urban Terror rules see it.
enum class UrtGame : std::uint8_t {
    Unknown,     // no InitGame read yet: the log may start in the middle of a game
    UrbanTerror, // the last InitGame named Urban Terror (gamename q3ut4, q3urt42, q3urt43)
    Other,       // the last InitGame named another game, or a game the present rules track
};

// Whether the present rules track the game an InitGame line starts.
enum class PresentRules { Untracked, Tracked };

// The Urban Terror rules' own client table (log bytes). A slot holds an address once a ClientUserinfo
// line gave it one that is recorded, and is emptied by ClientDisconnect.
struct UrtSlots {
    UrtGame game = UrtGame::Unknown;
    std::array<std::string, kClientSlots> names, ips, guids;

    bool operator==(const UrtSlots&) const = default;
};

// The rules of Urban Terror 4.x logs, for the lines the present rules leave alone: a game whose
// InitGame names Urban Terror, and the start of a log before its first InitGame. A ClientUserinfo
// line records its name and address (without the port) and the client's cl_guid; a ClientUserinfoChanged
// line records a new name of a filled slot with the slot's address; ClientDisconnect empties the slot.
// Bots and local clients (\ip\bot, localhost, no address) are not recorded. The lines carry no date:
// every visit is dated by the VisitDates given.
class UrtInterpreter {
public:
    // Without `dates`, visits are dated by the time they are read.
    UrtInterpreter(VisitSink& sink, VisitDates* dates) : sink_(sink), dates_(dates ? *dates : ownClock_) {}
    UrtInterpreter(const UrtInterpreter&) = delete;
    UrtInterpreter& operator=(const UrtInterpreter&) = delete;

    // False in a game of another kind: then no client line is the Urban Terror rules' business.
    bool Listening() const { return slots_.game != UrtGame::Other; }

    // An InitGame line's event text (from "InitGame:"), after the present rules have read it.
    void InitGame(std::string_view event, PresentRules present);
    // A line's event text outside a game the present rules track. Returns the visits recorded.
    int ClientLine(std::string_view event);

    const UrtSlots& Slots() const { return slots_; }
    // Copies that reuse the storage of the strings they overwrite.
    void SaveSlots(UrtSlots& saved) const;
    void RestoreSlots(const UrtSlots& saved);

private:
    int userinfo(int slot, std::string_view info);
    int userinfoChanged(int slot, std::string_view rest);
    int record(int slot);

    VisitSink& sink_;
    ReadingClock ownClock_;
    VisitDates& dates_;
    UrtSlots slots_;
    std::string name8_, ip8_, guid8_;
};

} // namespace corvanth
