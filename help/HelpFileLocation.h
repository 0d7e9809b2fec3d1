#pragma once

#include "ProgramIdentity.h"

#include <QString>

namespace corvanth {

// The help file's name, in the program's folder and in the installed data folder.
inline const QString HelpFileName = QString::fromUtf8(identity::HelpFileName);

// Where the help file is read from: beside the executable when it is there (a build, or a program
// copied into a folder of its own), else the installed data folder <prefix>/share/corvanth, found
// relative to the executable's folder (<prefix>/bin). When neither exists, the path beside the
// executable. `executableFolder` is normally QCoreApplication::applicationDirPath().
QString FindHelpFile(const QString& executableFolder);

} // namespace corvanth
