#pragma once

#include "DurableFile.h"
#include "LogReader.h"
#include "ProcessingState.h"
#include "UrtInterpreter.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvanth {

// What a follower saves with every journaled position, so that a restart continues the game it was
// reading with the clients it knew: the file, the position (an LF, as journaled), whether the game is
// tracked and the three client tables, the Urban Terror rules' game and client table, and the server's
// name. Saved after the
// rows up to the position are committed, so a snapshot never runs ahead of the database.
struct FollowSnapshot {
    std::string logPath;
    FileIdentity file;
    std::int64_t position = 1;
    bool gameTracked = false;
    std::array<std::string, kClientSlots> clientNames;
    std::array<std::string, kClientSlots> clientIPs;
    std::array<std::string, kClientSlots> clientDates;
    UrtSlots urt;
    std::string hostname; // the server's sv_hostname (log bytes), published in table Online
};

// One file per followed log in the data folder, named after the log's path, replaced durably through
// a scratch file (WriteFileDurably).
class FollowSnapshotStore {
public:
    explicit FollowSnapshotStore(std::string folder, const FileSystemCalls& calls = SystemFileCalls())
        : folder_(std::move(folder)), calls_(calls) {}

    std::string pathFor(const std::string& logPath) const;
    // Throws RunFailure when the file cannot be written.
    void save(const FollowSnapshot& snapshot) const;
    // Nothing when there is no snapshot for the log, or it is unreadable or belongs to another path.
    std::optional<FollowSnapshot> load(const std::string& logPath) const;

private:
    std::string folder_;
    const FileSystemCalls& calls_;
};

} // namespace corvanth
