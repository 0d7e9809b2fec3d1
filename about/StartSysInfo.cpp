#include "StartSysInfo.h"

#include "AppInfo.h"
#include "FileProbe.h"
#include "ProgramLauncher.h"
#include "Prompter.h"
#include "SystemRegistry.h"

#include <optional>

namespace corvanth {
namespace {

// The command line of the system information program, or nothing when it cannot be found. A PATH
// value that is found but empty (or not text) is still an answer; starting it then fails.
std::optional<QString> FindSysInfo(const SysInfoServices& s) {
    QString path;
    if (s.registry.getKeyValue(RegistryRoot::LocalMachine, SysInfoKey, SysInfoPathValue, path)) return path;
    if (s.registry.getKeyValue(RegistryRoot::LocalMachine, SysInfoFolderKey, SysInfoFolderValue, path)) {
        const QString program = path + SysInfoProgramName;
        if (s.files.exists(program)) return program;
    }
    return std::nullopt;
}

} // namespace

void StartSysInfo(SysInfoServices services, QWidget* owner) {
    try {
        const std::optional<QString> path = FindSysInfo(services);
        if (path && services.launcher.runShellCommand(*path)) return;
    } catch (...) {
        // Any failure on the way ends in the message below.
    }
    services.prompter.askOver(owner, SysInfoUnavailableText, AppTitle(), Prompter::Buttons::Ok,
                              Prompter::Icon::None);
}

} // namespace corvanth
