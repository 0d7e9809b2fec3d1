#include "WindowBench.h"

#include "DesktopDocumentOpener.h"
#include "EventLoopProbe.h"
#include "LogFileChooser.h"
#include "ProcessingControl.h"
#include "Prompter.h"
#include "RunClock.h"
#include "SettingsStore.h"
#include "WindowDataFolder.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>

#include <cstdio>

namespace corvanth {
namespace {

// No one sits at the window: every question is answered with its first button.
class UnattendedPrompter : public Prompter {
public:
    Answer ask(const QString&, const QString&, Buttons buttons, Icon) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
};

class FixedChooser : public LogFileChooser {
public:
    explicit FixedChooser(QString path) : path_(std::move(path)) {}
    QString GetLogFileName(QWidget*) override { return path_; }

private:
    QString path_;
};

const char* OutcomeName(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::FileMissing:
        return "file missing";
    case RunOutcome::Finished:
        return "finished";
    case RunOutcome::Stopped:
        return "stopped";
    case RunOutcome::Failed:
        return "failed";
    }
    return "?";
}

} // namespace

int RunWindowBench(const QString& logPath) {
    ProcessingState state;
    UnattendedPrompter prompter;
    FixedChooser chooser(logPath);
    SettingsStore settings;
    DesktopDocumentOpener opener;
    RunClock clock;
    frmMain window(frmMainServices{state, prompter, chooser, settings, opener, clock, WindowDataFolder()});
    window.Form_Load();
    window.lblCurFile->setText(logPath);
    window.NewFile();
    window.txtStartPosition->setText(QStringLiteral("1"));
    window.show();
    QCoreApplication::processEvents();

    bench::EventLoopProbe probe;

    QElapsedTimer runTime;
    probe.start();
    runTime.start();
    window.cmdProcess->click();
    const qint64 runMs = runTime.elapsed();
    probe.stop();
    window.close();

    const auto& summary = window.processing().lastSummary();
    QTextStream out(stdout);
    out << "window_run_seconds " << QString::number(static_cast<double>(runMs) / 1000.0, 'f', 3) << '\n';
    out << "longest_event_loop_gap_ms " << probe.longestGapMs() << '\n';
    out << "event_loop_turns_seen " << probe.turns() << '\n';
    if (summary) {
        out << "outcome " << OutcomeName(summary->outcome) << '\n';
        out << "bytes_read " << summary->bytesRead << '\n';
        out << "visits_recorded " << summary->visitsRecorded << '\n';
    }
    out.flush();
    return summary && summary->outcome == RunOutcome::Finished ? 0 : 1;
}

} // namespace corvanth
