#pragma once

#include "FollowSnapshot.h"
#include "LogScanner.h"
#include "PositionJournal.h"
#include "ProcessingState.h"
#include "RunHost.h"
#include "VisitSink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvanth {

enum class FollowEventKind { Started, Rotated, Truncated, Missing, Failed, Unreachable, Reachable };

struct FollowEvent {
    FollowEventKind kind;
    std::string logPath; // empty for the database's events (Unreachable, Reachable)
    std::string text;    // one line for the administrator
};

class FollowObserver {
public:
    virtual ~FollowObserver() = default;
    virtual void onEvent(const FollowEvent& event) = 0;
};

struct FollowedLogStatus {
    std::string path;
    std::int64_t position = 0; // the last byte read of the file the path names
    std::int64_t linesRead = 0;
    std::int64_t gamesTracked = 0; // InitGame lines that started a tracked game, in the bytes read
    std::int64_t visitsRecorded = 0;
    std::int64_t startedAt = 1; // the byte the reading of the current file began at
    bool tracking = false;      // the lines being read now belong to a tracked game
    bool waiting = false;       // the path names no file
    bool failed = false;
};

enum class TurnResult {
    Idle,        // every log was read to its end
    MoreWaiting, // a log had more bytes than one turn reads
    Stopped,     // a stop was asked for; everything read is committed and journaled
    AllFailed,   // no log can be read on
    Unreachable, // the database cannot be reached; the next turn tries again
};

// Follows several logs on one names database, each with its own client tables, journal record and
// saved state. turn() reads each log in turn (at most a budget of bytes each, so a busy log cannot
// starve a quiet one), notices rotation (the path names another file: the old one is read to its end
// first, then the new one from byte 1 with fresh client tables), truncation (the file shrank below the
// position: byte 1 again) and a log that disappears, commits, then saves every log's state and
// journals its position. Only complete lines are interpreted; a partial last line waits.
class LogFollower {
public:
    LogFollower(VisitSink& sink, const PositionJournal& journal, const FollowSnapshotStore& snapshots,
                RunHost& host, FollowObserver& observer, RunOptions options = {},
                std::int64_t bytesPerTurn = std::int64_t{1} << 20);
    ~LogFollower();
    LogFollower(const LogFollower&) = delete;
    LogFollower& operator=(const LogFollower&) = delete;

    // Starts at the saved state when it belongs to the file the path names and is not behind the
    // journal, else at the journaled position with fresh tables (byte 1 when the file is shorter).
    void add(const std::string& logPath);

    // Reads every log in turn, or, while the database cannot be reached, tries to reconnect first.
    TurnResult turn();
    // Asks every scan to stop at its next line end (from a host's pump or between turns).
    void requestStop();
    // Reopens every log at its position, as after a rotation that kept the file (SIGHUP).
    void reopen();

    std::vector<FollowedLogStatus> status() const;

    // From now on, every turn publishes each server's client slots in table Online through the sink
    // (VisitSink::PublishOnline), in the batch the turn commits, stamped by `clock`, which outlives
    // the follower. A follower that is not asked publishes nothing.
    void publishOnline(const EpochClock& clock) { clock_ = &clock; }
    // Marks every server not followed and commits (a follower that stops). Throws as a turn does.
    void unpublishOnline();

private:
    struct Followed;
    enum class Resume { Start, AfterOutage };
    // Starts the log where a restarted follower would: its saved state or its journaled position.
    void begin(Followed& log, Resume resume);
    void start(Followed& log, std::int64_t position, const FollowSnapshot* restored);
    void startFresh(Followed& log, FollowEventKind kind, const std::string& text);
    // Returns false when the log failed.
    bool read(Followed& log, bool& moreWaiting);
    // The log fails at the line that starts at byte `position` (0: at no line), and is read no more.
    void fail(Followed& log, std::int64_t position, std::string_view line, const std::string& reason);
    // A visit the database refused, found after its line (maybe while another log was read): that log
    // fails at the line, unsaved; every other log goes back to its last save.
    TurnResult refused(Followed& log, std::int64_t position, const std::string& reason);
    // Every log that has not failed starts again from its last save (what came after may be unwritten).
    void backToLastSave();
    void save(Followed& log);
    // The log's server and the slots that changed since it was last published (all of them first).
    void publish(Followed& log);
    TurnResult readAll();
    // After a SinkUnreachable failure: reconnects and starts every log again from its last save.
    // False while the database cannot be reached.
    bool reconnect();
    void reopenAll();
    void event(FollowEventKind kind, const Followed& log, const std::string& text);

    VisitSink& sink_;
    const PositionJournal& journal_;
    const FollowSnapshotStore& snapshots_;
    RunHost& host_;
    FollowObserver& observer_;
    const RunOptions options_;
    const std::int64_t bytesPerTurn_;
    bool stopRequested_ = false;
    bool unreachable_ = false; // since the last SinkUnreachable failure, until a reconnect
    bool unreachableSaid_ = false;
    std::string lostBy_; // the failure that lost the database
    std::vector<std::unique_ptr<Followed>> logs_;
    const EpochClock* clock_ = nullptr;
    std::vector<OnlineSlot> changed_;
};

} // namespace corvanth
