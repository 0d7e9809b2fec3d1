#include "LineInterpreter.h"
#include "RecordingSink.h"
#include "RunFailure.h"

#include <gtest/gtest.h>

#include <vector>

using namespace corvanth;
using corvanth::test::RecordingSink;

namespace {

const std::string kTracked = "  0:00 InitGame: \\sv_hostname\\Arena\\wfversion\\2.8\\g_gametype\\4";

std::string Connect(const std::string& client, const std::string& name, const std::string& ip,
                    const std::string& date) {
    return "  0:05 ClientConnect: " + client + ", name: " + name + ", ip: " + ip + " DATE: " + date;
}

// An interpreter inside a tracked game.
struct Tracked {
    Tracked() { interpreter.InterpretLine(kTracked); }
    ProcessingState state;
    RecordingSink sink;
    LineInterpreter interpreter{state, sink};
};

} // namespace

TEST(Interpreter, InitGameVersionRules) {
    // Every case starts in a tracked game (one counted) and feeds one line; `games` is the count after it.
    const struct {
        const char* line;
        bool tracked;
        bool cleared;
        int games;
    } cases[] = {
        {"  0:00 InitGame: \\wfversion\\2.8\\x", true, true, 2},
        {"  3:12 InitGame: \\a\\b\\wfversion\\2.8\\x", true, false, 2},
        {"  3:12 InitGame: \\wfversion\\3.0a\\x", true, false, 2},
        {"  3:12 InitGame: \\wfversion\\2.85\\x", true, false, 2},
        {"  3:12 InitGame: \\wfversion\\10\\x", true, false, 2},
        {"  3:12 InitGame: \\wfversion\\2.7\\x", false, false, 1},
        {"  0:00 InitGame: \\wfversion\\2.7\\x", false, true, 1},
        {"  3:12 InitGame: \\sv_hostname\\x", false, true, 1},
        // A stock Quake 3 (ioquake3) server names no \wfversion\: its games are never tracked.
        {"  0:00 InitGame: \\sv_hostname\\noname\\g_gametype\\0\\version\\ioq3 1.36 "
         "linux-x86_64\\protocol\\68"
         "\\mapname\\q3dm17\\gamename\\baseq3",
         false, true, 1},
        {"  3:12 InitGame: \\wfversion\\2.9", false, false, 1},
        {"  3:12 InitGame: \\wfversion\\\\x", false, true, 1},
        {"  3:12 InitGame: \\wfversion\\beta\\x", false, true, 1},
        {"  3:12 InitGame: \\wfversion\\2.8ab\\x", false, true, 1},
        {"  3:12 Initgame: \\wfversion\\2.8\\x", true, false, 1}, // not an InitGame line: nothing changes
    };
    for (const auto& c : cases) {
        Tracked t;
        t.state.ClientDates[4] = "d";
        t.state.ClientNames[4] = "old";
        t.state.ClientIPs[4] = "1.1.1.1";
        t.interpreter.InterpretLine(c.line);
        EXPECT_EQ(t.interpreter.GameTracked(), c.tracked) << c.line;
        EXPECT_EQ(t.interpreter.GamesTracked(), c.games) << c.line;
        EXPECT_EQ(t.state.ClientNames[4].empty(), c.cleared) << c.line;
        EXPECT_EQ(t.state.ClientIPs[4].empty(), c.cleared) << c.line;
        EXPECT_EQ(t.state.ClientDates[4], "d") << "dates are never cleared: " << c.line;
    }
}

// Lines fed one after another into a tracked game, and every call they make, in order.
TEST(Interpreter, WhatEachLineRecords) {
    const struct {
        const char* what;
        std::vector<std::string> lines;
        const char* calls;
    } rows[] = {
        {"a connect fills the slot; an apostrophe is stored as the letter o",
         {Connect("3", "^1O'Neil", "10.0.0.7:27960", "2004-01-01 12:00:00")},
         "visit|^1O\xC3\xB6Neil|10.0.0.7|2004-01-01 12:00:00;"},
        {"an empty address keeps the slot's earlier one; client 100 is the last",
         {Connect("12", "Two", "192.168.1.20", "d1"), Connect("12", "Again", "", "d3"),
          Connect("100", "Last", "1.2.3.4", "d2")},
         "visit|Two|192.168.1.20|d1;visit|Again|192.168.1.20|d3;visit|Last|1.2.3.4|d2;"},
        {"a CR stays on the date; Windows-1252 letters arrive as UTF-8",
         {Connect("5", "Crlf", "5.5.5.5", "2005\r"), Connect("6", "J\xF6rg\x80", "6.6.6.6", "d")},
         "visit|Crlf|5.5.5.5|2005\r;visit|J\xC3\xB6rg\xE2\x82\xAC|6.6.6.6|d;"},
        {"missing markers end the line quietly",
         {"  0:05 ClientConnect: 3 no commas here", "  0:05 ClientConnect: 3, name: only one comma",
          "  0:05 ClientUserinfoChanged:",
          "  0:05 ClientUserinfoChanged: 3 n\\no backslash after name start"},
         ""},
        {"client numbers take blanks and round halves to even; a disconnect keeps only the date",
         {Connect(" 7", "Spaced", "7.7.7.7", "d7"), "  0:09 ClientDisconnect: 7\r",
          "  0:07 ClientUserinfoChanged: 7 n\\Back\\t\\0", Connect("2.5", "Half", "2.2.2.2", "d"),
          "  0:09 ClientDisconnect: \t2 \r", "  0:07 ClientUserinfoChanged: 2 n\\Gone\\t\\0"},
         "visit|Spaced|7.7.7.7|d7;visit|Back||d7;visit|Half|2.2.2.2|d;visit|Gone||d;"},
        {"a rename records only a new name, kept as written",
         {Connect("12", "Ace", "10.0.0.1:1", "d"), "  0:07 ClientUserinfoChanged: 12 n\\Ace\\t\\0\\model\\x",
          "  0:07 ClientUserinfoChanged: 12 n\\^3Bob's\\t\\0"},
         "visit|Ace|10.0.0.1|d;visit|^3Bob's|10.0.0.1|d;"},
        {"a referee login marks the first matching slot; a CR or a missing space does not qualify",
         {Connect("5", "Ref'ee", "5.5.5.5", "d"), Connect("2", "Ref'ee", "2.2.2.2", "d"),
          "  1:00 Ref'ee entered the RefPassword", "  1:00 Nobody entered the RefPassword",
          "  1:00 Ref'ee entered the RefPassword\r", "  1:00 RefPassword"},
         "visit|Ref\xC3\xB6"
         "ee|5.5.5.5|d;visit|Ref\xC3\xB6"
         "ee|2.2.2.2|d;ref|Ref\xC3\xB6"
         "ee|2.2.2.2|;"},
        {"an untracked game only looks at InitGame",
         {"  0:00 InitGame: \\wfversion\\2.5\\x", Connect("3", "Hidden", "3.3.3.3", "d"),
          Connect("999", "x", "1.1.1.1", "d"), "  1:00 Hidden entered RefPassword",
          "  5:00 InitGame: \\wfversion\\2.8\\x", Connect("3", "Seen", "3.3.3.3", "d")},
         "visit|Seen|3.3.3.3|d;"},
    };
    for (const auto& row : rows) {
        Tracked t;
        for (const auto& line : row.lines)
            t.interpreter.InterpretLine(line);
        EXPECT_EQ(t.sink.text(), row.calls) << row.what;
    }
}

TEST(Interpreter, FailuresEndTheRun) {
    const std::string bad[] = {
        Connect("101", "x", "1.1.1.1", "d"),
        Connect("abc", "x", "1.1.1.1", "d"),
        Connect("-1", "x", "1.1.1.1", "d"),
        "  0:05 ClientConnect: 3, name: x, ip: 1.1.1.1 no date marker",
        "  0:05 ClientConnect: 12,abcdef, ip: 1.2.3.4 DATE: d", // the name would end before it starts
        "  0:09 ClientDisconnect: 101",
        "  0:09 ClientDisconnect: seven",
        "  0:05 ClientUserinfoChanged: 1x n\\Name\\t\\0"};
    for (const auto& line : bad) {
        Tracked t;
        EXPECT_THROW(t.interpreter.InterpretLine(line), RunFailure) << line;
        EXPECT_TRUE(t.sink.calls.empty()) << line;
    }
}

TEST(Interpreter, ClientTablesSurviveANewInterpreter) {
    Tracked t;
    t.interpreter.InterpretLine(Connect("8", "Stays", "8.8.8.8", "d"));
    EXPECT_EQ(t.state.ClientNames[8], "Stays");
    LineInterpreter resumed(t.state, t.sink); // a resumed run
    EXPECT_FALSE(resumed.GameTracked());
    resumed.InterpretLine(Connect("8", "Ignored", "9.9.9.9", "d"));
    EXPECT_EQ(t.state.ClientNames[8], "Stays");
}
