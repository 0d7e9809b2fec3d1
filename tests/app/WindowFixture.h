#pragma once

#include "GuiFakes.h"
#include "LogFileChooser.h"
#include "LogLines.h"
#include "ProcessingControl.h"
#include "ProgramIdentity.h"
#include "RunClock.h"
#include "SettingsStore.h"
#include "frmMain.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace corvanth::testing {

// Gives the scripted paths in order; empty text once they are used up (the user cancelled).
class ScriptedChooser : public LogFileChooser {
public:
    QString GetLogFileName(QWidget*) override { return paths.isEmpty() ? QString() : paths.takeFirst(); }
    QStringList paths;
};

// Each reading moves the clock on by `step` seconds.
class FakeClock : public RunClock {
public:
    double seconds() const override { return now += step; }
    mutable double now = 1000.0;
    double step = 0.0;
};

// Points the user settings at `folder` and empties them.
inline void ScratchSettings(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(identity::Organization),
              QString::fromUtf8(identity::Application))
        .clear();
}

// `value` with a comma between groups of three digits, as the C locale of the tests shows it.
inline QString Grouped(qint64 value) {
    return QLocale(QLocale::English).toString(value);
}

// One game: an InitGame line and the connect line of `name` from `ip`.
inline QByteArray Game(int client, const QString& name, const QString& ip) {
    return QByteArray::fromStdString(test::InitGame() + test::Connect(client, name.toStdString(),
                                                                      ip.toStdString() + ":27960",
                                                                      "2024-03-01"));
}

// `games` games, each with a player seen nowhere else (PlayerN from 10.x.y.z): one row each.
inline QByteArray GameLog(int games, int first = 0) {
    QByteArray log;
    for (int i = first; i < first + games; ++i)
        log += Game(i % 100, QStringLiteral("Player%1").arg(i),
                    QStringLiteral("10.%1.%2.%3").arg((i >> 16) & 255).arg((i >> 8) & 255).arg(i & 255));
    return log;
}

// A main window on a scratch data folder with a log of its own (remembered as the last file unless
// told otherwise), started up unless told otherwise. Settings must point at a scratch folder already.
struct WindowFixture {
    enum class RememberLog { Yes, No };
    enum class Start { Now, Later };

    explicit WindowFixture(const QByteArray& log, RememberLog remember = RememberLog::Yes,
                           Start start = Start::Now) {
        QFile file(logPath);
        if (file.open(QIODevice::WriteOnly)) file.write(log);
        if (remember == RememberLog::Yes) settings.SaveRegString(QStringLiteral("LastFile"), logPath);
        if (start == Start::Now) load();
    }

    // Start-up, with the run handing control back at every check, so tests act inside a run.
    void load() {
        w.Form_Load();
        RunOptions options;
        options.pumpInterval = std::chrono::milliseconds(0);
        w.processing().setRunOptions(options);
    }
    qint64 journaled() const { return w.journal().LastPosition(logPath.toStdString())->position; }
    QString dataFile(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Runs `action` at the first turn of the event loop inside the next run.
    static void InsideRun(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

    QTemporaryDir dir;
    QString logPath = dir.filePath(QStringLiteral("games.log"));
    ProcessingState state;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
    SettingsStore settings;
    RecordingOpener opener;
    FakeClock clock;
    frmMain w{frmMainServices{state, prompter, chooser, settings, opener, clock, dir.path()}};
};

} // namespace corvanth::testing
