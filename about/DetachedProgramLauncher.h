#pragma once

#include "ProgramLauncher.h"

namespace corvanth {

// Starts the program as a detached process (QProcess::startDetached).
class DetachedProgramLauncher : public ProgramLauncher {
public:
    bool runShellCommand(const QString& commandLine) override;
};

} // namespace corvanth
