// Logs that are broken, enormous or changed under the run's feet: the run never crashes, ends with a
// clear outcome, and every row written before the trouble stays in the database.
#include "HostileSupport.h"

#include "NamesDatabase.h"
#include "ProcessLog.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace corvanth::hostile {
namespace {

class HostileLog : public ::testing::Test {
protected:
    void SetUp() override {
        database.Open(DbPath());
        log = folder.file("games.log");
    }

    std::string DbPath() const { return folder.file("IPLogging.mdb"); }

    RunSummary Run(std::optional<StartPosition> start = StartPosition(1), const RunOptions& options = {}) {
        return ProcessLog(state, database, journal, host, log, std::move(start), options);
    }

    // Closes the program's connection and reads the table as another program would.
    std::vector<NameRow> Rows() {
        database.Close();
        return ReadNames(DbPath());
    }

    TempFolder folder;
    std::string log;
    NamesDatabase database;
    PositionJournal journal{folder.path()};
    ProcessingState state;
    TestHost host;
};

static long PeakMemoryKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(HostileLog, HundredMegabyteLineWithoutLfIsSkippedWithBoundedMemory) {
    const std::string before = InitGame() + Connect("1", "Before", "10.0.0.1", "d1");
    const std::string after = "\n" + Connect("2", "After", "10.0.0.2", "d2");
    {
        std::ofstream out(log, std::ios::binary);
        out << before;
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            out << chunk;
        out << after;
    }
    const long peakBefore = PeakMemoryKiB();
    RunOptions options;
    options.pumpInterval = std::chrono::milliseconds(0);
    const RunSummary summary = Run(StartPosition(1), options);

    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    EXPECT_EQ(summary.overlongLines, 1);
    // The line being assembled never grows past the limit: the 100 MB never sit in memory at once.
    EXPECT_LT(PeakMemoryKiB() - peakBefore, 64 * 1024);
    EXPECT_GT(host.pumps, 0);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u) << "the lines before and after the long one are both read";
    EXPECT_EQ(rows[0][0], "After");
    EXPECT_EQ(rows[1][0], "Before");
    const std::int64_t size = static_cast<std::int64_t>(std::filesystem::file_size(log));
    EXPECT_EQ(summary.journaledPosition, size);
}

TEST_F(HostileLog, LogOfOnlyNulBytesFinishesAndJournalsItsStart) {
    WriteFile(log, std::string(3 << 20, '\0'));
    const RunSummary summary = Run();
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    EXPECT_EQ(summary.linesRead, 0);
    EXPECT_EQ(summary.journaledPosition, 1);
    EXPECT_EQ(journal.LastPosition(log)->position, 1);
    EXPECT_TRUE(Rows().empty());
}

TEST_F(HostileLog, NulLinesBetweenRealLinesAreHarmless) {
    WriteFile(log, InitGame() + std::string(5000, '\0') + "\n" + std::string(7, '\0') + "ClientConnect\n" +
                       Connect("4", "Nul", "10.0.0.4", "d4"));
    const RunSummary summary = Run();
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "Nul");
}

TEST_F(HostileLog, TruncatedMultiByteSequencesAreStoredAsWellFormedText) {
    // A UTF-8 lead byte cut off inside a name, and a log that ends in the middle of one.
    const std::string name = "Bob\xC3";
    const std::string date = "2003\xE2\x82";
    WriteFile(log,
              InitGame() + Connect("3", name, "10.0.0.3", date) + "  0:05 ClientConnect: 4, Name: \xE2\x82");
    const RunSummary summary = Run();
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u) << "the unfinished last line is not read";
    // Each log byte is one Windows-1252 character.
    EXPECT_EQ(rows[0][0], Windows1252ToUtf8(name));
    EXPECT_EQ(rows[0][0], "Bob\xC3\x83");
    EXPECT_EQ(rows[0][3], Windows1252ToUtf8(date));
}

TEST_F(HostileLog, QuotesAndSemicolonsInAddressAndDateAreStoredAsText) {
    const std::string ip = "1.2.3.4';DROP TABLE Names;--";
    const std::string date = "'); DELETE FROM Names; SELECT ('\"";
    WriteFile(log, InitGame() + Connect("1", "Safe", "9.9.9.9", "d0") + Connect("5", "Mal'lory", ip, date) +
                       RefereeLogin("Mal'lory"));
    const RunSummary summary = Run();
    ASSERT_EQ(summary.outcome, RunOutcome::Finished) << (summary.failure ? summary.failure->reason : "");
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u) << "nothing was deleted and the table is still there";
    EXPECT_EQ(rows[0][0], "Mal\xC3\xB6lory");
    // The address text ends where the port would start: at the first colon.
    EXPECT_EQ(rows[0][2], ip);
    EXPECT_EQ(rows[0][3], date);
    EXPECT_EQ(rows[0][4], "1") << "the referee mark found the row by the hostile address";
    EXPECT_EQ(rows[1][0], "Safe");
}

// Writes a log of `games` short tracked games, each with its own player, far larger than one read block.
std::string ManyGames(int games) {
    std::string text;
    for (int g = 0; g < games; ++g) {
        text += InitGame();
        text += Connect("1", "P" + std::to_string(g), "10.1." + std::to_string(g % 250) + ".1",
                        "day" + std::to_string(g));
        text += std::string(200, '#') + "\n";
    }
    return text;
}

TEST_F(HostileLog, LogThatShrinksDuringTheRunEndsTheRunAndKeepsWhatWasRead) {
    const std::string text = ManyGames(12000); // about 4 MB
    ASSERT_GT(text.size(), 3 * LogReader::kBlockSize);
    WriteFile(log, text);
    bool truncated = false;
    host.onPump = [&] {
        if (!truncated) {
            truncated = ::truncate(log.c_str(), 100) == 0;
        }
    };
    RunOptions options;
    options.pumpInterval = std::chrono::milliseconds(0);
    const RunSummary summary = Run(StartPosition(1), options);
    ASSERT_TRUE(truncated);
    // Reading past the new end finds no more bytes: the run ends as at the end of any log.
    EXPECT_EQ(summary.outcome, RunOutcome::Finished);
    EXPECT_FALSE(state.Processing);
    // Whatever was read before the file shrank is recorded; nothing beyond the block in hand.
    const auto rows = Rows();
    EXPECT_GT(rows.size(), 0u);
    EXPECT_EQ(static_cast<std::int64_t>(rows.size()), summary.visitsRecorded);
    EXPECT_LT(summary.bytesRead, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(IntegrityCheck(DbPath()), "ok");
}

} // namespace
} // namespace corvanth::hostile
