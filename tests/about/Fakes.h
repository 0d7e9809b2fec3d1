#pragma once

#include "DocumentOpener.h"
#include "FileProbe.h"
#include "ProgramLauncher.h"
#include "Prompter.h"
#include "RegistryValueText.h"
#include "SystemRegistry.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <stdexcept>

namespace corvanth::testing {

// A registry holding a few values. A value marked `otherType` counts as read but leaves the
// caller's text as it was, as a value of an unknown type does.
class FakeRegistry : public SystemRegistry {
public:
    struct Entry {
        QString text;
        bool otherType = false;
    };
    struct Call {
        RegistryRoot root;
        QString keyName;
        QString valueName;
    };

    void set(const QString& keyName, const QString& valueName, Entry entry) {
        values_[keyName + '|' + valueName] = entry;
    }
    void failWithException() { throws_ = true; }

    bool getKeyValue(RegistryRoot root, const QString& keyName, const QString& valueName,
                     QString& value) override {
        calls.push_back({root, keyName, valueName});
        if (throws_) throw std::runtime_error("registry unavailable");
        const auto it = values_.constFind(keyName + '|' + valueName);
        if (it == values_.constEnd()) {
            value.clear();
            return false;
        }
        if (!it->otherType) value = it->text;
        return true;
    }

    QVector<Call> calls;

private:
    QMap<QString, Entry> values_;
    bool throws_ = false;
};

// A registry that holds each value as its type and raw bytes, and turns them into the look-up's
// text the way a real registry look-up does.
class RawValueRegistry : public SystemRegistry {
public:
    struct Raw {
        unsigned int type;
        QByteArray bytes;
    };

    void set(const QString& keyName, const QString& valueName, Raw raw) {
        values_[keyName + '|' + valueName] = raw;
    }

    bool getKeyValue(RegistryRoot, const QString& keyName, const QString& valueName,
                     QString& value) override {
        keysAsked << keyName;
        const auto it = values_.constFind(keyName + '|' + valueName);
        if (it == values_.constEnd()) {
            value.clear();
            return false;
        }
        RegistryValueText(it->type, it->bytes, value);
        return true;
    }

    QStringList keysAsked;

private:
    QMap<QString, Raw> values_;
};

class FakeFiles : public FileProbe {
public:
    QSet<QString> existing;
    mutable QStringList asked;
    bool exists(const QString& path) const override {
        asked << path;
        return existing.contains(path);
    }
};

// Starts nothing; records the command lines. An empty command line cannot be started.
class FakeLauncher : public ProgramLauncher {
public:
    QStringList started;
    bool failAll = false;
    bool runShellCommand(const QString& commandLine) override {
        started << commandLine;
        return !failAll && !commandLine.isEmpty();
    }
};

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
