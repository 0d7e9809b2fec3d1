#include "PositionJournal.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace corvanth;
using corvanth::test::TempFolder;

TEST(PositionJournal, FirstSaveCreatesOneRecord) {
    TempFolder dir;
    PositionJournal journal(dir.path());
    EXPECT_EQ(journal.LastPosition("/logs/games.log"), 1);
    journal.SavePosition("/logs/games.log", 812);
    EXPECT_EQ(dir.read("Positions.txt"), "/logs/games.log\"812\r\n");
    EXPECT_FALSE(dir.exists("PositionOut.txt"));
    EXPECT_EQ(journal.LastPosition("/logs/games.log"), 812);
}

TEST(PositionJournal, ReplacesMatchesKeepingSpellingAndOrder) {
    TempFolder dir;
    dir.write("Positions.txt", "/a.log\"10\r\n/Logs/Games.LOG\"20\r\n/b.log\"30\r\n/logs/games.log\"40\r\n");
    PositionJournal journal(dir.path());
    EXPECT_EQ(journal.LastPosition("/LOGS/games.log"), 20); // the first match wins
    journal.SavePosition("/logs/GAMES.log", 812);
    EXPECT_EQ(dir.read("Positions.txt"),
              "/a.log\"10\r\n/Logs/Games.LOG\"812\r\n/b.log\"30\r\n/logs/games.log\"812\r\n");
    journal.SavePosition("/new.log", 5);
    EXPECT_EQ(dir.read("Positions.txt"),
              "/a.log\"10\r\n/Logs/Games.LOG\"812\r\n/b.log\"30\r\n/logs/games.log\"812\r\n/new.log\"5\r\n");
    EXPECT_EQ(journal.LastPosition("/unknown.log"), 1);
    EXPECT_FALSE(dir.exists("PositionOut.txt"));
}

TEST(PositionJournal, APathWithACommaIsMatchedAsAWholeLine) {
    TempFolder dir;
    PositionJournal journal(dir.path());
    journal.SavePosition("/logs/a,b.log", 77);
    journal.SavePosition("/logs/a,b.log", 78);
    EXPECT_EQ(dir.read("Positions.txt"), "/logs/a,b.log\"78\r\n");
    EXPECT_EQ(journal.LastPosition("/logs/a,b.log"), 78);
    EXPECT_EQ(journal.LastPosition("/logs/a"), 1);
}

TEST(PositionJournal, MalformedRecordsAreSkippedAndReported) {
    TempFolder dir;
    dir.write("Positions.txt", "\r\n/x.log\"abc\r\nno quote here\r\n/x.log\"99\r\n");
    PositionJournal journal(dir.path());
    std::vector<std::string> problems;
    EXPECT_EQ(journal.LastPosition("/x.log", &problems), 99);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_NE(problems[1].find("\"abc\" is not a number"), std::string::npos);
    // A save keeps the lines it does not understand and replaces both records of the log.
    journal.SavePosition("/x.log", 100);
    EXPECT_EQ(dir.read("Positions.txt"), "\r\n/x.log\"100\r\nno quote here\r\n/x.log\"100\r\n");
}

TEST(PositionJournal, AJournalWrittenWithLfOnlyIsRead) {
    TempFolder dir;
    dir.write("Positions.txt", "/x.log\"42\n");
    EXPECT_EQ(PositionJournal(dir.path()).LastPosition("/x.log"), 42);
}

TEST(PositionJournal, LeftoverScratchFileIsOverwritten) {
    TempFolder dir;
    dir.write("PositionOut.txt", "garbage\r\n");
    PositionJournal journal(dir.path());
    journal.SavePosition("/x.log", 3);
    EXPECT_EQ(dir.read("Positions.txt"), "/x.log\"3\r\n");
    EXPECT_FALSE(dir.exists("PositionOut.txt"));
}

TEST(PositionJournal, AFolderThatCannotBeWrittenThrowsAndKeepsTheJournal) {
    TempFolder dir;
    // A scratch path that is a folder cannot be written, whoever runs the test.
    std::filesystem::create_directory(dir.file("PositionOut.txt"));
    dir.write("Positions.txt", "/x.log\"9\r\n");
    PositionJournal journal(dir.path());
    EXPECT_THROW(journal.SavePosition("/x.log", 10), std::runtime_error);
    EXPECT_EQ(dir.read("Positions.txt"), "/x.log\"9\r\n");
}
