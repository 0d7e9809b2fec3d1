// Random journal files: LastPosition must read any of them without failing, and SavePosition must
// rewrite any of them so that the saved position reads back, every other record is kept in order, and
// the scratch file is gone afterwards.
#include "FuzzCommon.h"
#include "PositionJournal.h"
#include "TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace corvanth;
using corvanth::fuzz::Check;

namespace {

struct Scratch {
    std::string folder;
    Scratch() {
        char templ[] = "/tmp/corvanth-fuzz-journal-XXXXXX";
        if (!::mkdtemp(templ)) fuzz::Fail("mkdtemp");
        folder = templ;
    }
    ~Scratch() {
        std::remove((folder + "/Positions.txt").c_str());
        std::remove((folder + "/PositionOut.txt").c_str());
        ::rmdir(folder.c_str());
    }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    // Layout: the log path up to the first NUL, then four bytes of position, then the journal file.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    if (nul == std::string_view::npos) return 0;
    const std::string logPath(input.substr(0, nul));
    std::string_view rest = input.substr(nul + 1);
    std::uint32_t raw = 0;
    for (int i = 0; i < 4 && !rest.empty(); ++i) {
        raw = (raw << 8) | static_cast<unsigned char>(rest.front());
        rest.remove_prefix(1);
    }
    const std::int64_t position = raw;
    const std::string journalText(rest);

    PositionJournal journal(scratch.folder);
    {
        std::ofstream out(journal.journalPath(), std::ios::binary | std::ios::trunc);
        out.write(journalText.data(), static_cast<std::streamsize>(journalText.size()));
        if (!out) fuzz::Fail("cannot write the journal");
    }
    const auto before = journal.LastPosition(logPath);
    Check(before.ok(), "a journal that is a readable file failed to read");
    Check(before->position >= 0, "LastPosition returned a negative position");
    for (const auto& skipped : before->skippedRecords)
        Check(!skipped.empty(), "an empty description of a skipped record");

    journal.SavePosition(logPath, position);
    struct stat st {};
    Check(::stat((scratch.folder + "/PositionOut.txt").c_str(), &st) != 0, "PositionOut.txt left behind");

    // A path that can be a record (no line break) reads back what was saved.
    const bool recordable = logPath.find_first_of("\r\n") == std::string::npos;
    if (recordable)
        Check(journal.LastPosition(logPath)->position == position, "the saved position does not read back");

    // Every line of the old journal is still there, in order; only matching records changed.
    const std::vector<std::string> oldLines = Lines(journalText);
    const std::vector<std::string> newLines = Lines(ReadAll(journal.journalPath()));
    if (recordable) {
        Check(newLines.size() == oldLines.size() || newLines.size() == oldLines.size() + 1,
              "records lost or added by the rewrite");
        for (std::size_t i = 0; i < oldLines.size(); ++i) {
            // A record's path is the line up to its last quote, or the whole line without one.
            const std::string path = oldLines[i].substr(0, oldLines[i].rfind('"'));
            if (!EqualsIgnoringCase(path, logPath))
                Check(newLines[i] == oldLines[i], "a record of another log was changed");
            else
                Check(newLines[i] == path + "\"" + std::to_string(position), "a record lost its stored path");
        }
    }
    return 0;
}
