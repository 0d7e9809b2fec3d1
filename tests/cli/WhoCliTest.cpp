// corvanth-cli who on a database a test fills: servers as a follower publishes them, names as runs
// record them; each format once, and the stale rule on a fake clock.
#include "CliRunner.h"
#include "NamesDatabase.h"
#include "OnlineList.h"
#include "TestBackend.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace corvanth;
using namespace corvanth::test;

namespace {

class Who : public ::testing::TestWithParam<Backend> {};

} // namespace

TEST(Who, AServerReadsStaleAfterItsAgeWithoutALineAndNotFollowedOnceStopped) {
    constexpr std::int64_t kNow = 1'000'000;
    const struct {
        std::int64_t seen;
        ServerFollowed followed;
        std::int64_t staleAfter;
        ServerState state;
    } cases[] = {
        {kNow, ServerFollowed::Yes, 600, ServerState::Playing},
        {kNow - 600, ServerFollowed::Yes, 600, ServerState::Playing},
        {kNow - 601, ServerFollowed::Yes, 600, ServerState::Stale},
        {kNow - 601, ServerFollowed::Yes, 3600, ServerState::Playing},
        {kNow + 601, ServerFollowed::Yes, 600, ServerState::Stale}, // a clock set back
        {kNow, ServerFollowed::No, 600, ServerState::NotFollowed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StateOf(c.seen, c.followed, kNow, c.staleAfter), c.state) << c.seen << " " << c.staleAfter;
}

TEST_P(Who, ListsThePlayersOfEachServerWithWhatTheNamesTableKnows) {
    TempFolder dir;
    BackendLocation where(GetParam(), dir.file("n.mdb"));
    const std::int64_t now = std::time(nullptr);
    {
        NamesDatabase db;
        db.Open(where.location());
        for (const auto& [name, ip] :
             {std::pair{"Alice", "1.1.1.1"}, {"Al", "1.1.1.1"}, {"Bob", "1.1.1.9"}, {"Carl", "2.2.2.2"}})
            db.RecordVisit(name, ip, "2026-01-01");
        db.MarkReferee("Alice", "1.1.1.1");
        const OnlineSlot red[] = {{1, "Alice", "1.1.1.1"}, {3, "O'Neil", "1.1.1.7"}};
        db.PublishOnline({"/srv/a.log", "^1Red", now, ServerFollowed::Yes}, red);
        const OnlineSlot quiet[] = {{0, "Carl", "2.2.2.2"}};
        db.PublishOnline({"/srv/b.log", "", now - 700, ServerFollowed::Yes}, quiet);
        db.PublishOnline({"/srv/c.log", "Blue", now, ServerFollowed::No}, quiet);
        db.Commit();
    }
    const auto seen = [](std::int64_t t) {
        char text[32];
        const std::time_t moment = t;
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::gmtime(&moment));
        return std::string(text);
    };
    const std::string at = seen(now), before = seen(now - 700);
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"--format", "csv"},
         "Server,StripServer,Log,State,Last Line,Slot,Name,StripName,IP,Since,Names from IP,Names from "
         "/24,Referee\r\n^1Red,Red,/srv/a.log,playing," +
             at + ",1,Alice,Alice,1.1.1.1," + at + ",1,2,Yes\r\n^1Red,Red,/srv/a.log,playing," + at +
             ",3,O'Neil,O'Neil,1.1.1.7," + at + ",0,3,No\r\n,,/srv/b.log,stale," + before +
             ",,,,,,,,\r\nBlue,Blue,/srv/c.log,not followed," + at + ",,,,,,,,\r\n"},
        {{"--server", "b.LOG", "--stale-after", "800", "--format", "json"},
         "[\n {\"Server\": \"\", \"StripServer\": \"\", \"Log\": \"/srv/b.log\", \"State\": \"playing\", "
         "\"Last "
         "Line\": \"" +
             before +
             "\", \"Players\": [{\"Slot\": 0, \"Name\": \"Carl\", \"StripName\": \"Carl\", \"IP\": "
             "\"2.2.2.2\", \"Since\": \"" +
             before + "\", \"Names from IP\": 0, \"Names from /24\": 0, \"Referee\": false}]}\n]\n"},
        {{"--server", "blue", "--stale-after", "1"}, // the least age the option takes
         "Blue (/srv/c.log): not followed, last line " + at + ", 0 players\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--data-dir", dir.path(), "--database", where.text(), "who"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = RunCli(args, {"TZ=UTC"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.front();
    }
}

INSTANTIATE_TEST_SUITE_P(Both, Who, ::testing::Values(Backend::Sqlite, Backend::Postgres), test::BackendName);
