#include "DataFolder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace corvanth;
using corvanth::test::TempFolder;

TEST(DataFolder, OverridesComeFirst) {
    TempFolder dir;
    DataFolderSources s{dir.file("cli/"), dir.file("env"), dir.path(), dir.file("user")};
    EXPECT_EQ(ResolveDataFolder(s), dir.file("cli"));
    s.commandLineOverride.clear();
    EXPECT_EQ(ResolveDataFolder(s), dir.file("env"));
    s.environmentOverride.clear();
    EXPECT_EQ(ResolveDataFolder(s), dir.path()); // a build tree: the program's own folder
    // A relative override is fixed against the current directory once, so it cannot move later.
    s.environmentOverride = "relative/data/";
    EXPECT_EQ(ResolveDataFolder(s), (std::filesystem::current_path() / "relative/data").string());
}

TEST(DataFolder, AnInstalledProgramKeepsItsDataPerUser) {
    TempFolder dir;
    std::filesystem::create_directories(dir.file("bin"));
    std::filesystem::create_directories(dir.file("share/corvanth"));
    dir.write("share/corvanth/Zelvane.hlp", "<html></html>");
    const DataFolderSources s{{}, {}, dir.file("bin"), dir.file("home/.local/share/Pyrrowin/Corvanth")};
    EXPECT_TRUE(IsInstalledProgramFolder(dir.file("bin")));
    EXPECT_EQ(ResolveDataFolder(s), dir.file("home/.local/share/Pyrrowin/Corvanth"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("home/.local/share/Pyrrowin/Corvanth")));
}

TEST(DataFolder, AFolderThatIsNotWritableIsPassedOver) {
    TempFolder dir;
    // A path below a regular file can never be written, whoever runs the test.
    dir.write("file", "x");
    const DataFolderSources s{{}, {}, dir.file("file/bin"), dir.file("user")};
    EXPECT_EQ(ResolveDataFolder(s), dir.file("user"));
}
