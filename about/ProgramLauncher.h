#pragma once

#include <QString>

namespace corvanth {

// Starts a program from a command line without waiting for it.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // False when the program could not be started (an empty command line included).
    virtual bool runShellCommand(const QString& commandLine) = 0;
};

} // namespace corvanth
