#pragma once

#include "SysInfoServices.h"

#include <QString>

class QWidget;

namespace corvanth {

// Registry places of the system information program.
inline const QString SysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString SysInfoPathValue = QStringLiteral("PATH");
inline const QString SysInfoFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString SysInfoFolderValue = QStringLiteral("MSINFO");
inline const QString SysInfoProgramName = QStringLiteral("\\MSINFO32.EXE");
inline const QString SysInfoUnavailableText =
    QStringLiteral("System Information Is Unavailable At This Time");

// Finds the system information program (the PATH value, else MSINFO32.EXE in the MSINFO folder)
// and starts it; when it cannot be found or started, says "System Information Is Unavailable At This
// Time" (title: the program's title, OK, no icon).
// The message opens over `owner`, the About window.
void StartSysInfo(SysInfoServices services, QWidget* owner);

} // namespace corvanth
