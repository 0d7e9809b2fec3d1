#include "ProcessLog.h"

#include "FileText.h"
#include "LineInterpreter.h"
#include "RunFailure.h"
#include "TextCodec.h"

#include <exception>

namespace corvanth {
namespace {

constexpr std::size_t kShown = 300;

std::string ShortLine(std::string_view bytes) {
    if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    std::string text = Windows1252ToUtf8(bytes.substr(0, kShown));
    if (bytes.size() > kShown) text += "...";
    return text;
}

void CountInto(RunSummary& summary, const LogScanner& scanner) {
    summary.bytesRead = scanner.position() - (summary.startPosition - 1);
    summary.linesRead = scanner.linesRead();
    summary.overlongLines = scanner.overlongLines();
    summary.gamesTracked = scanner.interpreter().GamesTracked();
    summary.visitsRecorded = scanner.interpreter().VisitsRecorded();
    summary.refereeMarks = scanner.interpreter().RefereeMarks();
}

} // namespace

RunSummary ProcessLog(ProcessingState& state, VisitSink& sink, const PositionJournal& journal, RunHost& host,
                      const std::string& logFilePath, std::optional<StartPosition> start,
                      const RunOptions& options) {
    RunSummary summary;
    // The file is looked for before the start position is read, so a missing log is reported as such
    // whatever start it was given.
    if (!FileExists(logFilePath)) {
        state.Processing = false;
        host.setStatus(status::FileMissing);
        summary.outcome = RunOutcome::FileMissing;
        return summary;
    }
    const std::optional<std::int64_t> resumeBefore = state.ResumePosition;
    // A log whose lines carry no dates dates every visit of the run by the file's modification time.
    std::optional<FixedVisitDate> modified;
    RunOptions runOptions = options;
    if (!runOptions.visitDates) {
        const auto facts = LookAtPath(logFilePath);
        runOptions.visitDates =
            &modified.emplace(VisitDateText(facts ? facts->modified : std::time(nullptr)));
    }
    LogScanner scanner(state, sink, host, runOptions);
    bool scanning = false;
    try {
        std::int64_t startAt = 1;
        if (start) {
            const auto resolved = start->Resolve();
            if (!resolved) throw RunFailure(resolved.reason());
            startAt = *resolved;
        }
        summary.startPosition = startAt;
        scanner.open(logFilePath, startAt);
        state.Processing = true;
        state.ReadPosition = startAt - 1;
        state.ResumePosition.reset();

        scanning = true;
        const ScanEnd end = scanner.scan();
        CountInto(summary, scanner);
        if (end == ScanEnd::EndOfData) {
            host.setStatus(status::Finished);
            summary.outcome = RunOutcome::Finished;
        } else {
            summary.outcome = RunOutcome::Stopped;
        }
        // A run that read no LF records its own start, never a position reached in another log.
        if (!state.ResumePosition) state.ResumePosition = startAt;
        sink.Commit();
        journal.SavePosition(logFilePath, *state.ResumePosition);
        summary.journaledPosition = state.ResumePosition;
        state.Processing = false;
        return summary;
    } catch (const std::exception& e) {
        RunFailureInfo info;
        info.reason = e.what();
        if (scanning) {
            CountInto(summary, scanner);
            // A visit written in a batch after its line fails with that line, not the one in hand.
            if (const LogLine* failed = FailedLineOf(e)) {
                info.linePosition = failed->position;
                info.line = ShortLine(scanner.reader().lineAt(failed->position, kShown + 1));
            } else if (!scanner.lineInHand().empty()) {
                info.linePosition = scanner.lineInHandStart();
                info.line = ShortLine(scanner.lineInHand());
            }
        }
        if (!state.ResumePosition) state.ResumePosition = resumeBefore;
        summary.outcome = RunOutcome::Failed;
        summary.failure = std::move(info);
        try {
            sink.Commit();
        } catch (const std::exception& commitError) {
            summary.failure->reason +=
                std::string("; committing the rows written failed: ") + commitError.what();
        }
        state.Processing = false;
        return summary;
    }
}

} // namespace corvanth
