#pragma once

#include "LogFileChooser.h"
#include "Prompter.h"
#include "RunClock.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <vector>

namespace corvanth::testing {

// Answers message boxes from a script and records every question asked.
class ScriptedPrompter : public Prompter {
public:
    struct Question {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };

    void script(std::initializer_list<Answer> answers) { answers_.insert(answers_.end(), answers); }
    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) override {
        asked.push_back({text, title, buttons, icon});
        if (answers_.empty()) {
            ++unscripted;
            return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
        }
        const Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::size_t pending() const { return answers_.size(); }

    std::vector<Question> asked;
    int unscripted = 0;

private:
    std::deque<Answer> answers_;
};

// Gives the scripted paths in order; empty text once the script is used up (the user cancelled).
class ScriptedChooser : public LogFileChooser {
public:
    QString GetLogFileName(QWidget*) override {
        ++calls;
        if (paths.isEmpty()) return {};
        return paths.takeFirst();
    }
    QStringList paths;
    int calls = 0;
};

class FakeClock : public RunClock {
public:
    // Each reading moves the clock on by `step` seconds.
    double seconds() const override { return now += step; }
    mutable double now = 1000.0;
    double step = 0.0;
};

// Points the user settings at a scratch folder. Call before the first QSettings is made.
inline void UseScratchSettings(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

inline void ClearSettings() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pyrrowin"),
                       QStringLiteral("Corvanth"));
    settings.clear();
    settings.sync();
}

// A log of `games` tracked games, each an InitGame line and one ClientConnect line of a player seen
// nowhere else (name PlayerN, address 10.x.y.z), so every connect line makes one row.
inline QByteArray GameLog(int games, int firstPlayer = 0) {
    QByteArray log;
    for (int i = firstPlayer; i < firstPlayer + games; ++i) {
        log += "  1:00 InitGame: \\sv_hostname\\Test\\wfversion\\2.8\\g_gametype\\4\n";
        log +=
            QStringLiteral(
                "  1:02 ClientConnect: %1, name: Player%2, ip: 10.%3.%4.%5:27960 DATE: 2024-03-01 20:%6:00\n")
                .arg(i % 100)
                .arg(i)
                .arg((i >> 16) & 255)
                .arg((i >> 8) & 255)
                .arg(i & 255)
                .arg(i % 60, 2, 10, QLatin1Char('0'))
                .toLatin1();
    }
    return log;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(bytes) == bytes.size();
}

} // namespace corvanth::testing
