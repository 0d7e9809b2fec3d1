#include "DataFolder.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace corvanth {
namespace {

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

bool IsWritableFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool EnsureFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

bool IsInstalledProgramFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::exists(
        std::filesystem::path(folder) / ".." / "share" / "corvanth" / "Zelvane.hlp", ec);
}

std::string ResolveDataFolder(const DataFolderSources& s) {
    if (!s.commandLineOverride.empty()) return WithoutTrailingSeparator(s.commandLineOverride);
    if (!s.environmentOverride.empty()) return WithoutTrailingSeparator(s.environmentOverride);
    if (!s.executableFolder.empty() && IsWritableFolder(s.executableFolder) &&
        !IsInstalledProgramFolder(s.executableFolder))
        return WithoutTrailingSeparator(s.executableFolder);
    EnsureFolder(s.perUserFolder);
    return WithoutTrailingSeparator(s.perUserFolder);
}

} // namespace corvanth
