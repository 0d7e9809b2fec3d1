#include "CliContext.h"
#include "CliRunHost.h"
#include "DatabaseError.h"
#include "DeferredSink.h"
#include "LineInterpreter.h"
#include "ProcessLog.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <exception>
#include <unistd.h>

namespace corvanth {
namespace {

QString WithThousands(std::int64_t n) {
    QLocale locale(QLocale::English);
    return locale.toString(static_cast<qlonglong>(n));
}

// The status the host shows (finished from the run, canceled from the host); a failure says so.
QString OutcomeText(const RunSummary& summary, const std::string& status) {
    return summary.outcome == RunOutcome::Failed ? QStringLiteral("Process Failed")
                                                 : QString::fromStdString(status);
}

} // namespace

int RunProcessCommand(CliContext& context, const QCommandLineParser& parser) {
    const QString startOption = QStringLiteral("start");
    const QString logPath = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
    const std::string log = logPath.toStdString();

    // From here on Ctrl-C is a request to stop at a line end, also while the database opens.
    ProcessingState state;
    const std::int64_t logSize = QFileInfo(logPath).size();
    const ProgressDisplay display = ::isatty(STDERR_FILENO) ? ProgressDisplay::Bar : ProgressDisplay::None;
    CliRunHost host(state, logSize, display);

    std::int64_t start = 1;
    if (parser.isSet(startOption)) {
        const auto resolved = StartPosition(parser.value(startOption).toStdString()).Resolve();
        if (!resolved) {
            context.err() << "corvanth-cli process: " << QString::fromStdString(resolved.reason()) << "\n";
            return static_cast<int>(ExitCode::Usage);
        }
        if (*resolved < 1) {
            context.err() << "corvanth-cli process: start position " << *resolved
                          << " is before the first byte; positions start at 1\n";
            return static_cast<int>(ExitCode::Usage);
        }
        start = *resolved;
    } else {
        const auto lookup = ReadJournal(context, log, "process");
        if (!lookup) return static_cast<int>(ExitCode::DataError);
        start = std::max<std::int64_t>(lookup->position, 1);
        if (QFileInfo::exists(logPath) && start > logSize + 1)
            context.err()
                << "corvanth-cli: warning: the journal says the last run reached byte " << start
                << " but the log now holds " << logSize
                << " bytes (rotated or truncated?); nothing new will be read. Use --start 1 to read it "
                   "from the beginning.\n";
    }

    if (!QFileInfo::exists(logPath)) {
        context.err() << "corvanth-cli process: the log does not exist: " << logPath << "\n";
        return static_cast<int>(ExitCode::LogMissing);
    }
    if (QFileInfo(logPath).isDir()) {
        context.err() << "corvanth-cli process: " << logPath << " is a directory, not a log file\n";
        return static_cast<int>(ExitCode::LogMissing);
    }

    // The database opens while the run starts reading (making a new file waits for the disk); the
    // run's first write waits for it. A database that cannot be opened fails the run at that write,
    // before anything is journaled, and is told as before the run.
    DeferredSink database([&context]() -> VisitSink& { return context.database(); });
    context.err().flush();
    host.setStatus(status::Processing);
    const RunSummary summary =
        ProcessLog(state, database, context.journal(), host, log, StartPosition(start));
    host.finishDisplay();
    if (const std::exception_ptr failure = database.OpeningFailure()) {
        try {
            std::rethrow_exception(failure);
        } catch (const DatabaseError& e) {
            context.err() << "corvanth-cli process: " << e.what() << "\n";
            return static_cast<int>(ExitCode::DataError);
        }
    }
    // The run leaves the status of a stop to the host: on the command line a stop is always Ctrl-C.
    if (summary.outcome == RunOutcome::Stopped) host.setStatus(status::Canceled);

    if (summary.outcome == RunOutcome::FileMissing) {
        context.err() << "corvanth-cli process: the log does not exist: " << logPath << "\n";
        return static_cast<int>(ExitCode::LogMissing);
    }
    QTextStream& out = context.out();
    out << OutcomeText(summary, host.shownStatus()) << ": " << WithThousands(summary.bytesRead)
        << " bytes from byte " << WithThousands(summary.startPosition) << ", "
        << WithThousands(summary.linesRead) << " lines, " << WithThousands(summary.gamesTracked)
        << (summary.gamesTracked == 1 ? " game" : " games") << " tracked, "
        << WithThousands(summary.visitsRecorded) << " visits recorded, "
        << WithThousands(summary.refereeMarks) << " referee logins";
    if (summary.overlongLines > 0)
        out << ", " << WithThousands(summary.overlongLines) << " overlong lines skipped";
    if (summary.journaledPosition)
        out << ", position " << *summary.journaledPosition << " journaled";
    else
        out << ", journal unchanged";
    out << "\n";
    out.flush();
    // A log read without a tracked game records nothing: say why (a stock Quake 3 server's log, say).
    if (summary.gamesTracked == 0 && summary.visitsRecorded == 0 && summary.linesRead > 0 &&
        summary.outcome == RunOutcome::Finished)
        context.err() << "corvanth-cli process: "
                      << QString::fromStdString(NoTrackedGameReason(summary.startPosition)) << "\n";
    if (summary.outcome == RunOutcome::Failed) {
        const RunFailureInfo& f = *summary.failure;
        QTextStream& err = context.err();
        err << "corvanth-cli process: the run failed";
        if (f.linePosition > 0) err << " at byte " << f.linePosition;
        err << ": " << QString::fromStdString(f.reason) << "\n";
        if (f.linePosition > 0) err << "  line: " << QString::fromStdString(f.line) << "\n";
        err << "  rows written before the failure are kept; the journal was not updated\n";
        return static_cast<int>(ExitCode::RunFailed);
    }
    return static_cast<int>(ExitCode::Ok);
}

} // namespace corvanth
