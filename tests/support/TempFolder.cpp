#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace corvanth::test {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvanth-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
    fs::permissions(path_, fs::perms(0755));
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Give back write permission first, so folders a test made read-only can be removed.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms(0755), ec);
    fs::remove_all(path_, ec);
}

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary | std::ios::trunc) << bytes;
    return file(name);
}

std::string TempFolder::append(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary | std::ios::app) << bytes;
    return file(name);
}

std::string TempFolder::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempFolder::exists(const std::string& name) const {
    return fs::exists(file(name));
}

} // namespace corvanth::test
