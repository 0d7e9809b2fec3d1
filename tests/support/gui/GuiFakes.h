#pragma once

#include "DocumentOpener.h"
#include "Prompter.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <initializer_list>
#include <vector>

namespace corvanth::testing {

// Answers message boxes from a script and records every question. Unscripted questions get the
// box's escape answer (Ok or No).
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
        if (answers_.empty()) return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
        const Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<Question> asked;

private:
    std::deque<Answer> answers_;
};

// Records the documents it is asked to open.
class RecordingOpener : public DocumentOpener {
public:
    void open(const QString& path) override { opened << path; }
    QStringList opened;
};

} // namespace corvanth::testing
