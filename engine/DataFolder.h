#pragma once

#include <string>

namespace corvanth {

// Where the program keeps IPLogging.mdb and Positions.txt (its "application folder").
struct DataFolderSources {
    std::string commandLineOverride; // corvanth-cli --data-dir
    std::string environmentOverride; // CORVANTH_DATA_DIR
    std::string executableFolder;    // the folder of the running program
    std::string perUserFolder;       // the per-user data folder, for an installed program
};

// The first of: the command-line override, the environment override, the executable's folder when
// it is writable and not an installed program's, the per-user folder (created when missing). Always
// absolute (a relative override is taken from the current directory, once), never ends in a separator.
std::string ResolveDataFolder(const DataFolderSources& sources);

// An installed program's folder is <prefix>/bin with its help file in <prefix>/share/corvanth; the
// database never goes there, even for a user who may write to it.
bool IsInstalledProgramFolder(const std::string& folder);

// Creates the folder and its parents; false when that fails.
bool EnsureFolder(const std::string& folder);

} // namespace corvanth
