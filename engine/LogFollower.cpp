#include "LogFollower.h"

#include "RunFailure.h"
#include "TextCodec.h"

#include <exception>

namespace corvanth {
namespace {

// The bytes of a failed line shown.
constexpr std::size_t kShownLine = 300;

// The journaled position of a log; a journal that cannot be read ends the follow like any failure.
std::int64_t JournaledPosition(const PositionJournal& journal, const std::string& path) {
    const auto lookup = journal.LastPosition(path);
    if (!lookup) throw RunFailure(lookup.reason());
    return lookup->position;
}

bool IsUnreachable(const std::exception& e) {
    return dynamic_cast<const SinkUnreachable*>(&e) != nullptr;
}

// A database's message on one line: its line breaks (and the indentation after them) become a space.
std::string OneLine(std::string_view text) {
    std::string line;
    bool broken = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            broken = true;
        } else if (!broken || (c != ' ' && c != '\t')) {
            if (broken && !line.empty()) line += ' ';
            broken = false;
            line += c;
        }
    }
    return line;
}

} // namespace

struct LogFollower::Followed {
    std::string path;
    ProcessingState state;
    std::unique_ptr<LogScanner> scanner; // none while the path has named no file yet
    FileIdentity identity;
    std::int64_t startedAt = 1; // where reading of the current file began
    std::int64_t journaled = 0; // the position last journaled, 0 before the first
    bool missingSaid = false;
    bool failed = false;
    // Totals of files read before the current one, and the totals when the state was saved last.
    std::int64_t linesBefore = 0, gamesBefore = 0, visitsBefore = 0;
    std::int64_t linesAtSave = 0, gamesAtSave = 0, visitsAtSave = 0;
    // What table Online holds of this log, as last published (log bytes); nothing before the first.
    bool published = false;
    std::array<std::string, kClientSlots> publishedNames, publishedIPs;
    std::string publishedHost;
    std::int64_t publishedSeen = 0;
    std::int64_t seen = 0;       // when a line was last read: the file's modification time at start
    std::int64_t linesSeen = -1; // the lines read by then
};

LogFollower::LogFollower(VisitSink& sink, const PositionJournal& journal,
                         const FollowSnapshotStore& snapshots, RunHost& host, FollowObserver& observer,
                         RunOptions options, std::int64_t bytesPerTurn)
    : sink_(sink), journal_(journal), snapshots_(snapshots), host_(host), observer_(observer),
      options_(options), bytesPerTurn_(bytesPerTurn) {}

LogFollower::~LogFollower() = default;

void LogFollower::event(FollowEventKind kind, const Followed& log, const std::string& text) {
    observer_.onEvent({kind, log.path, text});
}

void LogFollower::add(const std::string& logPath) {
    logs_.push_back(std::make_unique<Followed>());
    logs_.back()->path = logPath;
    begin(*logs_.back(), Resume::Start);
}

void LogFollower::begin(Followed& log, Resume resume) {
    const auto facts = LookAtPath(log.path);
    if (!facts) {
        if (!log.missingSaid) event(FollowEventKind::Missing, log, "the log does not exist; waiting for it");
        log.missingSaid = true;
        return;
    }
    const auto journaled = JournaledPosition(journal_, log.path);
    const auto snapshot = snapshots_.load(log.path);
    const bool say = resume == Resume::Start;
    if (snapshot && snapshot->file == facts->identity && snapshot->position >= journaled &&
        snapshot->position <= facts->size) {
        start(log, snapshot->position, &*snapshot);
        if (say)
            event(FollowEventKind::Started, log,
                  "following from byte " + std::to_string(snapshot->position) + " with its saved clients");
    } else if (snapshot && !(snapshot->file == facts->identity)) {
        startFresh(log, FollowEventKind::Rotated,
                   "the log was replaced while not followed; reading from byte 1");
    } else if (journaled > facts->size) {
        startFresh(log, FollowEventKind::Truncated,
                   "the log is shorter than its journaled position " + std::to_string(journaled) +
                       "; reading from byte 1");
    } else {
        start(log, std::max<std::int64_t>(journaled, 1), nullptr);
        if (say) event(FollowEventKind::Started, log, "following from byte " + std::to_string(log.startedAt));
    }
}

void LogFollower::start(Followed& log, std::int64_t position, const FollowSnapshot* restored) {
    if (log.scanner) {
        log.linesBefore += log.scanner->linesRead();
        log.gamesBefore += log.scanner->interpreter().GamesTracked();
        log.visitsBefore += log.scanner->interpreter().VisitsRecorded();
    }
    log.scanner.reset();
    log.state.Processing = !stopRequested_;
    log.state.ResumePosition.reset();
    log.state.ReadPosition = position - 1;
    if (restored) {
        log.state.ClientNames = restored->clientNames;
        log.state.ClientIPs = restored->clientIPs;
        log.state.ClientDates = restored->clientDates;
    }
    log.scanner = std::make_unique<LogScanner>(log.state, sink_, host_, options_);
    log.scanner->open(log.path, position);
    log.identity = log.scanner->reader().facts().identity;
    if (restored) {
        log.scanner->interpreter().RestoreGameTracked(restored->gameTracked);
        log.scanner->interpreter().RestoreUrtState(restored->urt);
        log.scanner->interpreter().RestoreHostname(restored->hostname);
    }
    log.seen = static_cast<std::int64_t>(log.scanner->reader().facts().modified);
    log.linesSeen = log.linesBefore;
    log.startedAt = position;
    log.missingSaid = false;
}

// A new file starts a new game history: byte 1, empty client tables.
void LogFollower::startFresh(Followed& log, FollowEventKind kind, const std::string& text) {
    log.state.ClearClients();
    for (auto& date : log.state.ClientDates)
        date.clear();
    // The server keeps its name until the new file's first InitGame names it again.
    const std::string hostname = log.scanner ? log.scanner->interpreter().Hostname() : std::string();
    start(log, 1, nullptr);
    log.scanner->interpreter().RestoreHostname(hostname);
    event(kind, log, text);
}

bool LogFollower::read(Followed& log, bool& moreWaiting) {
    try {
        const auto facts = LookAtPath(log.path);
        if (!log.scanner) {
            if (!facts) return true;
            const auto journaled = JournaledPosition(journal_, log.path);
            start(log, journaled <= facts->size ? std::max<std::int64_t>(journaled, 1) : 1, nullptr);
            event(FollowEventKind::Started, log,
                  "the log appeared; following from byte " + std::to_string(log.startedAt));
        } else if (!facts || !(facts->identity == log.identity)) {
            // Whatever the old file still holds is read first: it stays open under its old name or none.
            if (log.scanner->scan() == ScanEnd::StopRequested) return true;
            if (!facts) {
                if (!log.missingSaid)
                    event(FollowEventKind::Missing, log, "the log disappeared; waiting for it to come back");
                log.missingSaid = true;
                return true;
            }
            save(log); // the old file's last rows are journaled before the new file starts
            startFresh(log, FollowEventKind::Rotated,
                       "the log was rotated; reading the new file from byte 1");
        } else if (facts->size < log.scanner->position()) {
            startFresh(log, FollowEventKind::Truncated,
                       "the log was truncated; reading it again from byte 1");
        }
        if (log.scanner->scan(bytesPerTurn_) == ScanEnd::BudgetSpent) moreWaiting = true;
        return true;
    } catch (const std::exception& e) {
        // Not this log's failure: the turn waits for the database, or fails the log of the line named.
        if (IsUnreachable(e) || FailedLineOf(e)) throw;
        const bool inHand = log.scanner && !log.scanner->lineInHand().empty();
        fail(log, inHand ? log.scanner->lineInHandStart() : 0,
             inHand ? log.scanner->lineInHand() : std::string_view(), e.what());
        return false;
    }
}

void LogFollower::fail(Followed& log, std::int64_t position, std::string_view line,
                       const std::string& reason) {
    std::string text = "following stopped: ";
    if (position > 0) text += "at byte " + std::to_string(position) + ": ";
    text += reason;
    if (position > 0) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        text += " (line: " + Windows1252ToUtf8(line.substr(0, kShownLine)) + ")";
    }
    event(FollowEventKind::Failed, log, text);
    log.failed = true;
    log.scanner.reset();
}

TurnResult LogFollower::refused(Followed& log, std::int64_t position, const std::string& reason) {
    const std::string line =
        log.scanner ? log.scanner->reader().lineAt(position, kShownLine + 1) : std::string();
    fail(log, position, line, reason);
    backToLastSave();
    for (const auto& other : logs_)
        if (!other->failed) return stopRequested_ ? TurnResult::Stopped : TurnResult::MoreWaiting;
    return TurnResult::AllFailed;
}

void LogFollower::save(Followed& log) {
    if (!log.scanner) return;
    sink_.Commit();
    log.linesAtSave = log.linesBefore + log.scanner->linesRead();
    log.gamesAtSave = log.gamesBefore + log.scanner->interpreter().GamesTracked();
    log.visitsAtSave = log.visitsBefore + log.scanner->interpreter().VisitsRecorded();
    const std::int64_t position = log.scanner->lastLineEnd().value_or(log.startedAt);
    if (position == log.journaled) return;
    FollowSnapshot snapshot;
    snapshot.logPath = log.path;
    snapshot.file = log.identity;
    snapshot.position = position;
    snapshot.gameTracked = log.scanner->interpreter().GameTracked();
    snapshot.clientNames = log.state.ClientNames;
    snapshot.clientIPs = log.state.ClientIPs;
    snapshot.clientDates = log.state.ClientDates;
    snapshot.urt = log.scanner->interpreter().UrtState();
    snapshot.hostname = log.scanner->interpreter().Hostname();
    // The state goes first: a restart that finds it ahead of the journal trusts it, since both come
    // after the commit of the rows they cover.
    snapshots_.save(snapshot);
    journal_.SavePosition(log.path, position);
    log.journaled = position;
}

TurnResult LogFollower::turn() {
    if (unreachable_) {
        if (stopRequested_) return TurnResult::Stopped; // everything committed was journaled before
        if (!reconnect()) return TurnResult::Unreachable;
    }
    try {
        return readAll();
    } catch (const std::exception& e) {
        if (const LogLine* line = FailedLineOf(e)) {
            for (auto& log : logs_)
                if (!log->failed && log->path == line->log) return refused(*log, line->position, e.what());
            throw;
        }
        if (!IsUnreachable(e)) throw;
        unreachable_ = true;
        lostBy_ = OneLine(e.what());
    }
    if (stopRequested_) return TurnResult::Stopped;
    // A server that restarted may be back already: then the logs are read on at once.
    return reconnect() ? TurnResult::MoreWaiting : TurnResult::Unreachable;
}

TurnResult LogFollower::readAll() {
    bool moreWaiting = false;
    bool anyAlive = false;
    for (auto& log : logs_) {
        if (log->failed) continue;
        if (read(*log, moreWaiting)) anyAlive = true;
        if (stopRequested_) break;
    }
    for (auto& log : logs_)
        if (!log->failed) publish(*log);
    sink_.Commit();
    for (auto& log : logs_)
        if (!log->failed) save(*log);
    if (stopRequested_) return TurnResult::Stopped;
    if (!anyAlive) return TurnResult::AllFailed;
    return moreWaiting ? TurnResult::MoreWaiting : TurnResult::Idle;
}

bool LogFollower::reconnect() {
    try {
        sink_.Reconnect();
    } catch (const std::exception& e) {
        if (!IsUnreachable(e)) throw;
        if (!unreachableSaid_)
            observer_.onEvent(
                {FollowEventKind::Unreachable,
                 {},
                 "the database cannot be reached: " + OneLine(e.what()) + "; trying again until it can be"});
        unreachableSaid_ = true;
        return false;
    }
    unreachable_ = false;
    backToLastSave();
    observer_.onEvent({FollowEventKind::Reachable,
                       {},
                       unreachableSaid_ ? std::string("the database is reachable again; reading on from the "
                                                      "last saved positions")
                                        : "the connection to the database was lost (" + lostBy_ +
                                              ") and made again; reading on from the last saved positions"});
    unreachableSaid_ = false;
    return true;
}

// Every log goes back to its last save: what came after it may not have been written.
void LogFollower::backToLastSave() {
    for (auto& log : logs_) {
        if (log->failed) continue;
        const bool following = log->scanner != nullptr;
        log->scanner.reset();
        log->state.ClearClients(); // as in a new follower: the tables come from the saved state
        for (auto& date : log->state.ClientDates)
            date.clear();
        log->linesBefore = log->linesAtSave;
        log->gamesBefore = log->gamesAtSave;
        log->visitsBefore = log->visitsAtSave;
        log->journaled = 0;
        log->published = false; // what was published since the last commit may be lost
        begin(*log, following ? Resume::AfterOutage : Resume::Start);
    }
}

void LogFollower::publish(Followed& log) {
    if (!clock_ || !log.scanner) return;
    const LineInterpreter& interpreter = log.scanner->interpreter();
    const std::int64_t lines = log.linesBefore + log.scanner->linesRead();
    if (lines != log.linesSeen) {
        log.linesSeen = lines;
        log.seen = clock_->Seconds();
    }
    // The slots of the rules that read the game now: the present rules' in a game they track, else
    // the Urban Terror rules' while they listen; an untracked game of neither has no one on it.
    const bool present = interpreter.GameTracked();
    const UrtSlots& urt = interpreter.UrtState();
    const bool urtListens = !present && urt.game != UrtGame::Other;
    static const std::string kNone;
    changed_.clear();
    for (int i = 0; i < kClientSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const std::string& name = present      ? log.state.ClientNames[slot]
                                  : urtListens ? urt.names[slot]
                                               : kNone;
        const std::string& ip = present ? log.state.ClientIPs[slot] : urtListens ? urt.ips[slot] : kNone;
        if (log.published && name == log.publishedNames[slot] && ip == log.publishedIPs[slot]) continue;
        log.publishedNames[slot] = name;
        log.publishedIPs[slot] = ip;
        changed_.push_back({i, Windows1252ToUtf8(name), Windows1252ToUtf8(ip)});
    }
    if (log.published && changed_.empty() && interpreter.Hostname() == log.publishedHost &&
        log.seen == log.publishedSeen)
        return;
    log.published = false; // until the sink took it
    sink_.PublishOnline({log.path, Windows1252ToUtf8(interpreter.Hostname()), log.seen, ServerFollowed::Yes},
                        changed_);
    log.published = true;
    log.publishedHost = interpreter.Hostname();
    log.publishedSeen = log.seen;
}

void LogFollower::unpublishOnline() {
    if (!clock_ || unreachable_) return;
    for (auto& log : logs_) {
        if (!log->published || !log->scanner) continue;
        sink_.PublishOnline({log->path, Windows1252ToUtf8(log->scanner->interpreter().Hostname()), log->seen,
                             ServerFollowed::No},
                            {});
    }
    sink_.Commit();
}

void LogFollower::requestStop() {
    stopRequested_ = true;
    for (auto& log : logs_)
        log->state.Processing = false;
}

void LogFollower::reopen() {
    if (unreachable_) return; // every log is opened again once the database is back
    try {
        reopenAll();
    } catch (const std::exception& e) {
        if (!IsUnreachable(e)) throw;
        unreachable_ = true; // the next turn reconnects
        lostBy_ = OneLine(e.what());
    }
}

void LogFollower::reopenAll() {
    for (auto& log : logs_) {
        if (!log->scanner) continue; // failed, or not there yet
        const auto facts = LookAtPath(log->path);
        if (!facts || !(facts->identity == log->identity)) continue; // the next turn handles rotation
        save(*log);
        FollowSnapshot kept;
        kept.clientNames = log->state.ClientNames;
        kept.clientIPs = log->state.ClientIPs;
        kept.clientDates = log->state.ClientDates;
        kept.gameTracked = log->scanner->interpreter().GameTracked();
        kept.urt = log->scanner->interpreter().UrtState();
        kept.hostname = log->scanner->interpreter().Hostname();
        start(*log, log->scanner->lastLineEnd().value_or(log->startedAt), &kept);
    }
}

std::vector<FollowedLogStatus> LogFollower::status() const {
    std::vector<FollowedLogStatus> result;
    for (const auto& log : logs_) {
        FollowedLogStatus s;
        s.path = log->path;
        s.failed = log->failed;
        s.waiting = !log->scanner || log->missingSaid;
        s.linesRead = log->linesBefore;
        s.gamesTracked = log->gamesBefore;
        s.visitsRecorded = log->visitsBefore;
        s.startedAt = log->startedAt;
        if (unreachable_) { // what was read since the last save may not be written
            s.linesRead = log->linesAtSave;
            s.gamesTracked = log->gamesAtSave;
            s.visitsRecorded = log->visitsAtSave;
        } else if (log->scanner) {
            s.position = log->scanner->position();
            s.linesRead += log->scanner->linesRead();
            s.gamesTracked += log->scanner->interpreter().GamesTracked();
            s.tracking = log->scanner->interpreter().GameTracked();
            s.visitsRecorded += log->scanner->interpreter().VisitsRecorded();
        }
        result.push_back(s);
    }
    return result;
}

} // namespace corvanth
