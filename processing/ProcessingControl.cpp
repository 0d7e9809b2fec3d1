#include "ProcessingControl.h"

#include "NumberText.h"
#include "ReturnTime.h"
#include "ShapeWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace corvanth {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString WindowCaption(const QString& percent) {
    return QLatin1Char('(') + percent + QStringLiteral(") Corvanth");
}

} // namespace

ProcessingControl::ProcessingControl(ProcessingState& state, VisitSink& sink, const PositionJournal& journal,
                                     Prompter& prompter, const ProcessingControls& controls,
                                     const RunClock& clock, QObject* parent)
    : QObject(parent), state_(state), sink_(sink), journal_(journal), prompter_(prompter), c_(controls),
      clock_(clock), host_(*controls.lblStatus) {}

QString ProcessingControl::FailureText(const RunFailureInfo& failure, const QLocale& locale) {
    QString text = QStringLiteral("The run stopped on a failure");
    if (failure.linePosition > 0) {
        text +=
            QStringLiteral(" at byte ") + ThousandsFormat(static_cast<double>(failure.linePosition), locale);
    }
    text += QStringLiteral(": ") + Q(failure.reason);
    if (!failure.line.empty()) text += QStringLiteral("\nLine: ") + Q(failure.line);
    return text;
}

bool ProcessingControl::AcceptInterval(int& interval) {
    const auto parsed = ParseTickInterval(c_.txtInterval->text());
    if (!parsed) {
        prompter_.ask(
            QStringLiteral("The update interval must be a whole number of milliseconds from %1 to %2.")
                .arg(kMinTickInterval)
                .arg(kMaxTickInterval),
            QStringLiteral("Update interval not valid"), Prompter::Buttons::Ok, Prompter::Icon::Information);
        return false;
    }
    interval = *parsed;
    return true;
}

void ProcessingControl::StartTimer(int interval) {
    c_.tmrUpdates->setInterval(interval);
    c_.tmrUpdates->start();
}

void ProcessingControl::cmdProcess_Click() {
    // The previous ProcessLog call is still on its way out: no second run on the same state.
    if (runInFlight()) return;
    if (c_.lblCurFile->text().isEmpty()) return;
    int interval = 0;
    if (!AcceptInterval(interval)) return;

    const QString typed = c_.txtStartPosition->text();
    std::optional<StartPosition> start;
    const auto number = ReadNumber(typed, locale_);
    if (!number) {
        const auto answer = prompter_.ask(
            QStringLiteral("Start Position must be numeric, start from beginning?"),
            QStringLiteral("Start position not numeric"), Prompter::Buttons::YesNo, Prompter::Icon::None);
        if (answer != Prompter::Answer::Yes) return;
        start.emplace(std::int64_t{1});
    } else {
        const StartPosition asTyped(typed.toStdString(), NumberFormatOf(locale_));
        const auto resolved = asTyped.Resolve();
        if (!resolved) {
            prompter_.ask(QString::fromStdString(resolved.reason()),
                          QStringLiteral("Start position not valid"), Prompter::Buttons::Ok,
                          Prompter::Icon::Information);
            return;
        }
        if (*resolved < 1) {
            prompter_.ask(
                QStringLiteral("The start position must be 1 or more: byte 1 is the first byte of the log."),
                QStringLiteral("Start position not valid"), Prompter::Buttons::Ok,
                Prompter::Icon::Information);
            return;
        }
        start = asTyped;
        if (*number != 1.0) {
            const auto answer =
                prompter_.ask(QStringLiteral("Are you sure you want to start processing at byte ") + typed +
                                  QLatin1Char('?'),
                              QStringLiteral("Offset Start Position?"), Prompter::Buttons::YesNoCancel,
                              Prompter::Icon::None);
            if (answer == Prompter::Answer::Cancel) return;
            if (answer == Prompter::Answer::No) start.emplace(std::int64_t{1});
        }
    }

    c_.txtInterval->setEnabled(false);
    c_.cmdProcess->setEnabled(false);
    c_.cmdCancel->setEnabled(true);
    c_.cmdPause->setEnabled(true);
    c_.cmdPause->setFocus();
    StartTimer(interval);
    c_.shpProgress->resize(1, c_.shpProgress->height());
    c_.shpProgress->show();
    startTime_ = clock_.seconds();
    Enter(RunState::Running);
    RunLog(start);
}

void ProcessingControl::Enter(RunState next) {
    const RunState previous = runState_;
    runState_ = next;
    c_.cmdPause->setText(next == RunState::Paused ? caption::Resume : caption::Pause);
    switch (next) {
    case RunState::Running:
        c_.lblStatus->setText(Q(status::Processing));
        break;
    case RunState::Paused:
        c_.lblStatus->setText(Q(status::Paused));
        break;
    case RunState::Finished:
        c_.lblStatus->setText(Q(status::Finished));
        break;
    case RunState::FileMissing:
        c_.lblStatus->setText(Q(status::FileMissing));
        break;
    case RunState::Canceled:
        // A pause that is canceled keeps "Process Paused" showing: nothing was running to cancel.
        if (previous != RunState::Paused) c_.lblStatus->setText(Q(status::Canceled));
        break;
    case RunState::Idle:
    case RunState::Stopping: // the status stays until the run has returned
    case RunState::Failed:   // the status stays; the tooltip says why
        break;
    }
}

void ProcessingControl::cmdPause_Click() {
    if (runState_ == RunState::Paused) {
        Resume();
    } else {
        Pause();
    }
}

void ProcessingControl::Pause() {
    state_.Processing = false;
    c_.txtInterval->setEnabled(true);
    Enter(RunState::Paused);
}

void ProcessingControl::Resume() {
    if (runInFlight()) return;
    int interval = 0;
    if (!AcceptInterval(interval)) return; // stays paused; the user corrects the interval first
    Enter(RunState::Running);
    StartTimer(interval);
    c_.txtInterval->setEnabled(false);
    RunLog(std::optional<StartPosition>(std::in_place, state_.ResumePosition.value_or(1)));
}

void ProcessingControl::cmdCancel_Click() {
    Stop();
}

void ProcessingControl::Stop() {
    state_.Processing = false;
    if (runState_ == RunState::Running) Enter(RunState::Stopping);
    if (runState_ == RunState::Paused) Enter(RunState::Canceled);
}

void ProcessingControl::RunLog(const std::optional<StartPosition>& start) {
    c_.lblStatus->setToolTip(QString());
    const std::string path = c_.lblCurFile->text().toStdString();
    ++runDepth_;
    RunSummary summary = ProcessLog(state_, sink_, journal_, host_, path, start, options_);
    --runDepth_;
    switch (summary.outcome) {
    case RunOutcome::Finished:
        Enter(RunState::Finished);
        break;
    case RunOutcome::FileMissing:
        Enter(RunState::FileMissing);
        break;
    case RunOutcome::Failed:
        Enter(RunState::Failed);
        break;
    case RunOutcome::Stopped:
        // A pause has stopped the run on purpose; any other stop ends it.
        if (runState_ != RunState::Paused) Enter(RunState::Canceled);
        break;
    }
    if (summary.failure) c_.lblStatus->setToolTip(FailureText(*summary.failure, locale_));
    lastSummary_ = summary;
    emit runReturned(summary);
}

void ProcessingControl::tmrUpdates_Timer() {
    if (state_.Processing) {
        ShowRunningTick();
    } else {
        ShowStoppedTick();
    }
}

void ProcessingControl::ShowRunningTick() {
    const auto position = static_cast<double>(state_.ReadPosition);
    c_.lblByteNum->setText(ThousandsFormat(position, locale_) + QLatin1Char('/') + c_.lblFileSize->text());

    // An empty or zero size leaves no share to show: the percentage, bar and estimate are skipped.
    const auto size = ReadNumber(c_.lblFileSize->text(), locale_);
    const bool haveShare = size && *size != 0.0;

    QString percent;
    // Multiplied before dividing, so a share such as 100.5 % is exactly a half and goes to the even side.
    if (haveShare) percent = QString::number(RoundHalfEven(position * 100.0 / *size)) + QLatin1Char('%');
    if (percent != c_.lblPercent->text()) {
        c_.window->setWindowTitle(WindowCaption(percent));
        c_.lblPercent->setText(percent);
    }
    if (!haveShare) return;

    const auto width = RoundHalfEven(position * c_.shpProgConst->width() / *size);
    c_.shpProgress->resize(static_cast<int>(width), c_.shpProgress->height());

    const double elapsed = clock_.seconds() - startTime_;
    if (!(elapsed > 0.0)) return;
    const double rate = position / elapsed;
    if (!(rate > 0.0)) return;
    const double secondsLeft = std::trunc((*size - position) / rate) + 1.0;
    c_.lblEstimated->setText(ReturnTime(secondsLeft));
}

void ProcessingControl::ShowStoppedTick() {
    emit fileDisplayDue();
    if (runState_ == RunState::Paused) return; // keep ticking
    c_.tmrUpdates->stop();
    c_.cmdProcess->setEnabled(true);
    c_.cmdCancel->setEnabled(false);
    c_.cmdPause->setEnabled(false);
    c_.cmdProcess->setFocus();
    c_.txtInterval->setEnabled(true);
    if (runState_ == RunState::Finished) {
        c_.lblByteNum->setText(c_.lblFileSize->text() + QLatin1Char('/') + c_.lblFileSize->text());
        c_.lblPercent->setText(QStringLiteral("100%"));
        c_.window->setWindowTitle(caption::DoneWindow);
        c_.shpProgress->resize(c_.shpProgConst->width(), c_.shpProgress->height());
        c_.lblEstimated->setText(QStringLiteral("00:00:00"));
    }
}

} // namespace corvanth
