#pragma once

#include "DocumentOpener.h"
#include "Prompter.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace corvanth::testing {

class ScriptedPrompter : public Prompter {
public:
    struct Question {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };
    QVector<Question> questions;
    Answer answer = Answer::Ok;
    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) override {
        questions.push_back({text, title, buttons, icon});
        return answer;
    }
};

class RecordingOpener : public DocumentOpener {
public:
    QStringList opened;
    void open(const QString& path) override { opened << path; }
};

} // namespace corvanth::testing
