// Table Online as a follower publishes it: two logs of two servers (the present rules' and Urban
// Terror's) followed into one database, turn by turn on a fake clock, the table read after each step.
#include "DatabaseError.h"
#include "FakeRunHost.h"
#include "LogFollower.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "TempFolder.h"
#include "TestBackend.h"
#include "UrtLines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace corvanth;
using namespace corvanth::test;

namespace {

class FakeClock : public EpochClock {
public:
    std::int64_t now = 0;
    std::int64_t Seconds() const override { return now; }
};

class NoEvents : public FollowObserver {
public:
    void onEvent(const FollowEvent&) override {}
};

// One follower process on the two logs: a new one is what a restart makes.
struct Session {
    Session(const DatabaseLocation& location, const TempFolder& dir, const FakeClock& clock)
        : journal(dir.path()), snapshots(dir.path()), follower(db, journal, snapshots, host, events) {
        db.Open(location);
        follower.publishOnline(clock);
        follower.add(dir.file("a.log"));
        follower.add(dir.file("b.log"));
    }
    NamesDatabase db;
    PositionJournal journal;
    FollowSnapshotStore snapshots;
    FakeRunHost host;
    NoEvents events;
    LogFollower follower;
};

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// "log|slot|server/stripped|name/stripped|ip|since|seen|followed" per row, by log and slot.
std::string OnlineTable(NamesDatabase& db, const std::string& folder) {
    std::string text;
    Recordset rs = db.OpenRecordset(CustomQuery("SELECT * FROM Online ORDER BY LogPath, Slot"));
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto f = [&](const char* column) { return rs.Field(column).value_or("NULL"); };
        text += f("LogPath").substr(folder.size() + 1) + "|" + f("Slot") + "|" + f("Server") + "/" +
                f("StrippedServer") + "|" + f("PlayerName") + "/" + f("StrippedName") + "|" + f("IP") + "|" +
                f("Since") + "|" + f("Seen") + "|" + f("Followed") + "\n";
    }
    return text;
}

class Online : public ::testing::TestWithParam<Backend> {};

} // namespace

TEST_P(Online, FollowersPublishWhoIsOnEachServer) {
    TempFolder dir;
    const std::string a = dir.file("a.log"), b = dir.file("b.log");
    Append(a, "");
    Append(b, "");
    BackendLocation where(GetParam(), dir.file("n.mdb"));
    FakeClock clock;
    auto session = std::make_unique<Session>(where.location(), dir, clock);
    const std::string red = "^1Red^7Arena/RedArena|";
    struct Step {
        const char* what;
        std::function<void()> act;
        std::string table;
    };
    const Step steps[] = {
        {"connects",
         [&] {
             Append(a, "  0:00 InitGame: \\sv_hostname\\^1Red^7Arena\\wfversion\\2.8\\x\n" +
                           Connect(1, "Alice", "1.1.1.1") + Connect(2, "O'Bob", "2.2.2.2"));
             Append(b, UrtInitGame() + Userinfo(0, "Carl", "3.3.3.3:27960"));
         },
         "a.log|-1|" + red + "/||100|100|1\na.log|1|" + red + "Alice/Alice|1.1.1.1|100|100|1\na.log|2|" +
             red +
             "O\xC3\xB6"
             "Bob/O\xC3\xB6"
             "Bob|2.2.2.2|100|100|1\nb.log|-1|Urban/Urban|/||100|100|1\nb.log|0|Urban/Urban|Carl/"
             "Carl|3.3.3.3|"
             "100|100|1\n"},
        {"a name change keeps the slot's since",
         [&] {
             Append(a, Rename(1, "^2Alicia"));
             Append(b, UserinfoChanged(0, "Carlos"));
         },
         "a.log|-1|" + red + "/||100|200|1\na.log|1|" + red + "^2Alicia/Alicia|1.1.1.1|100|200|1\na.log|2|" +
             red +
             "O\xC3\xB6"
             "Bob/O\xC3\xB6"
             "Bob|2.2.2.2|100|200|1\nb.log|-1|Urban/Urban|/||100|200|1\nb.log|0|Urban/Urban|Carlos/"
             "Carlos|3.3.3.3|"
             "100|200|1\n"},
        {"disconnects",
         [&] {
             Append(a, "  0:09 ClientDisconnect: 2\n");
             Append(b, UrtDisconnect(0) + Userinfo(4, "Dana", "4.4.4.4"));
         },
         "a.log|-1|" + red + "/||100|300|1\na.log|1|" + red +
             "^2Alicia/Alicia|1.1.1.1|100|300|1\nb.log|-1|Urban/Urban|/||100|300|1\nb.log|4|Urban/Urban|Dana/"
             "Dana|"
             "4.4.4.4|300|300|1\n"},
        {"a new game at 0:00 clears the clients",
         [&] {
             Append(a, "  0:00 InitGame: \\sv_hostname\\^1Red^7Arena\\wfversion\\2.9\\x\n" +
                           Connect(3, "Eve", "5.5.5.5"));
         },
         "a.log|-1|" + red + "/||100|400|1\na.log|3|" + red +
             "Eve/Eve|5.5.5.5|400|400|1\nb.log|-1|Urban/Urban|/||100|300|1\nb.log|4|Urban/Urban|Dana/Dana|"
             "4.4.4.4|300|300|1\n"},
        {"an untracked game empties the server, which keeps its name",
         [&] {
             Append(a, "  9:00 InitGame: \\sv_hostname\\Old\\wfversion\\2.7\\x\n" +
                           Connect(5, "Zed", "9.9.9.9"));
         },
         "a.log|-1|" + red +
             "/||100|500|1\nb.log|-1|Urban/Urban|/||100|300|1\nb.log|4|Urban/Urban|Dana/Dana|"
             "4.4.4.4|300|300|1\n"},
        {"a rotation empties the slots",
         [&] {
             std::filesystem::rename(b, b + ".1");
             Append(b, Userinfo(1, "Finn", "6.6.6.6"));
         },
         "a.log|-1|" + red +
             "/||100|500|1\nb.log|-1|Urban/Urban|/||100|600|1\nb.log|1|Urban/Urban|Finn/Finn|"
             "6.6.6.6|600|600|1\n"},
        {"a stop marks the servers not followed", [&] { session->follower.unpublishOnline(); },
         "a.log|-1|" + red +
             "/||100|500|0\nb.log|-1|Urban/Urban|/||100|600|0\nb.log|1|Urban/Urban|Finn/Finn|"
             "6.6.6.6|600|600|0\n"},
        {"a start after a kill corrects the rows from the saved state",
         [&] {
             session.reset(); // killed: nothing more is written
             where.ExecuteBeside("UPDATE Online SET PlayerName = 'Ghost' WHERE Slot = 1;"
                                 "INSERT INTO Online (LogPath, Slot, PlayerName, IP) VALUES ('" +
                                 a + "', 7, 'Ghost', '7.7.7.7')");
             session = std::make_unique<Session>(where.location(), dir, clock);
             Append(a, "  9:01 Item: 1 ut_weapon_ak103\n");
             Append(b, Userinfo(2, "Gail", "8.8.8.8"));
         },
         "a.log|-1|" + red +
             "/||100|800|1\nb.log|-1|Urban/Urban|/||100|800|1\nb.log|1|Urban/Urban|Finn/Finn|"
             "6.6.6.6|600|800|1\nb.log|2|Urban/Urban|Gail/Gail|8.8.8.8|800|800|1\n"},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(steps[i].what);
        clock.now = 100 * static_cast<std::int64_t>(i + 1);
        steps[i].act();
        if (session->follower.turn() == TurnResult::MoreWaiting) session->follower.turn();
        EXPECT_EQ(OnlineTable(session->db, dir.path()), steps[i].table);
    }
}

// A role with rights on the names table alone cannot make table Online: it records visits and publishes
// nothing.
TEST(OnlineOnPostgres, ARoleThatMayNotMakeTheTableWritesOnWithoutIt) {
    PgTestDatabase server;
    NamesDatabase owner; // makes the names table
    owner.Open(ParseDatabaseLocation(server.location(), {}));
    const std::string writer = server.Role("writer", "GRANT SELECT, INSERT, UPDATE, DELETE ON Names TO ROLE");
    NamesDatabase db;
    db.Open(ParseDatabaseLocation(writer, {}));
    const OnlineSlot players[] = {{1, "Ace", "1.1.1.1"}};
    db.RecordVisit("Ace", "1.1.1.1", "d");
    db.PublishOnline({"/srv/a.log", "Arena", 1, ServerFollowed::Yes}, players);
    db.Commit();
    EXPECT_EQ(owner.RowCount(), 1);
    EXPECT_THROW(owner.OpenRecordset(CustomQuery("SELECT * FROM Online")), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Both, Online, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         test::BackendName);
