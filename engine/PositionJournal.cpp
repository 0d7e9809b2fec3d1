#include "PositionJournal.h"

#include "DecimalText.h"
#include "FileText.h"
#include "ProgramIdentity.h"
#include "RunFailure.h"
#include "TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace corvanth {
namespace {

constexpr std::string_view kRecordEnd = "\r\n";

// Programs sharing a data folder (several followers on one machine) take turns at the journal: it is
// read, changed and replaced under an exclusive lock on the folder, so no record is lost and no two
// programs write the scratch file at once. Without the lock (a folder that cannot be opened) the write
// goes ahead and reports its own failure.
class FolderLock {
public:
    explicit FolderLock(const std::string& file) {
        const std::string folder = std::filesystem::path(file).parent_path().string();
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

struct Record {
    std::string_view path;
    std::optional<std::string_view> position; // nothing when the line has no double quote
};

// A record is split at its last double quote: a path may hold one, a position never does.
Record SplitRecord(std::string_view line) {
    const std::size_t quote = line.rfind('"');
    if (quote == std::string_view::npos) return {line, std::nullopt};
    return {line.substr(0, quote), line.substr(quote + 1)};
}

// The journal's lines without their line ends (CR LF, or LF alone).
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return lines;
}

std::string SkippedRecord(int lineNumber, const std::string& what) {
    return std::string(identity::JournalFileName) + " line " + std::to_string(lineNumber) + what;
}

} // namespace

PositionJournal::PositionJournal(std::string folder, const FileSystemCalls& calls)
    : journal_(folder + "/" + identity::JournalFileName),
      scratch_(std::move(folder) + "/" + identity::JournalScratchFileName), calls_(calls) {}

void PositionJournal::SavePosition(const std::string& logPath, std::int64_t position) const {
    const std::string number = std::to_string(position < 0 ? 0 : position);
    const FolderLock turn(journal_);
    // Read first: a journal that cannot be read is never replaced.
    const std::string old = ReadWholeFile(journal_).value_or(std::string());
    std::string text;
    bool found = false;
    for (const std::string_view line : Lines(old)) {
        const Record record = SplitRecord(line);
        if (EqualsIgnoringCase(record.path, logPath)) {
            text.append(record.path).append("\"").append(number);
            found = true;
        } else {
            text.append(line);
        }
        text.append(kRecordEnd);
    }
    if (!found) text.append(logPath).append("\"").append(number).append(kRecordEnd);

    WriteFileDurably(journal_, scratch_, text, calls_);
}

Outcome<JournalLookup> PositionJournal::LastPosition(const std::string& logPath) const {
    std::string text;
    try {
        text = ReadWholeFile(journal_).value_or(std::string());
    } catch (const RunFailure& e) {
        return Outcome<JournalLookup>::Failed(e.what());
    }
    JournalLookup lookup;
    int lineNumber = 0;
    for (const std::string_view line : Lines(text)) {
        ++lineNumber;
        if (line.empty()) {
            lookup.skippedRecords.push_back(SkippedRecord(lineNumber, " is blank"));
            continue;
        }
        const Record record = SplitRecord(line);
        if (!record.position) {
            lookup.skippedRecords.push_back(SkippedRecord(lineNumber, " has no double quote"));
            continue;
        }
        if (!EqualsIgnoringCase(record.path, logPath)) continue;
        if (const auto position = ParseWholeNumber(*record.position)) {
            lookup.position = *position;
            return Outcome<JournalLookup>::Of(std::move(lookup));
        }
        lookup.skippedRecords.push_back(SkippedRecord(
            lineNumber, ": position \"" + std::string(*record.position) + "\" is not a number"));
    }
    return Outcome<JournalLookup>::Of(std::move(lookup));
}

} // namespace corvanth
