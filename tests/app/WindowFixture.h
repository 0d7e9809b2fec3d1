#pragma once

#include "DocumentOpener.h"
#include "ProcessingControl.h"
#include "ProcessingState.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace corvanth::testing {

class RecordingOpener : public DocumentOpener {
public:
    void open(const QString& path) override { opened << path; }
    QStringList opened;
};

// A main window on a scratch data folder with a log of its own. Settings must already point at a
// scratch folder (UseScratchSettings).
struct WindowFixture {
    enum class RememberLog { Yes, No };

    explicit WindowFixture(const QByteArray& log, RememberLog remember = RememberLog::Yes) {
        logPath = dir.filePath(QStringLiteral("games.log"));
        WriteFile(logPath, log);
        if (remember == RememberLog::Yes) settings.SaveRegString(QStringLiteral("LastFile"), logPath);
        window = std::make_unique<frmMain>(
            frmMainServices{state, prompter, chooser, settings, opener, clock, dir.path()});
        prompter.asked.clear();
    }

    // Start-up, with the run handing control back at every check, so tests act inside a run.
    void load() {
        window->Form_Load();
        RunOptions options;
        options.pumpInterval = std::chrono::milliseconds(0);
        window->processing().setRunOptions(options);
    }

    frmMain& w() { return *window; }
    QString journalPath() const { return dir.filePath(QStringLiteral("Positions.txt")); }
    bool journalExists() const { return QFileInfo::exists(journalPath()); }
    double journaled() const {
        return static_cast<double>(window->journal().LastPosition(logPath.toStdString())->position);
    }

    // Runs `action` at the first turn of the event loop inside the next run.
    static void InsideRun(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

    QTemporaryDir dir;
    QString logPath;
    ProcessingState state;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    SettingsStore settings;
    RecordingOpener opener;
    FakeClock clock;
    std::unique_ptr<frmMain> window;
};

} // namespace corvanth::testing
