#include "DataFolder.h"

#include "ProgramIdentity.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace corvanth {
namespace {

// The folder as an absolute path without a trailing separator, fixed once: the current directory
// may change later (the file dialog moves it), the data folder must not move with it.
std::string Fixed(const std::string& folder) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(folder, ec).string();
    if (ec) path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool IsWritableFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

bool EnsureFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

bool IsInstalledProgramFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::exists(
        std::filesystem::path(folder) / ".." / "share" / "corvanth" / identity::HelpFileName, ec);
}

std::string ResolveDataFolder(const DataFolderSources& s) {
    if (!s.commandLineOverride.empty()) return Fixed(s.commandLineOverride);
    if (!s.environmentOverride.empty()) return Fixed(s.environmentOverride);
    if (!s.executableFolder.empty() && IsWritableFolder(s.executableFolder) &&
        !IsInstalledProgramFolder(s.executableFolder))
        return Fixed(s.executableFolder);
    EnsureFolder(s.perUserFolder);
    return Fixed(s.perUserFolder);
}

} // namespace corvanth
