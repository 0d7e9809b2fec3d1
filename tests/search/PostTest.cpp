#include "Post.h"
#include "NameText.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvanth {
namespace {

using testing::Column;
using testing::FakePostHost;
using testing::TempDatabase;
using namespace std::chrono_literals;

class PostFixture {
protected:
    explicit PostFixture(test::Backend backend) : data(backend) {}

    PostOutcome nameSearch(const std::string& pattern) {
        return Post(data.db(), list, host, NameSearchQuery(EncodeName(pattern)), ClearFirst::Yes,
                    AliasCheck::AllowAliases);
    }
    PostOutcome ipSearch(const std::string& pattern) {
        return Post(data.db(), list, host, IpSearchQuery(pattern), ClearFirst::Yes,
                    AliasCheck::ForbidAliases);
    }
    PostOutcome customQuery(const std::string& sql) {
        return Post(data.db(), list, host, CustomQuery(sql), ClearFirst::Yes, AliasCheck::ForbidAliases);
    }
    std::vector<std::string> names() const {
        auto n = Column(list, 0);
        std::sort(n.begin(), n.end());
        return n;
    }

    TempDatabase data;
    ResultList list;
    FakePostHost host;
};

class PostTest : public ::testing::TestWithParam<test::Backend>, public PostFixture {
protected:
    PostTest() : PostFixture(GetParam()) {}
};
INSTANTIATE_TEST_SUITE_P(Backends, PostTest,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         test::BackendName);

// The user's SQL is each database's own: this statement is SQLite's.
class PostSqliteTest : public ::testing::Test, public PostFixture {
protected:
    PostSqliteTest() : PostFixture(test::Backend::Sqlite) {}
};

TEST_P(PostTest, NothingFoundShowsZeroAndThePlaceholder) {
    data.visit("Someone", "1.2.3.4");
    const PostOutcome outcome = nameSearch("Nobody");
    EXPECT_EQ(outcome.matches, 0u);
    EXPECT_FALSE(outcome.failure);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Text(), "No matches to your query");
    EXPECT_FALSE(list.Row(0).ItemKey);
    for (std::size_t c = 1; c < 5; ++c)
        EXPECT_EQ(list.Row(0).Cells[c], "");
    ASSERT_FALSE(host.matchesShown.empty());
    EXPECT_EQ(host.matchesShown.back(), 0u);
    EXPECT_TRUE(list.Sorted());
}

TEST_P(PostTest, RowCellsAndKeyComeFromTheStoredRow) {
    data.visit("^1Ace^7Pilot", "10.0.0.7", "05/06/2007 08:09:10\r");
    data.db().MarkReferee("^1Ace^7Pilot", "10.0.0.7");
    data.db().Commit();
    nameSearch("acepilot");
    ASSERT_EQ(list.Count(), 1u);
    const ResultRow& row = list.Row(0);
    EXPECT_EQ(row.Cells, (std::array<std::string, 5>{"^1Ace^7Pilot", "AcePilot", "10.0.0.7",
                                                     "05/06/2007 08:09:10\r", "True"}));
    EXPECT_TRUE(row.ItemKey);
    EXPECT_EQ(host.matchesShown.back(), 1u);
}

TEST_P(PostTest, RowsOfDifferentPairsAreAllListed) {
    // Name and address glued together would be "Bob112.3.4.5" for both.
    data.visit("Bob1", "12.3.4.5");
    data.visit("Bob11", "2.3.4.5");
    const PostOutcome outcome = nameSearch("Bob*");
    EXPECT_EQ(outcome.matches, 2u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Bob1", "Bob11"}));
}

TEST_P(PostTest, NameSearchWithAliasesListsEveryNameOfTheAddress) {
    data.visit("Ace", "1.2.3.4");
    data.visit("Bolt", "1.2.3.4");
    data.visit("Crow", "1.2.3.4");
    data.visit("Dart", "1.2.3.9"); // same first three octets, not the same address
    data.visit("Ace2", "9.9.9.9");
    host.ticked = true;
    const PostOutcome outcome = nameSearch("Ace");
    EXPECT_EQ(outcome.matches, 3u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace", "Bolt", "Crow"}));
    EXPECT_EQ(host.matchesShown.back(), 3u);
}

TEST_P(PostTest, AliasesAreOffWhenTheBoxIsDisabledOrTheCallForbidsThem) {
    data.visit("Ace", "1.2.3.4");
    data.visit("Bolt", "1.2.3.4");
    host.ticked = true;
    host.enabled = false;
    nameSearch("Ace");
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace"}));

    host.enabled = true;
    ipSearch("1.2.3.4"); // an IP search never widens, whatever the boxes say
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace", "Bolt"}));
    Post(data.db(), list, host, NameSearchQuery("Ace"), ClearFirst::Yes, AliasCheck::ForbidAliases);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace"}));
}

TEST(BroadIP, KeepsTheFirstThreeOctets) {
    const std::pair<const char*, const char*> cases[] = {{"10.0.0.7", "10.0.0.*"}, {"", ""},
                                                         {"10.0", "10.0"},         {"10.0.0", "10.0.0"},
                                                         {"10.0.0.", "10.0.0.*"},  {"1.2.3.4.5", "1.2.3.*"},
                                                         {"...", "...*"},          {"bot", "bot"}};
    for (const auto& [ip, pattern] : cases)
        EXPECT_EQ(BroadIP(ip), pattern) << ip;
}

TEST_P(PostTest, BroadAliasesReachTheWholeFirstThreeOctets) {
    data.visit("Ace", "1.2.3.4");
    data.visit("Bolt", "1.2.3.4");
    data.visit("Crow", "1.2.3.200");
    data.visit("Dart", "1.2.30.4"); // a different third octet
    data.visit("Echo", "1.2.4.4");
    host.ticked = true;
    host.broad = true;
    const PostOutcome outcome = nameSearch("Ace");
    EXPECT_EQ(outcome.matches, 3u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace", "Bolt", "Crow"}));
}

TEST_P(PostTest, TwoOuterRowsWithOneAddressListEveryRowOnce) {
    data.visit("Ace", "1.2.3.4");
    data.visit("Acer", "1.2.3.4");
    data.visit("Zed", "1.2.3.4");
    host.ticked = true;
    const PostOutcome outcome = nameSearch("Ace*");
    EXPECT_EQ(outcome.matches, 3u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace", "Acer", "Zed"}));
    // The address is looked up once, and its query reports its count; the outer call reports last.
    EXPECT_EQ(host.matchesShown, (std::vector<std::size_t>{3, 3}));
}

TEST_P(PostTest, ARowWithoutAReadableAddressStartsNoAliasQuery) {
    data.execute("INSERT INTO Names (PlayerName, StrippedName) VALUES ('Ghost', 'Ghost')");
    data.visit("Bolt", "");
    host.ticked = true;
    const PostOutcome outcome = nameSearch("Ghost");
    EXPECT_EQ(outcome.matches, 0u);
    EXPECT_EQ(list.Row(0).Text(), "No matches to your query");
}

TEST_P(PostTest, ApostrophesAreShownButStoredAndKeyedWithTheLetterO) {
    data.visit("O'Neil", "5.6.7.8");
    data.visit("Oöbert", "5.6.7.8"); // a name with the letter itself is shown with an apostrophe
    nameSearch("O'Neil");
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Text(), "O'Neil");
    EXPECT_EQ(list.Row(0).Cells[1], "O'Neil");

    ipSearch("5.6.7.8");
    EXPECT_EQ(names(), (std::vector<std::string>{"O'Neil", "O'bert"}));
}

// Rows are listed only when the name and the address column can be read and the name is not null; the
// nameless row is left out, the row with a NULL address is listed.
TEST_P(PostTest, ListsOnlyRowsWithNameAndAddress) {
    data.visit("Ace", "1.2.3.4");
    data.execute("INSERT INTO Names (PlayerName, StrippedName, IP) VALUES (NULL, 'Nameless', '1.2.3.4')");
    data.execute("INSERT INTO Names (PlayerName, StrippedName, IP) VALUES ('NoAddress', 'NoAddress', NULL)");
    const std::pair<const char*, std::size_t> cases[] = {
        {"SELECT IP, StrippedName, LastVisit, Ref FROM Names", 0},
        {"SELECT PlayerName, StrippedName FROM Names", 0},
        {"SELECT IP AS PlayerName, PlayerName AS IP FROM Names", 2},
        {"SELECT * FROM Names", 2}};
    for (const auto& [sql, rows] : cases) {
        const PostOutcome outcome = customQuery(sql);
        EXPECT_EQ(outcome.matches, rows) << sql;
        EXPECT_FALSE(outcome.failure);
        EXPECT_EQ(list.Count(), std::max<std::size_t>(rows, 1)) << sql; // the placeholder when none
    }
    EXPECT_EQ(list.Row(1).Text(), "NoAddress");
    EXPECT_EQ(list.Row(1).Cells[2], "");
}

TEST_P(PostTest, ABadCustomQueryEndsAtOnceAsAnEmptyResult) {
    data.visit("Ace", "1.2.3.4");
    customQuery("SELECT * FROM Names"); // something in the list before
    ASSERT_EQ(list.Count(), 1u);
    int clockReads = 0;
    host.clock = [&] {
        ++clockReads;
        return std::chrono::steady_clock::time_point{} + clockReads * 1s;
    };
    const PostOutcome outcome = customQuery("SELEKT * FROM Names;");
    ASSERT_TRUE(outcome.failure);
    EXPECT_FALSE(outcome.failure->empty());
    EXPECT_EQ(outcome.matches, 0u);
    EXPECT_EQ(host.pumps, 0);
    EXPECT_LE(clockReads, 1); // no walk: the limit was never waited for
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Text(), "No matches to your query");
    EXPECT_EQ(host.matchesShown.back(), 0u);
}

TEST_F(PostSqliteTest, AFailingRowEndsTheWalkWithWhatWasListed) {
    data.visit("Ace", "1.2.3.4");
    data.visit("Bolt", "1.2.3.5");
    // The second row makes the statement fail while it is being walked.
    const PostOutcome outcome = customQuery(
        "SELECT PlayerName, IP, CASE WHEN PlayerName = 'Bolt' THEN json('not json') END AS x FROM Names");
    EXPECT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.matches, 1u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace"}));
}

TEST_P(PostTest, ANewSearchStopsListingAfterFifteenSeconds) {
    for (int i = 0; i < 20; ++i)
        data.visit("Player" + std::to_string(100 + i), "1.1.1.1");
    list.HeaderClicked(0); // the list was by name ascending: now descending, and the end still sorts
    // Listing one row takes the step: 15 s exactly is still within the limit.
    for (const auto& [step, listed] : {std::pair{3000ms, 6u}, std::pair{2500ms, 7u}}) {
        host.clock = [&, step = step] {
            return std::chrono::steady_clock::time_point{} + list.Count() * step;
        };
        const PostOutcome outcome = nameSearch("Player*");
        EXPECT_TRUE(outcome.timedOut);
        EXPECT_EQ(outcome.matches, listed);
        EXPECT_EQ(list.Count(), listed);
        EXPECT_EQ(host.matchesShown.back(), listed);
        const auto shown = Column(list, 0);
        EXPECT_TRUE(std::is_sorted(shown.rbegin(), shown.rend()));
    }
}

TEST_P(PostTest, HandsControlToTheHostByTimeNotPerRow) {
    constexpr int kRows = 100;
    for (int i = 0; i < kRows; ++i)
        data.visit("Player" + std::to_string(1000 + i), "1.1.1.1");
    host.clock = [&] { return std::chrono::steady_clock::time_point{} + list.Count() * 1ms; };
    const PostOutcome outcome = nameSearch("Player*");
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.matches, static_cast<std::size_t>(kRows));
    // The last row is read at 99 ms: one yield per 15 ms.
    EXPECT_EQ(host.pumps, (kRows - 1) / static_cast<int>(kPostYieldInterval.count()));
}

TEST_P(PostTest, ANestedCallNeitherClearsNorSortsNorAddsThePlaceholder) {
    data.visit("Bolt", "1.2.3.4");
    data.visit("Ace", "1.2.3.4");
    ResultRow existing;
    existing.ItemKey = "Zulu9.9.9.9";
    existing.Cells[0] = "Zulu";
    list.Add(existing);
    Post(data.db(), list, host, IpSearchQuery("4.4.4.4"), ClearFirst::No, AliasCheck::ForbidAliases);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"Zulu"}));
    Post(data.db(), list, host, IpSearchQuery("1.2.3.4"), ClearFirst::No, AliasCheck::ForbidAliases);
    EXPECT_FALSE(list.Sorted());
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Row(0).Text(), "Zulu");
    EXPECT_EQ(host.matchesShown, (std::vector<std::size_t>{1, 3}));
}

} // namespace
} // namespace corvanth
