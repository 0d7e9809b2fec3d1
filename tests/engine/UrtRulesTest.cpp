// The Urban Terror rules, fed line by line: which lines find them, the slot rules, and how visits are
// dated by a run and by a follower.
#include "FakeRunHost.h"
#include "LineInterpreter.h"
#include "LogLines.h"
#include "ProcessLog.h"
#include "RecordingSink.h"
#include "TempFolder.h"
#include "UrtLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <iomanip>
#include <sstream>
#include <sys/stat.h>

using namespace corvanth;
using namespace corvanth::test;

TEST(UrtRules, WhatEachLineRecords) {
    const std::string g = "95FFFF160A399BD5CA8D7E8C955EC626";
    const struct {
        const char* what;
        std::string log;
        std::string calls;
    } rows[] = {
        {"a userinfo records the pair without the port and the GUID; a repeat records nothing",
         UrtInitGame() + "  0:24 ClientConnect: 0\n" + Userinfo(0, "^1Jo'sh", "1.2.3.4:27960") +
             UserinfoChanged(0, "^1Jo'sh") + Userinfo(0, "^1Jo'sh", "1.2.3.4:27960"),
         "visit|^1Jo'sh|1.2.3.4|D;guid|^1Jo'sh|1.2.3.4|D|" + g + ";"},
        {"a rename records the new name with the slot's address and GUID; a disconnect empties the slot",
         UrtInitGame("q3urt43") + Userinfo(3, "Ann", "5.5.5.5:1") + UserinfoChanged(3, "Anna") +
             UrtDisconnect(3) + UserinfoChanged(3, "Gone"),
         "visit|Ann|5.5.5.5|D;guid|Ann|5.5.5.5|D|" + g + ";visit|Anna|5.5.5.5|D;guid|Anna|5.5.5.5|D|" + g +
             ";"},
        {"a log starting mid-game; a port-less address; no GUID; CRLF line ends",
         "  3:00 ClientUserinfo: 7 \\name\\Crlf\\ip\\7.7.7.7\r\n  3:01 ClientUserinfoChanged: 7 "
         "n\\Lf\\t\\1\r\n"
         "  3:02 ClientDisconnect: 7\r\n  3:03 ClientUserinfoChanged: 7 n\\After\\t\\1\r\n",
         "visit|Crlf|7.7.7.7|D;visit|Lf|7.7.7.7|D;"},
        {"bots, local clients and clients without an address are not recorded, nor renamed",
         UrtInitGame("q3urt42") + Userinfo(1, "Bot", "bot") + UserinfoChanged(1, "Bot2") +
             Userinfo(2, "Me", "localhost") + Userinfo(4, "Me", "localhost:27960") +
             "  0:24 ClientUserinfo: 5 \\name\\NoIp\\cl_guid\\X\n" + Userinfo(6, "V6", "[::1]:27960"),
         "visit|V6|::1|D;guid|V6|::1|D|" + g + ";"},
        {"keys in any letter case, the last of a key given twice, values past 64 bytes, no leading or "
         "closing backslash, a last key without a value",
         UrtInitGame() + "  0:30 ClientUserinfo: 8 \\IP\\9.9.9.9:1\\Name\\First\\pad\\" +
             std::string(70, 'x') + "\\NAME\\Second\\CL_GUID\\abc\\ip\\8.8.8.8:2\\cl_guid\\Last\n" +
             "  0:31 ClientUserinfo: 9 name\\NoLead\\ip\\6.6.6.6\n" +
             "  0:32 ClientUserinfo: 10 \\name\\X\\ip\n",
         "visit|Second|8.8.8.8|D;guid|Second|8.8.8.8|D|Last;visit|NoLead|6.6.6.6|D;"},
        {"a game of another kind, and one the present rules track, leave userinfo lines alone",
         UrtInitGame("baseq3") + Userinfo(1, "Other", "1.1.1.1") + InitGame() + Userinfo(1, "Wf", "1.1.1.1") +
             "  0:00 InitGame: \\gamename\\q3ut4\\wfversion\\2.8\\x\n" + Userinfo(1, "Both", "1.1.1.1"),
         ""},
        {"the present rules' lines are theirs in any game",
         UrtInitGame() + Connect(2, "Old", "2.2.2.2", "d") + "  0:24 ClientUserinfo: x \\ip\\1.1.1.1\n" +
             UrtDisconnect(100) + UrtDisconnect(101),
         ""},
    };
    for (const auto& row : rows) {
        ProcessingState state;
        RecordingSink sink;
        FixedVisitDate date("D");
        LineInterpreter interpreter(state, sink, &date);
        std::istringstream lines(row.log); // the lines without their LF, as the scanner hands them over
        for (std::string line; std::getline(lines, line);) {
            if (!interpreter.MightMatter(line)) continue; // what the scan does
            interpreter.InterpretLine(line);
        }
        EXPECT_EQ(sink.text(), row.calls) << row.what;
        EXPECT_EQ(interpreter.VisitsRecorded(),
                  static_cast<std::int64_t>(std::count_if(sink.calls.begin(), sink.calls.end(),
                                                          [](const auto& c) { return c.kind == "visit"; })))
            << row.what;
    }
}

// A run dates every visit by the log's modification time, in the text other logs write.
TEST(UrtRules, ARunDatesVisitsByTheLogsModificationTime) {
    TempFolder dir;
    const std::string log =
        dir.write("urt.log", UrtInitGame() + Userinfo(0, "Ann", "1.1.1.1") + UserinfoChanged(0, "Anna"));
    const std::time_t modified = 1700000000;
    const struct timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, log.c_str(), times, 0), 0);
    std::tm local{};
    localtime_r(&modified, &local);
    std::ostringstream expected;
    expected << std::put_time(&local, "%m/%d/%Y %H:%M:%S");

    RecordingSink sink;
    const auto summary = RunFromStart(sink, dir.path(), log);
    EXPECT_EQ(summary.visitsRecorded, 2);
    EXPECT_EQ(summary.gamesTracked, 1);
    ASSERT_EQ(sink.calls.size(), 4u);
    for (const auto& call : sink.calls)
        EXPECT_EQ(call.date, expected.str());
}
