#include "Post.h"
#include "NameText.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvanth {
namespace {

using namespace testing;
using namespace std::chrono_literals;

class PostTest : public ::testing::TestWithParam<test::Backend> {
protected:
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

    TempDatabase data{GetParam()};
    ResultList list;
    FakePostHost host;
};
INSTANTIATE_TEST_SUITE_P(Backends, PostTest,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         test::BackendName);

TEST_P(PostTest, RowCellsAndKeyComeFromTheStoredRow) {
    data.visit("^1Ace^7Pilot", "10.0.0.7", "05/06/2007 08:09:10\r");
    data.db().MarkReferee("^1Ace^7Pilot", "10.0.0.7");
    data.db().Commit();
    nameSearch("acepilot");
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Cells, (std::array<std::string, 5>{"^1Ace^7Pilot", "AcePilot", "10.0.0.7",
                                                             "05/06/2007 08:09:10\r", "True"}));
    EXPECT_TRUE(list.Row(0).ItemKey);
    EXPECT_EQ(host.matchesShown.back(), 1u);
    // Apostrophes are shown, but stored and keyed with the letter O; a name with the letter itself is
    // shown with an apostrophe.
    data.visit("O'Neil", "5.6.7.8");
    data.visit("Oöbert", "5.6.7.8");
    nameSearch("O'Neil");
    EXPECT_EQ(Column(list, 1), std::vector<std::string>{"O'Neil"});
    ipSearch("5.6.7.8");
    EXPECT_EQ(names(), (std::vector<std::string>{"O'Neil", "O'bert"}));
}

// Aliases widen a name search (ticked, enabled, allowed) to every name of the rows' addresses, or of
// their first three octets when broad; each address is looked up once and reports its count.
TEST_P(PostTest, AliasesListEveryNameOfTheAddress) {
    const std::pair<const char*, const char*> visits[] = {
        {"Ace", "1.2.3.4"},   {"Acer", "1.2.3.4"}, {"Bolt", "1.2.3.4"}, {"Crow", "1.2.3.200"},
        {"Dart", "1.2.30.4"}, {"Echo", "1.2.4.4"}, {"Zed", ""}};
    for (const auto& [name, ip] : visits)
        data.visit(name, ip);
    data.execute("INSERT INTO Names (PlayerName, StrippedName) VALUES ('Ghost', 'Ghost')");
    const auto allow = AliasCheck::AllowAliases, forbid = AliasCheck::ForbidAliases;
    const struct {
        bool enabled, broad;
        Query query;
        AliasCheck check;
        std::vector<std::string> names;
        std::vector<std::size_t> shown;
    } cases[] = {{true, false, NameSearchQuery("Ace"), allow, {"Ace", "Acer", "Bolt"}, {3, 3}},
                 {true, false, NameSearchQuery("Ace*"), allow, {"Ace", "Acer", "Bolt"}, {3, 3}},
                 {true, true, NameSearchQuery("Ace"), allow, {"Ace", "Acer", "Bolt", "Crow"}, {4, 4}},
                 {false, false, NameSearchQuery("Ace"), allow, {"Ace"}, {1}},
                 {true, true, NameSearchQuery("Ace"), forbid, {"Ace"}, {1}},
                 {true, true, IpSearchQuery("1.2.3.4"), forbid, {"Ace", "Acer", "Bolt"}, {3}},
                 // A row without a readable address starts no alias query.
                 {true, false, NameSearchQuery("Ghost"), allow, {"No matches to your query"}, {0}}};
    host.ticked = true;
    for (const auto& c : cases) {
        host.enabled = c.enabled;
        host.broad = c.broad;
        host.matchesShown.clear();
        Post(data.db(), list, host, c.query, ClearFirst::Yes, c.check);
        EXPECT_EQ(names(), c.names) << c.query.sql;
        EXPECT_EQ(host.matchesShown, c.shown) << c.query.sql;
    }
}

// A thousand addresses and more are answered by one walk over the table: the rows (and on SQLite their
// order) of one address search per row found, for its address or its /24, each row listed once.
TEST_P(PostTest, ManyAddressesListWhatOneSearchPerAddressLists) {
    for (int i = 0; i < 1100; ++i) {
        const std::string net = "10." + std::to_string(i / 200) + "." + std::to_string(i % 200) + ".";
        data.db().RecordVisit("P" + std::to_string(i), net + "1", "d");
        if (i % 3 == 0) data.db().RecordVisit("Alias" + std::to_string(i), net + "1", "d");
        if (i % 5 == 0) data.db().RecordVisit("Near" + std::to_string(i), net + "0", "d");
    }
    data.db().Commit();
    host.ticked = true;
    for (const bool broad : {false, true}) {
        host.broad = broad;
        ResultList walked, found, perAddress;
        Post(data.db(), walked, host, NameSearchQuery("P*"), ClearFirst::No, AliasCheck::AllowAliases);
        Post(data.db(), found, host, NameSearchQuery("P*"), ClearFirst::No, AliasCheck::ForbidAliases);
        for (const std::string& ip : Column(found, 2))
            Post(data.db(), perAddress, host, IpSearchQuery(broad ? BroadIP(ip) : ip), ClearFirst::No,
                 AliasCheck::ForbidAliases);
        EXPECT_EQ(walked.Count(), broad ? 1687u : 1467u);
        std::vector<std::string> listed = Column(walked, 0), expected = Column(perAddress, 0);
        if (GetParam() == test::Backend::Postgres) { // the server gives a range's rows in an order of its own
            std::sort(listed.begin(), listed.end());
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(listed, expected) << broad;
    }
}

TEST(BroadIP, KeepsTheFirstThreeOctets) {
    const std::pair<const char*, const char*> cases[] = {{"10.0.0.7", "10.0.0.*"}, {"", ""},
                                                         {"10.0", "10.0"},         {"10.0.0", "10.0.0"},
                                                         {"10.0.0.", "10.0.0.*"},  {"1.2.3.4.5", "1.2.3.*"},
                                                         {"...", "...*"},          {"bot", "bot"}};
    for (const auto& [ip, pattern] : cases)
        EXPECT_EQ(BroadIP(ip), pattern) << ip;
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

// A statement that cannot run ends at once as an empty result: zero matches and the placeholder. One
// that fails on a row while it is walked (a statement of SQLite's) ends with the rows listed before.
TEST_P(PostTest, AFailingStatementEndsTheWalkWithWhatWasListed) {
    data.visit("Ace", "1.2.3.4");
    customQuery("SELECT * FROM Names"); // something in the list before
    ASSERT_EQ(list.Count(), 1u);
    int clockReads = 0;
    host.clock = [&] { return std::chrono::steady_clock::time_point{} + ++clockReads * 1s; };
    const PostOutcome outcome = customQuery("SELEKT * FROM Names;");
    ASSERT_TRUE(outcome.failure);
    EXPECT_FALSE(outcome.failure->empty());
    EXPECT_EQ(outcome.matches, 0u);
    EXPECT_EQ(host.pumps, 0);
    EXPECT_LE(clockReads, 1); // no walk: the limit was never waited for
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Cells, (std::array<std::string, 5>{"No matches to your query", "", "", "", ""}));
    EXPECT_FALSE(list.Row(0).ItemKey);
    EXPECT_EQ(host.matchesShown.back(), 0u);
    EXPECT_TRUE(list.Sorted());
    if (GetParam() != test::Backend::Sqlite) return;
    host.clock = nullptr;
    data.visit("Bolt", "1.2.3.5"); // the second row makes the statement fail while it is being walked
    const PostOutcome failing = customQuery(
        "SELECT PlayerName, IP, CASE WHEN PlayerName = 'Bolt' THEN json('not json') END AS x FROM Names");
    EXPECT_TRUE(failing.failure);
    EXPECT_EQ(failing.matches, 1u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Ace"}));
}

// Listing one row takes the step: a new search stops listing after fifteen seconds (15 s exactly is still
// within the limit), and hands control to the host by time (every 15 ms), not per row.
TEST_P(PostTest, ANewSearchStopsListingAfterFifteenSeconds) {
    for (int i = 0; i < 100; ++i)
        data.visit("Player" + std::to_string(1000 + i), "1.1.1.1");
    list.HeaderClicked(0); // the list was by name ascending: now descending, and the end still sorts
    for (const auto& [step, listed] : {std::pair{3000ms, 6u}, {2500ms, 7u}, {1ms, 100u}}) {
        host.clock = [&, step = step] {
            return std::chrono::steady_clock::time_point{} + list.Count() * step;
        };
        host.pumps = 0;
        const PostOutcome outcome = nameSearch("Player*");
        EXPECT_EQ(outcome.timedOut, listed < 100);
        EXPECT_EQ(outcome.matches, listed);
        EXPECT_EQ(list.Count(), listed);
        EXPECT_EQ(host.matchesShown.back(), listed);
        const auto shown = Column(list, 0);
        EXPECT_TRUE(std::is_sorted(shown.rbegin(), shown.rend()));
    }
    // The last row is read at 99 ms: one yield per 15 ms.
    EXPECT_EQ(host.pumps, 99 / static_cast<int>(kPostYieldInterval.count()));
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

// The referee list replaces what is shown (with no placeholder when there is none): unkeyed rows, in the
// engine's order while unsorted and each in its place when sorted. A closed database is reported.
TEST_P(PostTest, RefereeList) {
    list.Add(ResultRow{});
    data.visit("Player", "4.4.4.4");
    EXPECT_TRUE(ListReferees(data.db(), list));
    EXPECT_EQ(list.Count(), 0u);
    for (const auto& [name, ip] : {std::pair{"Zulu", "3.3.3.3"}, {"O'Ref", "1.1.1.1"}, {"Mike", "2.2.2.2"}}) {
        data.visit(name, ip);
        data.db().MarkReferee(name, ip);
    }
    data.db().Commit();
    EXPECT_TRUE(ListReferees(data.db(), list));
    EXPECT_FALSE(list.Sorted());
    if (GetParam() == test::Backend::Sqlite) { // the engine's order
        EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"Zulu", "O'Ref", "Mike"}));
    }
    for (std::size_t i = 0; i < list.Count(); ++i)
        EXPECT_FALSE(list.Row(i).ItemKey);
    EXPECT_EQ(Column(list, 4), (std::vector<std::string>{"True", "True", "True"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"Mike", "O'Ref", "Zulu"}));
    list.HeaderClicked(2);
    list.HeaderClicked(2); // address, descending
    EXPECT_TRUE(ListReferees(data.db(), list));
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"3.3.3.3", "2.2.2.2", "1.1.1.1"}));
    EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"Zulu", "Mike", "O'Ref"}));
    data.db().Close();
    const auto listed = ListReferees(data.db(), list);
    ASSERT_FALSE(listed);
    EXPECT_FALSE(listed.reason().empty());
    EXPECT_EQ(list.Count(), 0u);
}

} // namespace
} // namespace corvanth
