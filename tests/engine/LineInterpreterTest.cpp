#include "LineInterpreter.h"
#include "RecordingSink.h"
#include "RunFailure.h"

#include <gtest/gtest.h>

using namespace corvanth;
using corvanth::test::RecordingSink;

namespace {

const std::string kTracked = "  0:00 InitGame: \\sv_hostname\\Arena\\wfversion\\2.8\\g_gametype\\4";

std::string Connect(const std::string& client, const std::string& name, const std::string& ip,
                    const std::string& date) {
    return "  0:05 ClientConnect: " + client + ", name: " + name + ", ip: " + ip + " DATE: " + date;
}

class Interpreter : public ::testing::Test {
protected:
    ProcessingState state;
    RecordingSink sink;
    LineInterpreter interpreter{state, sink};

    void feed(const std::string& line) { interpreter.InterpretLine(line); }
};

} // namespace

TEST_F(Interpreter, InitGameVersionRules) {
    const struct {
        const char* line;
        bool tracked;
        bool cleared;
    } cases[] = {
        {"  0:00 InitGame: \\wfversion\\2.8\\x", true, true},
        {"  3:12 InitGame: \\a\\b\\wfversion\\2.8\\x", true, false},
        {"  3:12 InitGame: \\wfversion\\3.0a\\x", true, false},
        {"  3:12 InitGame: \\wfversion\\2.85\\x", true, false},
        {"  3:12 InitGame: \\wfversion\\10\\x", true, false},
        {"  3:12 InitGame: \\wfversion\\2.7\\x", false, false},
        {"  0:00 InitGame: \\wfversion\\2.7\\x", false, true},
        {"  3:12 InitGame: \\sv_hostname\\x", false, true},
        {"  3:12 InitGame: \\wfversion\\2.9", false, false},
        {"  3:12 InitGame: \\wfversion\\\\x", false, true},
        {"  3:12 InitGame: \\wfversion\\beta\\x", false, true},
        {"  3:12 InitGame: \\wfversion\\2.8ab\\x", false, true},
        {"  3:12 Initgame: \\wfversion\\2.8\\x", true, false}, // not an InitGame line: nothing changes
    };
    for (const auto& c : cases) {
        ProcessingState s;
        RecordingSink k;
        LineInterpreter li(s, k);
        s.ClientDates[4] = "d";
        li.InterpretLine(kTracked); // every case starts in a tracked game
        s.ClientNames[4] = "old";
        s.ClientIPs[4] = "1.1.1.1";
        li.InterpretLine(c.line);
        EXPECT_EQ(li.GameTracked(), c.tracked) << c.line;
        EXPECT_EQ(s.ClientNames[4].empty(), c.cleared) << c.line;
        EXPECT_EQ(s.ClientIPs[4].empty(), c.cleared) << c.line;
        EXPECT_EQ(s.ClientDates[4], "d") << "dates are never cleared: " << c.line;
    }
}

TEST_F(Interpreter, ConnectFillsTheSlotAndRecordsAVisit) {
    feed(kTracked);
    feed(Connect("3", "^1O'Neil", "10.0.0.7:27960", "2004-01-01 12:00:00"));
    EXPECT_EQ(state.ClientNames[3], "^1O\xF6Neil");
    EXPECT_EQ(state.ClientIPs[3], "10.0.0.7");
    EXPECT_EQ(state.ClientDates[3], "2004-01-01 12:00:00");
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0],
              (RecordingSink::Call{"visit", "^1O\xC3\xB6Neil", "10.0.0.7", "2004-01-01 12:00:00"}));
}

TEST_F(Interpreter, ConnectVariants) {
    feed(kTracked);
    feed(Connect("12", "Two Digits", "192.168.1.20", "d1"));
    EXPECT_EQ(state.ClientNames[12], "Two Digits");
    feed(Connect("100", "Last", "1.2.3.4", "d2"));
    EXPECT_EQ(state.ClientIPs[100], "1.2.3.4");
    // An empty address keeps the slot's earlier one.
    feed(Connect("12", "Again", "", "d3"));
    EXPECT_EQ(state.ClientIPs[12], "192.168.1.20");
    EXPECT_EQ(sink.calls.back(), (RecordingSink::Call{"visit", "Again", "192.168.1.20", "d3"}));
    // A CRLF log keeps the CR on the date.
    feed(Connect("5", "Crlf", "5.5.5.5", "2005-05-05\r"));
    EXPECT_EQ(sink.calls.back().date, "2005-05-05\r");
    // Windows-1252 letters arrive as UTF-8.
    feed(Connect("6", "J\xF6rg\x80", "6.6.6.6", "d"));
    EXPECT_EQ(sink.calls.back().name, "J\xC3\xB6rg\xE2\x82\xAC");
}

TEST_F(Interpreter, MissingMarkersEndTheLineQuietly) {
    feed(kTracked);
    feed("  0:05 ClientConnect: 3 no commas here");
    feed("  0:05 ClientConnect: 3, name: only one comma");
    feed("  0:05 ClientUserinfoChanged:");
    feed("  0:05 ClientUserinfoChanged: 3 n\\no backslash after name start");
    EXPECT_EQ(sink.calls.size(), 0u);
}

TEST_F(Interpreter, FailuresEndTheRun) {
    const std::string bad[] = {
        Connect("101", "x", "1.1.1.1", "d"),
        Connect("abc", "x", "1.1.1.1", "d"),
        Connect("-1", "x", "1.1.1.1", "d"),
        "  0:05 ClientConnect: 3, name: x, ip: 1.1.1.1 no date marker",
        "  0:05 ClientConnect: 12,abcdef, ip: 1.2.3.4 DATE: d", // the name would end before it starts
        "  0:09 ClientDisconnect: 101",
        "  0:09 ClientDisconnect: seven",
        "  0:05 ClientUserinfoChanged: 1x n\\Name\\t\\0",
    };
    for (const auto& line : bad) {
        ProcessingState s;
        RecordingSink k;
        LineInterpreter li(s, k);
        li.InterpretLine(kTracked);
        EXPECT_THROW(li.InterpretLine(line), RunFailure) << line;
        EXPECT_TRUE(k.calls.empty()) << line;
    }
}

TEST_F(Interpreter, ClientNumbersAcceptBlanksAndRounding) {
    feed(kTracked);
    feed(Connect(" 7", "Spaced", "7.7.7.7", "d"));
    EXPECT_EQ(state.ClientNames[7], "Spaced");
    feed("  0:09 ClientDisconnect: 7\r");
    EXPECT_TRUE(state.ClientNames[7].empty());
    EXPECT_TRUE(state.ClientIPs[7].empty());
    EXPECT_EQ(state.ClientDates[7], "d");
    feed(Connect("2.5", "Half", "2.2.2.2", "d")); // halves round to even
    EXPECT_EQ(state.ClientNames[2], "Half");
    feed("  0:09 ClientDisconnect: \t4 \r");
    EXPECT_TRUE(state.ClientNames[4].empty());
}

TEST_F(Interpreter, UserinfoChangedRecordsOnlyANewName) {
    feed(kTracked);
    feed(Connect("12", "Ace", "10.0.0.1:1", "d"));
    sink.calls.clear();
    feed("  0:07 ClientUserinfoChanged: 12 n\\Ace\\t\\0\\model\\x");
    EXPECT_TRUE(sink.calls.empty());
    feed("  0:07 ClientUserinfoChanged: 12 n\\^3Bob's\\t\\0");
    EXPECT_EQ(state.ClientNames[12], "^3Bob's"); // kept as written
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0], (RecordingSink::Call{"visit", "^3Bob's", "10.0.0.1", "d"}));
}

TEST_F(Interpreter, RefereeUsesTheFirstMatchingSlot) {
    feed(kTracked);
    feed(Connect("5", "Ref'ee", "5.5.5.5", "d"));
    feed(Connect("2", "Ref'ee", "2.2.2.2", "d"));
    sink.calls.clear();
    feed("  1:00 Ref'ee entered the RefPassword");
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0], (RecordingSink::Call{"ref",
                                                  "Ref\xC3\xB6"
                                                  "ee",
                                                  "2.2.2.2", ""}));
    sink.calls.clear();
    feed("  1:00 Nobody entered the RefPassword");
    feed("  1:00 Ref'ee entered the RefPassword\r"); // a CR after it does not qualify
    feed("  1:00 RefPassword");                      // no space after the cut
    EXPECT_TRUE(sink.calls.empty());
}

TEST_F(Interpreter, UntrackedGamesOnlyLookAtInitGame) {
    feed("  0:00 InitGame: \\wfversion\\2.5\\x");
    feed(Connect("3", "Hidden", "3.3.3.3", "d"));
    feed(Connect("999", "x", "1.1.1.1", "d")); // not even looked at
    feed("  1:00 Hidden entered RefPassword");
    EXPECT_TRUE(sink.calls.empty());
    EXPECT_TRUE(state.ClientNames[3].empty());
    feed("  5:00 InitGame: \\wfversion\\2.8\\x");
    feed(Connect("3", "Seen", "3.3.3.3", "d"));
    EXPECT_EQ(sink.calls.size(), 1u);
}

TEST_F(Interpreter, ClientTablesSurviveANewInterpreter) {
    feed(kTracked);
    feed(Connect("8", "Stays", "8.8.8.8", "d"));
    LineInterpreter resumed(state, sink); // a resumed run
    EXPECT_FALSE(resumed.GameTracked());
    resumed.InterpretLine(Connect("8", "Ignored", "9.9.9.9", "d"));
    EXPECT_EQ(state.ClientNames[8], "Stays");
}
