#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace corvanth::test {

// A fresh folder under the system's temporary folder, removed with everything in it. Readable and
// searchable by everyone, so a child that dropped its privileges can still reach what it is given.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvanth-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
        std::filesystem::permissions(path_, std::filesystem::perms(0755));
    }
    ~TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Give back write permission first, so folders a test made read-only can be removed.
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms(0755), ec);
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes (or appends to) the file `name` and returns its path.
    std::string write(const std::string& name, const std::string& bytes,
                      std::ios::openmode mode = std::ios::trunc) const {
        std::ofstream(file(name), std::ios::binary | mode) << bytes;
        return file(name);
    }
    std::string append(const std::string& name, const std::string& bytes) const {
        return write(name, bytes, std::ios::app);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }

private:
    std::string path_;
};

} // namespace corvanth::test
