// The follower over a real names database, driven turn by turn: every append, rotation and restart
// happens between two turns, so nothing depends on timing.
#include "LogFollower.h"
#include "DatabaseError.h"
#include "FakeRunHost.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "NamesTable.h"
#include "ProcessLog.h"
#include "TempFolder.h"
#include "UrtLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

using namespace corvanth;
using namespace corvanth::test;

namespace {

const std::string kInit = InitGame();

class Events : public FollowObserver {
public:
    std::vector<FollowEventKind> kinds;
    std::string texts; // "path: text" lines
    void onEvent(const FollowEvent& e) override {
        kinds.push_back(e.kind);
        texts += e.logPath + ": " + e.text + "\n";
    }
};

// The names database, failing at a given visit as a kill in the middle of a batch would; or refusing the
// visits of one name as a server writing in batches does: found once a visit of another log came.
class DyingDatabase : public NamesDatabase {
public:
    int visitsLeft = -1;
    std::string refuse;
    LogLine from, refused;
    void FromLine(std::string_view log, std::int64_t position) override {
        from = {std::string(log), position};
    }
    void RecordVisit(std::string_view n, std::string_view ip, std::string_view d) override {
        if (visitsLeft == 0) throw std::runtime_error("killed");
        if (visitsLeft > 0) --visitsLeft;
        if (n == refuse && refused.position == 0) refused = from;
        if (n != refuse) NamesDatabase::RecordVisit(n, ip, d);
    }
    void Checkpoint() override {
        if (refused.position > 0 && from.log != refused.log) {
            DatabaseError e("cannot write the visit of \"" + refuse + "\"");
            e.setFailedLine(std::exchange(refused, {}));
            throw e;
        }
        NamesDatabase::Checkpoint();
    }
};

// One follower session over the data folder: a new one is what a restart makes.
struct Session {
    explicit Session(const TempFolder& dir, std::int64_t budget = 1 << 20, RunOptions options = EveryLine())
        : journal(dir.path()), snapshots(dir.path()),
          follower(db, journal, snapshots, host, events, options, budget) {
        db.Open(dir.file("n.mdb"));
        db.SetCommitInterval(std::chrono::milliseconds(0));
    }
    DyingDatabase db;
    PositionJournal journal;
    FollowSnapshotStore snapshots;
    FakeRunHost host;
    Events events;
    LogFollower follower;
};

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

using Lines = std::vector<std::string>;

// The names and GUID tables of plain runs, one over each file in turn (the files of a rotated log).
std::string PlainRuns(const std::vector<Lines>& files, const RunOptions& options) {
    TempFolder reference;
    NamesDatabase plain;
    plain.Open(reference.file("n.mdb"));
    for (const Lines& file : files) {
        std::string whole;
        for (const auto& l : file)
            whole += l;
        ProcessingState state;
        FakeRunHost host;
        ProcessLog(state, plain, PositionJournal(reference.path()), host, reference.write("a.log", whole),
                   StartPosition(1), options);
    }
    return NamesTable(plain) + GuidsTable(plain);
}

// The same files followed a line a turn (the log renamed and made anew between two files) by a follower
// killed after `killAfterVisits` visits (-1: never; -2: stopped after six lines), then by one started
// again that reads the rest: its tables.
std::string FollowedWithARestart(const std::vector<Lines>& files, const RunOptions& options,
                                 int killAfterVisits) {
    TempFolder dir;
    const std::string log = dir.write("a.log", "");
    Lines lines;
    std::vector<std::size_t> rotations;
    for (const Lines& file : files) {
        if (!lines.empty()) rotations.push_back(lines.size());
        lines.insert(lines.end(), file.begin(), file.end());
    }
    const auto append = [&](std::size_t i) {
        if (std::find(rotations.begin(), rotations.end(), i) != rotations.end()) {
            std::filesystem::rename(log, log + ".1");
            dir.write("a.log", "");
        }
        Append(log, lines[i]);
    };
    std::size_t written = 0;
    {
        Session first(dir, 1 << 20, options);
        first.follower.add(log);
        if (killAfterVisits == -2)
            first.host.onPump = [&](int) {
                if (written == 6) first.follower.requestStop();
            };
        first.db.visitsLeft = killAfterVisits;
        for (; written < lines.size(); ++written) {
            append(written);
            const TurnResult r = first.follower.turn();
            if (r == TurnResult::Stopped || r == TurnResult::AllFailed) break;
        }
        EXPECT_TRUE(killAfterVisits == -1 || written < lines.size()); // it was killed or stopped
    }
    Session second(dir, 1 << 20, options);
    second.follower.add(log); // after a stop, where the first one left off: its end
    while (++written < lines.size())
        append(written);
    EXPECT_EQ(second.follower.turn(), TurnResult::Idle);
    return NamesTable(second.db) + GuidsTable(second.db);
}

} // namespace

TEST(LogFollower, PartialLinesWaitForTheirLf) {
    TempFolder dir;
    const std::string log = dir.write("a.log", kInit);
    Session s(dir);
    s.follower.add(dir.file("later.log")); // not there yet: waited for, not failed
    EXPECT_EQ(s.follower.turn(), TurnResult::Idle);
    s.follower.add(log);
    // A line split across writes, and a CRLF split between CR and LF.
    const std::string pieces[] = {"  0:05 ClientConnect: 1, name: Sp", "lit, ip: 1.1.1.1 DATE: d1\r", "\n",
                                  "  0:05 ClientConnect: 2, name: Two, ip: 2.2.2.2 DATE: d2\r", "\n"};
    const std::string expected[] = {"", "", "Split|1.1.1.1|d1\r|False\n", "Split|1.1.1.1|d1\r|False\n",
                                    "Split|1.1.1.1|d1\r|False\nTwo|2.2.2.2|d2\r|False\n"};
    std::int64_t size = static_cast<std::int64_t>(kInit.size());
    for (std::size_t i = 0; i < std::size(pieces); ++i) {
        Append(log, pieces[i]);
        size += static_cast<std::int64_t>(pieces[i].size());
        EXPECT_EQ(s.follower.turn(), TurnResult::Idle);
        EXPECT_EQ(NamesTable(s.db), expected[i]) << "after piece " << i;
        EXPECT_EQ(s.follower.status()[1].position, size);
        if (i == 1) s.follower.reopen(); // read again from the line in hand, with the same clients
    }
    EXPECT_EQ(s.journal.LastPosition(log)->position,
              static_cast<std::int64_t>(size)); // journaled after the batch
}

// Both kinds of rotation, truncation, and a log deleted then recreated: the new file is read from
// byte 1 with fresh client tables, after the old one was read to its end.
TEST(LogFollower, RotationTruncationAndRecreation) {
    enum class Change { RenameAndCreate, CopyAndTruncate, DeleteThenCreate };
    const std::pair<Change, FollowEventKind> rows[] = {{Change::RenameAndCreate, FollowEventKind::Rotated},
                                                       {Change::CopyAndTruncate, FollowEventKind::Truncated},
                                                       {Change::DeleteThenCreate, FollowEventKind::Rotated}};
    for (const auto& [change, kind] : rows) {
        SCOPED_TRACE(static_cast<int>(change));
        TempFolder dir;
        const std::string log = dir.write("a.log", kInit + Connect(1, "Old", "1.1.1.1"));
        Session s(dir);
        s.follower.add(log);
        s.follower.turn();
        // No clearing InitGame: with the old tables, Ghost would be recorded with Old's address.
        const std::string fresh =
            "  3:00 InitGame: \\wfversion\\2.8\\x\n" + Rename(1, "Ghost") + Connect(2, "New", "2.2.2.2");
        if (change == Change::RenameAndCreate) {
            std::filesystem::rename(log, log + ".1");
            Append(log + ".1", Rename(1, "OldLate")); // the server wrote on before it reopened
            dir.write("a.log", fresh);
            s.follower.reopen(); // logrotate's HUP: a renamed log is left to the turn that finds it moved
        } else if (change == Change::CopyAndTruncate) {
            dir.write("a.log", "");
            s.follower.turn();
            dir.write("a.log", fresh);
        } else {
            std::filesystem::remove(log);
            s.follower.turn();
            s.follower.turn();
            EXPECT_EQ(std::count(s.events.kinds.begin(), s.events.kinds.end(), FollowEventKind::Missing), 1);
            dir.write("a.log", fresh);
        }
        s.follower.turn();
        EXPECT_EQ(s.events.kinds.back(), kind);
        const std::string late = change == Change::RenameAndCreate ? "OldLate|1.1.1.1|d|False\n" : "";
        EXPECT_EQ(NamesTable(s.db), "Ghost|||False\nNew|2.2.2.2|d|False\nOld|1.1.1.1|d|False\n" + late);
        EXPECT_EQ(s.journal.LastPosition(log)->position, static_cast<std::int64_t>(fresh.size()));
    }
}

TEST(LogFollower, TwoLogsKeepTheirOwnClientsAndABusyOneDoesNotStarveAQuietOne) {
    TempFolder dir;
    std::string busy = kInit;
    while (busy.size() < LogReader::kBlockSize + 1000)
        busy += "  0:01 say: filler\n";
    const std::string a = dir.write("a.log", busy + Connect(1, "Ay", "1.1.1.1"));
    const std::string b = dir.write("b.log", kInit + Connect(1, "Bee", "2.2.2.2"));
    Session s(dir, 1); // one block a turn
    s.follower.add(a);
    s.follower.add(b);
    EXPECT_EQ(s.follower.turn(), TurnResult::MoreWaiting);
    EXPECT_EQ(NamesTable(s.db), "Bee|2.2.2.2|d|False\n");
    while (s.follower.turn() == TurnResult::MoreWaiting) {
    }
    Append(a, Rename(1, "Ay2"));
    Append(b, Rename(1, "Bee2"));
    s.follower.turn();
    EXPECT_EQ(NamesTable(s.db),
              "Ay|1.1.1.1|d|False\nAy2|1.1.1.1|d|False\nBee|2.2.2.2|d|False\nBee2|2.2.2.2|d|False\n");
}

// A visit refused after its line, found while another log is read: the log of that line stops at it,
// unsaved; the other reads on from its last save and loses nothing.
TEST(LogFollower, AVisitRefusedLaterStopsTheLogOfItsLineOnly) {
    TempFolder dir;
    const std::string refusedLine = Connect(2, "Refused", "2.2.2.2");
    const std::string b = dir.write("b.log", kInit + refusedLine + Connect(1, "Bob", "2.2.2.3"));
    const std::string a =
        dir.write("a.log", kInit + Connect(1, "Ace", "1.1.1.1") + Connect(2, "Cid", "1.1.1.2"));
    Session s(dir);
    s.db.refuse = "Refused";
    s.follower.add(b);
    s.follower.add(a);
    EXPECT_EQ(s.follower.turn(), TurnResult::MoreWaiting);
    EXPECT_EQ(s.follower.turn(), TurnResult::Idle);
    EXPECT_NE(s.events.texts.find(b + ": following stopped: at byte " + std::to_string(kInit.size() + 1) +
                                  ": cannot write the visit of \"Refused\" (line: " +
                                  refusedLine.substr(0, refusedLine.size() - 1) + ")"),
              std::string::npos)
        << s.events.texts;
    EXPECT_TRUE(s.follower.status()[0].failed);
    EXPECT_EQ(NamesTable(s.db), "Ace|1.1.1.1|d|False\nBob|2.2.2.3|d|False\nCid|1.1.1.2|d|False\n");
    EXPECT_EQ(s.journal.LastPosition(b)->position, 1);
    EXPECT_EQ(s.journal.LastPosition(a)->position, static_cast<std::int64_t>(std::filesystem::file_size(a)));
}

// A follower killed at any point (here: in the middle of a batch, after some of its rows were
// committed) and started again ends with the tables of plain runs, also for the clients of the game
// that was running; so does one stopped at a line end. The Urban Terror log is rotated between its two
// files and its visits dated alike.
TEST(LogFollower, RestartAfterAKillOrAStopEqualsPlainRuns) {
    FixedVisitDate date("12/31/2025 23:59:59");
    RunOptions urt = EveryLine();
    urt.visitDates = &date;
    const struct {
        std::vector<Lines> files;
        RunOptions options;
        std::vector<int> kills;
        const char* seen; // a row the plain runs give
    } cases[] = {
        {{{kInit, Connect(1, "Ann", "1.1.1.1", "d1"), Connect(2, "Bob", "2.2.2.2", "d2"), Rename(1, "Anna"),
           "  0:07 Anna entered RefPassword\n", Connect(3, "Cy", "3.3.3.3", "d3"), Rename(2, "Bobby"),
           "  5:00 InitGame: \\wfversion\\2.8\\x\n", Rename(3, "Cyd"), "  5:01 ClientDisconnect: 1\n",
           Connect(1, "Dee", "4.4.4.4", "d4"), "  5:02 Cyd entered RefPassword\n", Rename(2, "Bobster")}},
         EveryLine(),
         {-2, 1, 2, 3, 4, 5, 6, 7},
         "Bobster|2.2.2.2|d2|False"},
        {{{UrtInitGame(), Userinfo(1, "Ann", "1.1.1.1"), Userinfo(2, "Bob", "2.2.2.2", "B0B"),
           UserinfoChanged(1, "Anna"), UrtDisconnect(2), UserinfoChanged(2, "NotBob"),
           Userinfo(3, "Cy", "3.3.3.3"), UserinfoChanged(3, "Cyd")},
          {UserinfoChanged(1, "Stale"), Userinfo(1, "Dee", "4.4.4.4"), UserinfoChanged(1, "Deb")}},
         urt,
         {-1, 1, 3, 4, 5},
         "Cyd|3.3.3.3|12/31/2025 23:59:59"}};
    for (const auto& c : cases) {
        const std::string expected = PlainRuns(c.files, c.options);
        ASSERT_NE(expected.find(c.seen), std::string::npos);
        ASSERT_EQ(expected.find("Stale"), std::string::npos);
        for (int killAfterVisits : c.kills) {
            SCOPED_TRACE(killAfterVisits);
            EXPECT_EQ(FollowedWithARestart(c.files, c.options, killAfterVisits), expected);
        }
    }
}

// A snapshot reads back what was saved, the Urban Terror rules' table and the server's name included; one
// cut short anywhere, or with bytes after its end, is none; files of the versions before those read
// without them.
TEST(FollowSnapshot, ReadsBackWhatWasSaved) {
    TempFolder dir;
    FollowSnapshot saved;
    saved.logPath = dir.file("a.log");
    saved.position = 1999;
    saved.gameTracked = true;
    saved.clientNames[9] = "Nine";
    saved.clientIPs[99] = std::string(19, '9');
    saved.clientDates[0] = "d\n9";
    saved.urt.game = UrtGame::UrbanTerror;
    saved.urt.guids[64] = "G";
    saved.hostname = "^1Red\nArena";
    const FollowSnapshotStore store(dir.path());
    store.save(saved);
    const auto loaded = store.load(saved.logPath);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->position, 1999);
    EXPECT_TRUE(loaded->gameTracked);
    EXPECT_EQ(loaded->clientNames, saved.clientNames);
    EXPECT_EQ(loaded->clientIPs, saved.clientIPs);
    EXPECT_EQ(loaded->clientDates, saved.clientDates);
    EXPECT_EQ(loaded->urt, saved.urt);
    EXPECT_EQ(loaded->hostname, saved.hostname);
    EXPECT_FALSE(store.load(dir.file("b.log")));
    const std::string name = store.pathFor(saved.logPath).substr(dir.path().size() + 1);
    const std::string whole = dir.read(name);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        dir.write(name, whole.substr(0, size));
        ASSERT_FALSE(store.load(saved.logPath)) << size;
    }
    dir.write(name, whole + "\n");
    EXPECT_FALSE(store.load(saved.logPath));
    std::string unknownGame = whole; // the Urban Terror game's number, the last "1:1" before the slots
    unknownGame[unknownGame.rfind("1:1\n") + 2] = '7';
    dir.write(name, unknownGame);
    EXPECT_FALSE(store.load(saved.logPath));
    saved.urt = {};
    saved.hostname.clear();
    store.save(saved);
    std::string v2 = dir.read(name);
    v2.resize(v2.size() - std::string("0:\n").size());
    v2[std::string("corvanth follow state ").size()] = '2';
    dir.write(name, v2);
    ASSERT_TRUE(store.load(saved.logPath));
    std::string v1 = v2;
    v1.resize(v1.size() - std::string("1:0\n").size() - 3 * kClientSlots * std::string("0:\n").size());
    v1[std::string("corvanth follow state ").size()] = '1';
    dir.write(name, v1);
    const auto old = store.load(saved.logPath);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->urt, UrtSlots{});
    EXPECT_EQ(old->clientNames, saved.clientNames);
}
