#pragma once

namespace corvanth {

class FileProbe;
class ProgramLauncher;
class Prompter;
class SystemRegistry;

// What "System Info..." needs from the system. The objects are the caller's and outlive the use.
struct SysInfoServices {
    SystemRegistry& registry;
    FileProbe& files;
    ProgramLauncher& launcher;
    Prompter& prompter;
};

} // namespace corvanth
