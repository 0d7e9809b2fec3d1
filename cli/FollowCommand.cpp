#include "CliContext.h"
#include "DatabaseError.h"
#include "FollowHost.h"
#include "LineInterpreter.h"
#include "LogFollower.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace corvanth {
namespace {

// Events go to stderr as one line each; on a terminal the status line is cleared first and redrawn.
class FollowReport : public FollowObserver {
public:
    FollowReport(QTextStream& err, bool terminal) : err_(err), terminal_(terminal) {}

    void onEvent(const FollowEvent& event) override {
        clearStatus();
        err_ << "corvanth-cli follow: ";
        if (!event.logPath.empty()) err_ << QString::fromStdString(event.logPath) << ": ";
        err_ << QString::fromStdString(event.text) << "\n";
        err_.flush();
    }

    // Once every log has been read to its end for the first time: per log, the games tracked in what
    // was read, or why nothing is recorded.
    void caughtUp(const std::vector<FollowedLogStatus>& logs) {
        for (const auto& log : logs) {
            if (log.failed || log.waiting) continue;
            std::string text = "read to byte " + std::to_string(log.position) + ": ";
            if (log.gamesTracked > 0)
                text += std::to_string(log.gamesTracked) + (log.gamesTracked == 1 ? " game" : " games") +
                        " tracked";
            else if (log.tracking || log.visitsRecorded > 0)
                text += "continuing a tracked game";
            else if (log.linesRead == 0)
                text += "no new lines";
            else
                text += NoTrackedGameReason(log.startedAt);
            onEvent({FollowEventKind::Started, log.path, text});
        }
    }

    // One line: per log its position, rows recorded and lines per second since the last drawing.
    void drawStatus(const std::vector<FollowedLogStatus>& logs) {
        if (!terminal_) return;
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - lastDraw_).count();
        if (seconds < 1.0) return;
        QString line;
        for (const auto& log : logs) {
            if (!line.isEmpty()) line += QStringLiteral(" | ");
            const std::int64_t before = linesAtDraw_[log.path];
            const double rate = seconds > 0 ? static_cast<double>(log.linesRead - before) / seconds : 0;
            linesAtDraw_[log.path] = log.linesRead;
            line += QFileInfo(QString::fromStdString(log.path)).fileName() + QStringLiteral(": ");
            if (log.failed)
                line += QStringLiteral("failed");
            else if (log.waiting && log.position == 0)
                line += QStringLiteral("waiting");
            else
                line += QStringLiteral("byte %1, %2 rows, %3 lines/s")
                            .arg(log.position)
                            .arg(log.visitsRecorded)
                            .arg(static_cast<qint64>(rate + 0.5));
        }
        err_ << "\r\033[K" << line;
        err_.flush();
        drawn_ = true;
        lastDraw_ = now;
    }

    void clearStatus() {
        if (!drawn_) return;
        err_ << "\r\033[K";
        err_.flush();
        drawn_ = false;
    }

private:
    QTextStream& err_;
    bool terminal_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::map<std::string, std::int64_t> linesAtDraw_;
};

// Wakes the follower when a followed log's folder changes (inotify on the folders, so renames,
// new files and deletions are seen as well as appends), on a signal, or after the poll interval.
class Waker {
public:
    explicit Waker(const std::vector<std::string>& logs) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) return;
        for (const auto& log : logs) {
            const std::string folder = QFileInfo(QString::fromStdString(log)).absolutePath().toStdString();
            ::inotify_add_watch(fd_, folder.c_str(),
                                IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                    IN_CLOSE_WRITE | IN_ATTRIB);
        }
    }
    ~Waker() {
        if (fd_ >= 0) ::close(fd_);
    }
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    void wait(int signalFd, int timeoutMs) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {signalFd, POLLIN, 0}};
        ::poll(fds, 2, timeoutMs);
        if (fd_ >= 0 && (fds[0].revents & POLLIN)) {
            char buffer[8192];
            while (::read(fd_, buffer, sizeof buffer) > 0) {
            }
        }
    }

private:
    int fd_ = -1;
};

// Waits until a signal arrives or the time has passed.
void WaitForSignal(int signalFd, int timeoutMs) {
    pollfd fd{signalFd, POLLIN, 0};
    ::poll(&fd, 1, timeoutMs);
}

// The time the database has been unreachable, and how long to wait before trying it again: half a
// second after the first failed attempt, twice as long after each further one, at most 30 seconds.
class Outage {
public:
    explicit Outage(qint64 giveUpSeconds) : giveUp_(giveUpSeconds) {}

    // After a turn that found the database unreachable: whether it has been so for the --give-up time.
    bool givenUp() {
        const auto now = Clock::now();
        if (!lost_) since_ = now;
        lost_ = true;
        return giveUp_ >= 0 && now - since_ >= std::chrono::seconds(giveUp_);
    }
    int nextWaitMs() {
        const int wait = waitMs_;
        waitMs_ = std::min(waitMs_ * 2, kLongestWaitMs);
        return wait;
    }
    // After a turn that reached the database.
    void end() {
        lost_ = false;
        waitMs_ = kFirstWaitMs;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int kFirstWaitMs = 500;
    static constexpr int kLongestWaitMs = 30'000;
    const qint64 giveUp_; // seconds; below 0: never
    bool lost_ = false;
    Clock::time_point since_{};
    int waitMs_ = kFirstWaitMs;
};

} // namespace

int RunFollowCommand(CliContext& context, const QCommandLineParser& parser) {
    const bool giveUpSet = parser.isSet(QStringLiteral("give-up"));
    bool giveUpOk = true;
    const qint64 giveUpSeconds =
        giveUpSet ? parser.value(QStringLiteral("give-up")).toLongLong(&giveUpOk) : -1;
    if (!giveUpOk || (giveUpSet && giveUpSeconds < 0)) {
        context.err() << "corvanth-cli follow: --give-up takes a number of seconds, 0 or more\n";
        return static_cast<int>(ExitCode::Usage);
    }
    bool pollOk = false;
    const int pollMs = parser.value(QStringLiteral("poll")).toInt(&pollOk);
    if (!pollOk || pollMs < 1) {
        context.err() << "corvanth-cli follow: --poll takes a number of milliseconds, 1 or more\n";
        return static_cast<int>(ExitCode::Usage);
    }
    std::vector<std::string> logs;
    for (const QString& log : parser.positionalArguments())
        logs.push_back(QFileInfo(log).absoluteFilePath().toStdString());

    FollowHost host; // from here on a stop signal is a request, also while the database opens
    NamesDatabase* database = nullptr;
    try {
        database = &context.database();
    } catch (const DatabaseError& e) {
        context.err() << "corvanth-cli follow: " << e.what() << "\n";
        return static_cast<int>(ExitCode::DataError);
    }

    FollowReport report(context.err(), ::isatty(STDERR_FILENO) != 0);
    const FollowSnapshotStore snapshots(context.dataFolder().toStdString());
    LogFollower follower(*database, context.journal(), snapshots, host, report);
    const SystemEpochClock clock;
    follower.publishOnline(clock); // table Online: who is on each server now
    host.onStop = [&follower] { follower.requestStop(); };
    Waker waker(logs);
    TurnResult result = TurnResult::Idle;
    Outage outage(giveUpSeconds);
    for (const auto& log : logs) {
        try {
            follower.add(log);
        } catch (const std::exception& e) {
            context.err() << "corvanth-cli follow: " << QString::fromStdString(log) << ": " << e.what()
                          << "\n";
            return static_cast<int>(ExitCode::RunFailed);
        }
    }
    bool caughtUp = false;
    try {
        host.pumpEvents();
        for (;;) {
            result = follower.turn();
            if (result == TurnResult::Stopped || result == TurnResult::AllFailed) break;
            if (result == TurnResult::Unreachable) {
                if (outage.givenUp()) {
                    report.clearStatus();
                    context.err() << "corvanth-cli follow: the database has been unreachable for more than "
                                  << giveUpSeconds << " s (--give-up); stopping\n";
                    break;
                }
                // Only a signal ends the wait early: a log that grows does not hurry the next attempt.
                WaitForSignal(host.signalDescriptor(), outage.nextWaitMs());
            } else {
                outage.end();
                if (result == TurnResult::Idle && !caughtUp) {
                    report.caughtUp(follower.status());
                    caughtUp = true;
                }
                report.drawStatus(follower.status());
                if (result == TurnResult::Idle) waker.wait(host.signalDescriptor(), pollMs);
            }
            host.pumpEvents();
            if (host.takeReopenRequest()) follower.reopen();
        }
        if (result == TurnResult::Stopped) follower.unpublishOnline(); // its servers are not followed now
    } catch (const std::exception& e) {
        report.clearStatus();
        context.err() << "corvanth-cli follow: " << e.what() << "\n";
        return static_cast<int>(ExitCode::RunFailed);
    }
    report.clearStatus();
    std::int64_t lines = 0, games = 0, visits = 0;
    for (const auto& s : follower.status()) {
        lines += s.linesRead;
        games += s.gamesTracked;
        visits += s.visitsRecorded;
    }
    context.out() << (result == TurnResult::Stopped ? "Follow stopped: " : "Follow failed: ") << lines
                  << " lines, " << games << (games == 1 ? " game" : " games") << " tracked, " << visits
                  << " visits recorded in " << logs.size() << (logs.size() == 1 ? " log" : " logs")
                  << ", positions journaled\n";
    return static_cast<int>(result == TurnResult::Stopped ? ExitCode::Ok : ExitCode::RunFailed);
}

} // namespace corvanth
