#pragma once

#include "LabelRunHost.h"
#include "ProcessLog.h"
#include "ProcessingControls.h"
#include "Prompter.h"
#include "RunClock.h"
#include "RunState.h"

#include <QLocale>
#include <QObject>
#include <QString>

#include <optional>

namespace corvanth {

// Captions and texts of the processing frame.
namespace caption {
inline const QString Pause = QStringLiteral("P&ause");
inline const QString Resume = QStringLiteral("&Resume");
inline const QString IdleWindow = QStringLiteral("(Idle) Corvanth");
inline const QString DoneWindow = QStringLiteral("(Done) Corvanth");
} // namespace caption

// The Process, Pause and Cancel buttons and the progress tick. A run is one synchronous call of
// ProcessLog inside the click that starts (or resumes) it; the event loop runs nested inside it, so
// Pause, Cancel and the tick talk to the run only through ProcessingState::Processing.
class ProcessingControl : public QObject {
    Q_OBJECT
public:
    ProcessingControl(ProcessingState& state, VisitSink& sink, const PositionJournal& journal,
                      Prompter& prompter, const ProcessingControls& controls, const RunClock& clock,
                      QObject* parent = nullptr);

    // True while a ProcessLog call is on the stack (also while it is on its way out after a pause
    // or cancel). No new run starts meanwhile.
    bool runInFlight() const { return runDepth_ > 0; }
    RunState runState() const { return runState_; }
    const std::optional<RunSummary>& lastSummary() const { return lastSummary_; }

    void setRunOptions(const RunOptions& options) { options_ = options; }

    // What clicking "P&ause" does while running.
    void Pause();
    // What clicking Cancel does: a running run stops at its next line end, a paused one is over.
    void Stop();

    // The tooltip lblStatus gets when a run ends by a failure.
    static QString FailureText(const RunFailureInfo& failure, const QLocale& locale);

public slots:
    void cmdProcess_Click();
    void cmdPause_Click();
    void cmdCancel_Click();
    void tmrUpdates_Timer();

signals:
    // The tick wants the file display refreshed (the window's NewFile).
    void fileDisplayDue();
    // A ProcessLog call has returned.
    void runReturned(const corvanth::RunSummary& summary);

private:
    void Resume();
    void Enter(RunState next);
    void StartTimer(int interval);
    void RunLog(const std::optional<StartPosition>& start);
    bool AcceptInterval(int& interval);
    void ShowRunningTick();
    void ShowStoppedTick();

    ProcessingState& state_;
    VisitSink& sink_;
    const PositionJournal& journal_;
    Prompter& prompter_;
    ProcessingControls c_;
    const RunClock& clock_;
    LabelRunHost host_;
    RunOptions options_;
    QLocale locale_;
    double startTime_ = 0.0;
    int runDepth_ = 0;
    RunState runState_ = RunState::Idle;
    std::optional<RunSummary> lastSummary_;
};

} // namespace corvanth
