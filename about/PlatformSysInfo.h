#pragma once

#include "DetachedProgramLauncher.h"
#include "LocalFileProbe.h"
#include "NoSystemRegistry.h"
#include "SysInfoServices.h"

namespace corvanth {

class Prompter;

// The real registry, file system and program start of this system, for AboutBox.
class PlatformSysInfo {
public:
    SysInfoServices services(Prompter& prompter) {
        return SysInfoServices{registry_, files_, launcher_, prompter};
    }

private:
    NoSystemRegistry registry_;
    LocalFileProbe files_;
    DetachedProgramLauncher launcher_;
};

} // namespace corvanth
