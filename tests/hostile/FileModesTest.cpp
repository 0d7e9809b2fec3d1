// The names database holds players' names and addresses: every file and folder the programs make
// honours the umask, so that the follower's service keeps them from other users and shares them with
// its group.
#include "CliRunner.h"
#include "DataFolder.h"
#include "FakeRunHost.h"
#include "FollowSnapshot.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "ProgramIdentity.h"
#include "TempFolder.h"

#include <cstdio>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace corvanth::test {
namespace {

struct UmaskScope {
    explicit UmaskScope(mode_t mask) : old(::umask(mask)) {}
    ~UmaskScope() { ::umask(old); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;
    const mode_t old;
};

// `mode` in octal.
std::string Octal(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "0%03o", static_cast<unsigned>(mode));
    return text;
}

// A run and a follower's save into a data folder the command line makes, with the database still open
// (its -wal and -shm files exist only while it is).
TEST(FileModes, EveryFileAndFolderTheProgramsMakeHonoursTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{007}}) {
        SCOPED_TRACE("umask " + Octal(mask));
        TempFolder dir;
        const std::string log = dir.write("games.log", InitGame() + Connect(1, "Ann", "1.1.1.1"));
        const UmaskScope scope(mask);
        const std::string data = dir.file("data/folder");
        ASSERT_TRUE(EnsureFolder(data));
        const std::string database = data + "/" + identity::DatabaseFileName;
        NamesDatabase db;
        db.Open(database);
        ASSERT_EQ(RunFromStart(db, data, log).outcome, RunOutcome::Finished);
        const FollowSnapshotStore snapshots(data);
        FollowSnapshot snapshot;
        snapshot.logPath = log;
        snapshots.save(snapshot);

        const struct {
            std::string path;
            mode_t full;
        } made[] = {{dir.file("data"), 0777},
                    {data, 0777},
                    {database, 0666},
                    {database + "-wal", 0666},
                    {database + "-shm", 0666},
                    {data + "/" + identity::JournalFileName, 0666},
                    {snapshots.pathFor(log), 0666}};
        for (const auto& file : made) {
            struct stat st {};
            ASSERT_EQ(::stat(file.path.c_str(), &st), 0) << file.path;
            EXPECT_EQ(Octal(st.st_mode & 07777), Octal(file.full & ~mask)) << file.path;
        }
    }
}

// The service's user makes the data folder's files (umask 0007, a state folder of mode 0770, as the
// unit sets them). An administrator who shares only its group, and runs the programs as the README
// says (in that group, with the same umask), searches and processes there, and the follower's user
// carries on after that. Numeric ids without a passwd entry: the command line needs neither a name
// nor a home folder with --data-dir.
TEST(FileModes, AUserOfTheServicesGroupSearchesAndProcessesItsData) {
    if (::geteuid() != 0) GTEST_SKIP() << "runs the program as two other users, which needs root";
    constexpr gid_t kServiceGroup = 61000, kAdminsOwnGroup = 61002;
    constexpr uid_t kService = 61001, kAdmin = 61002;
    TempFolder dir;
    const std::string data = dir.file("state");
    ASSERT_EQ(::mkdir(data.c_str(), 0700), 0);
    ASSERT_EQ(::chown(data.c_str(), kService, kServiceGroup), 0);
    ASSERT_EQ(::chmod(data.c_str(), 0770), 0);
    // The build tree may lie in a folder only its owner can enter (a private home or temporary folder).
    const std::string program = dir.file("corvanth-cli");
    std::filesystem::copy_file(CORVANTH_CLI, program);
    dir.write("one.log", InitGame() + Connect(1, "Ann", "1.1.1.1"));
    dir.write("two.log", InitGame() + Connect(2, "Ben", "2.2.2.2"));
    dir.write("three.log", InitGame() + Connect(3, "Cid", "3.3.3.3"));

    struct User {
        uid_t uid;
        std::vector<gid_t> groups; // the first one is the user's group while it runs
    };
    const User service{kService, {kServiceGroup}};
    const User admin{kAdmin, {kServiceGroup, kAdminsOwnGroup}}; // as "sg corvanth" runs a member
    const struct {
        const User& user;
        std::vector<std::string> args;
        std::vector<const char*> output;
    } steps[] = {{service, {"process", dir.file("one.log")}, {"1 visits recorded"}},
                 {admin, {"search", "name", "*", "--format", "csv"}, {"Ann,Ann,1.1.1.1"}},
                 {admin, {"process", dir.file("two.log")}, {"1 visits recorded"}},
                 {service, {"process", dir.file("three.log")}, {"1 visits recorded"}},
                 {admin,
                  {"search", "name", "*", "--format", "csv"},
                  {"Ann,Ann,1.1.1.1", "Ben,Ben,2.2.2.2", "Cid,Cid,3.3.3.3"}}};
    for (const auto& step : steps) {
        std::vector<std::string> args{"--data-dir", data};
        args.insert(args.end(), step.args.begin(), step.args.end());
        const CliResult result = RunCli(
            args, {"HOME=/nonexistent"},
            [&] {
                ::umask(007);
                return ::setgroups(step.user.groups.size(), step.user.groups.data()) == 0 &&
                       ::setgid(step.user.groups.front()) == 0 && ::setuid(step.user.uid) == 0;
            },
            program);
        EXPECT_EQ(result.exitCode, 0) << "uid " << step.user.uid << " " << step.args[0] << ": " << result.err;
        for (const char* text : step.output)
            EXPECT_NE((result.out + result.err).find(text), std::string::npos)
                << "uid " << step.user.uid << " " << step.args[0] << ": " << result.out << result.err;
    }
}

} // namespace
} // namespace corvanth::test
