#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

namespace corvanth {

// Whether a follower is reading a server's log now: a follower that stops says No; one that is killed
// says nothing, and its rows keep Yes until the next start corrects them.
enum class ServerFollowed { No, Yes };

// What a follower publishes of the server one log belongs to (table Online, the row of slot -1 and a
// copy of these columns in each of its player rows). Texts are UTF-8.
struct OnlineServer {
    std::string logPath;   // the log's path as followed: the key, which tells two servers of one name apart
    std::string hostname;  // the sv_hostname of its last tracked InitGame, colour codes kept; empty: none
    std::int64_t seen = 0; // when a line of the log was last read (seconds since the epoch)
    ServerFollowed followed = ServerFollowed::Yes;
};

// One client slot of a server as the follower's client tables hold it; empty name and address: the
// slot is empty and its row goes. Texts are UTF-8, the name as read (not yet in stored form).
struct OnlineSlot {
    int slot = 0;
    std::string playerName;
    std::string ip;
    bool Empty() const { return playerName.empty() && ip.empty(); }
};

// The time a follower stamps its rows with: the system clock, or a fake one in tests.
class EpochClock {
public:
    virtual ~EpochClock() = default;
    virtual std::int64_t Seconds() const = 0;
};

class SystemEpochClock final : public EpochClock {
public:
    std::int64_t Seconds() const override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

} // namespace corvanth
