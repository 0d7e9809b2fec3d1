#include "PositionJournal.h"
#include "FollowSnapshot.h"
#include "RunFailure.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <thread>

using namespace corvanth;
using corvanth::test::TempFolder;

namespace {

// One save over a journal: the lines before, the position the journal gives the log before the save,
// the lines after, and the records the look-up skipped (described).
struct SaveCase {
    const char* name;
    std::string before;
    std::string log;
    std::int64_t lastBefore;
    std::string after;
    std::vector<std::string> skipped = {};
};

class JournalSave : public ::testing::TestWithParam<SaveCase> {};

} // namespace

TEST_P(JournalSave, ReplacesEveryMatchingRecordOrAppendsOne) {
    const SaveCase& c = GetParam();
    TempFolder dir;
    if (!c.before.empty()) dir.write("Positions.txt", c.before);
    PositionJournal journal(dir.path());
    const auto lookup = journal.LastPosition(c.log);
    ASSERT_TRUE(lookup) << lookup.reason();
    EXPECT_EQ(lookup->position, c.lastBefore);
    EXPECT_EQ(lookup->skippedRecords, c.skipped);
    dir.write("PositionOut.txt", "a scratch file left by a save that was cut short\r\n");
    journal.SavePosition(c.log, 812);
    EXPECT_EQ(dir.read("Positions.txt"), c.after);
    EXPECT_FALSE(dir.exists("PositionOut.txt"));
    EXPECT_EQ(journal.LastPosition(c.log)->position, 812);
}

INSTANTIATE_TEST_SUITE_P(
    Records, JournalSave,
    ::testing::Values(
        SaveCase{"NoJournalYet", "", "/logs/games.log", 1, "/logs/games.log\"812\r\n"},
        // Paths match ignoring case; each match keeps its spelling, the first one is read, order stays.
        SaveCase{"EveryMatchKeepsItsSpelling",
                 "/a.log\"10\r\n/Logs/Games.LOG\"20\r\n/b.log\"30\r\n/logs/games.log\"40\r\n",
                 "/logs/GAMES.log", 20,
                 "/a.log\"10\r\n/Logs/Games.LOG\"812\r\n/b.log\"30\r\n/logs/games.log\"812\r\n"},
        SaveCase{"NewLogIsAppended", "/a.log\"10\r\n", "/new.log", 1, "/a.log\"10\r\n/new.log\"812\r\n"},
        SaveCase{"CommaInThePath", "/logs/a\"5\r\n/logs/a,b.log\"77\r\n", "/logs/a,b.log", 77,
                 "/logs/a\"5\r\n/logs/a,b.log\"812\r\n"},
        SaveCase{"DoubleQuoteInThePath", "/tmp/a\"b.log\"77\r\n", "/tmp/a\"b.log", 77,
                 "/tmp/a\"b.log\"812\r\n"},
        // A line without a double quote is all path: it matches and is replaced.
        SaveCase{"RecordWithoutQuoteIsAllPath",
                 "/x.log\r\n",
                 "/x.log",
                 1,
                 "/x.log\"812\r\n",
                 {"Positions.txt line 1 has no double quote"}},
        SaveCase{"LfOnlyJournal", "/x.log\"42\n", "/x.log", 42, "/x.log\"812\r\n"},
        SaveCase{"BlankAndMalformedLinesAreKept",
                 "\r\n/x.log\"abc\r\nno quote here\r\n/x.log\"99\r\n",
                 "/x.log",
                 99,
                 "\r\n/x.log\"812\r\nno quote here\r\n/x.log\"812\r\n",
                 {"Positions.txt line 1 is blank", "Positions.txt line 2: position \"abc\" is not a number",
                  "Positions.txt line 3 has no double quote"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder in the place of the journal or of its scratch file can be neither read nor written,
// whoever runs the test: the save fails, and the journal is neither replaced nor lost.
TEST(PositionJournal, AFolderInTheWayFailsTheSaveAndKeepsTheJournal) {
    for (const std::string blocked : {"Positions.txt", "PositionOut.txt"}) {
        TempFolder dir;
        std::filesystem::create_directory(dir.file(blocked));
        const bool journalBlocked = blocked == "Positions.txt";
        if (!journalBlocked) dir.write("Positions.txt", "/x.log\"9\r\n");
        PositionJournal journal(dir.path());
        EXPECT_EQ(journal.LastPosition("/x.log").reason(),
                  journalBlocked ? "cannot read " + dir.file(blocked) + ": Is a directory" : "");
        try {
            journal.SavePosition("/x.log", 10);
            ADD_FAILURE() << "the save went through";
        } catch (const RunFailure& e) {
            const std::string expected =
                (journalBlocked ? "cannot read " : "cannot write ") + dir.file(blocked);
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_TRUE(std::filesystem::is_directory(dir.file(blocked)));
        EXPECT_EQ(dir.exists("PositionOut.txt"), !journalBlocked);
        if (!journalBlocked) {
            EXPECT_EQ(dir.read("Positions.txt"), "/x.log\"9\r\n");
        }
    }
}

// Programs sharing a data folder save at once: each one's record survives the others' saves (they take
// turns at the journal), and none is left with another's position.
TEST(PositionJournal, SavesAtOnceFromSeveralProgramsLoseNoRecord) {
    TempFolder dir;
    constexpr int kPrograms = 4, kSaves = 100;
    std::vector<std::thread> programs;
    std::vector<std::string> failures(kPrograms);
    for (int p = 0; p < kPrograms; ++p)
        programs.emplace_back([&dir, &failures, p] {
            const PositionJournal journal(dir.path()); // each with its own descriptors, as programs have
            try {
                for (int save = 1; save <= kSaves; ++save)
                    journal.SavePosition("/logs/" + std::to_string(p) + ".log", save);
            } catch (const std::exception& e) {
                failures[static_cast<std::size_t>(p)] = e.what();
            }
        });
    for (auto& program : programs)
        program.join();
    const PositionJournal journal(dir.path());
    for (int p = 0; p < kPrograms; ++p) {
        EXPECT_EQ(failures[static_cast<std::size_t>(p)], "") << p;
        EXPECT_EQ(journal.LastPosition("/logs/" + std::to_string(p) + ".log")->position, kSaves) << p;
    }
}

namespace {

// The file-system calls of a save, named by the last part of the path they touch.
class WatchedCalls : public FileSystemCalls {
public:
    mutable std::vector<std::string> calls;
    int Open(const std::string& path, int flags, mode_t mode) const override {
        const int fd = FileSystemCalls::Open(path, flags, mode);
        names_[fd] = Name(path);
        return fd;
    }
    ssize_t Write(int fd, const void* data, size_t size) const override {
        return Note("write", fd), FileSystemCalls::Write(fd, data, size);
    }
    int Fsync(int fd) const override { return Note("fsync", fd), FileSystemCalls::Fsync(fd); }
    int Close(int fd) const override { return Note("close", fd), FileSystemCalls::Close(fd); }
    int Rename(const std::string& from, const std::string& to) const override {
        calls.push_back("rename " + Name(from) + " " + Name(to));
        return FileSystemCalls::Rename(from, to);
    }

private:
    mutable std::map<int, std::string> names_;
    static std::string Name(const std::string& path) { return std::filesystem::path(path).filename(); }
    void Note(const char* call, int fd) const { calls.push_back(call + (" " + names_[fd])); }
};

} // namespace

// The journal and a follower's saved state survive a power cut whole: the scratch file is on the disk
// before it is renamed over the old one, and the rename is on the disk before the save returns.
TEST(DurableWrites, TheFileIsSyncedBeforeItsRenameAndTheFolderAfter) {
    TempFolder dir;
    const WatchedCalls watched;
    const PositionJournal journal(dir.path(), watched);
    const FollowSnapshotStore store(dir.path(), watched);
    FollowSnapshot snapshot;
    snapshot.logPath = "/a.log";
    const std::string folder = std::filesystem::path(dir.path()).filename(),
                      state = std::filesystem::path(store.pathFor("/a.log")).filename();
    const struct {
        std::function<void()> save;
        std::string file, scratch;
    } writers[] = {{[&] { journal.SavePosition("/a.log", 7); }, "Positions.txt", "PositionOut.txt"},
                   {[&] { store.save(snapshot); }, state, state + ".new"}};
    for (const auto& w : writers) {
        watched.calls.clear();
        w.save();
        EXPECT_EQ(watched.calls,
                  (std::vector<std::string>{"write " + w.scratch, "fsync " + w.scratch, "close " + w.scratch,
                                            "rename " + w.scratch + " " + w.file, "fsync " + folder,
                                            "close " + folder}));
        EXPECT_TRUE(dir.exists(w.file));
        EXPECT_FALSE(dir.exists(w.scratch));
    }
}
