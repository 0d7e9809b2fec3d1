#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace corvanth::test {

// A fresh folder under the system's temporary folder, removed with everything in it. Readable and
// searchable by everyone, so a child that dropped its privileges can still reach what it is given.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes (or appends to) the file `name` and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string append(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string path_;
};

} // namespace corvanth::test
