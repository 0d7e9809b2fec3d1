#include "ClusterWalk.h"
#include "ClusterQueries.h"
#include "NameText.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace corvanth {
namespace {

using namespace testing;
using namespace std::chrono_literals;

class ClusterWalkTest : public ::testing::TestWithParam<test::Backend> {
protected:
    ClusterOutcome walk(const Query& start, ClusterOptions options = {}) {
        outcome = ListCluster(data.db(), list, host, start, options);
        return outcome;
    }
    void visits(std::initializer_list<std::pair<const char*, const char*>> pairs) {
        for (const auto& [name, ip] : pairs)
            data.visit(name, ip);
    }
    // "hops name ip via" per listed row, in shown order.
    std::vector<std::string> listing() const {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const ResultRow& row = list.Row(i);
            const ClusterLink& link = outcome.links.at(*row.ItemKey);
            lines.push_back(std::to_string(link.hops) + " " + row.Text() + " " + row.Cell(ResultCell::IP) +
                            " " + link.via);
        }
        return lines;
    }

    TempDatabase data{GetParam()};
    ResultList list;
    FakePostHost host;
    ClusterOutcome outcome;
};

INSTANTIATE_TEST_SUITE_P(Backends, ClusterWalkTest,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         test::BackendName);

// Alpha shares an address with two names (listed by name, not as found); one of them (élan) goes on under
// another letter case to a second address, whose other letter case leads to Charlie. Delta is not linked.
// Ann, Ben and Cid make a cycle; the 10.* rows are linked only by a range or a stripped name.
TEST_P(ClusterWalkTest, LinksHopByHop) {
    visits({{"Alpha", "1.1.1.1"},   {"élan", "1.1.1.1"},   {"Zulu", "1.1.1.1"},     {"ÉLAN", "cafe::2"},
            {"Charlie", "CAFE::2"}, {"Delta", "9.9.9.9"},  {"Ann", "3.3.3.3"},      {"Ben", "3.3.3.3"},
            {"Ben", "4.4.4.4"},     {"Ann", "4.4.4.4"},    {"Cid", "4.4.4.4"},      {"^1Ace", "10.0.0.1"},
            {"Bolt", "10.0.0.2"},   {"Crow", "10.0.1.1"},  {"Ace^7", "10.9.9.9"},   {"^2ACE", "10.8.8.8"},
            {"xÉcho", "10.7.7.7"},  {"Xécho", "10.6.6.6"}, {"^3Ñandu", "10.5.5.5"}, {"ñANDU", "10.4.4.4"},
            {"Bob1", "12.3.4.5"},   {"Bob11", "2.3.4.5"}});
    const std::vector<std::string> chain = {"0 Alpha 1.1.1.1 ", "1 Zulu 1.1.1.1 1.1.1.1",
                                            "1 élan 1.1.1.1 1.1.1.1", "2 ÉLAN cafe::2 élan",
                                            "3 Charlie CAFE::2 cafe::2"};
    const auto range = AddressLinks::SameRange;
    const auto stripped = NameLinks::SamePlayerOrStrippedName;
    struct Case {
        Query start;
        ClusterOptions options;
        std::vector<std::string> rows;
    };
    std::vector<Case> cases{{NameSearchQuery("Ben"),
                             {}, // a cycle lists every row once, at its smallest hop
                             {"0 Ben 3.3.3.3 ", "0 Ben 4.4.4.4 ", "1 Ann 3.3.3.3 3.3.3.3",
                              "1 Ann 4.4.4.4 4.4.4.4", "1 Cid 4.4.4.4 4.4.4.4"}},
                            {StoredPairQuery("Ann", "3.3.3.3"), {.depth = 0}, {"0 Ann 3.3.3.3 "}},
                            {IpSearchQuery("10.0.0.1"), {}, {"0 ^1Ace 10.0.0.1 "}},
                            {IpSearchQuery("10.0.0.1"),
                             {.addressLinks = range},
                             {"0 ^1Ace 10.0.0.1 ", "1 Bolt 10.0.0.2 10.0.0.*"}},
                            {IpSearchQuery("10.0.0.1"),
                             {.nameLinks = stripped},
                             {"0 ^1Ace 10.0.0.1 ", "1 ^2ACE 10.8.8.8 Ace", "1 Ace^7 10.9.9.9 Ace"}},
                            {IpSearchQuery("10.7.7.7"), {}, {"0 xÉcho 10.7.7.7 ", "1 Xécho 10.6.6.6 xÉcho"}},
                            {IpSearchQuery("10.5.5.5"),
                             {.nameLinks = stripped},
                             {"0 ^3Ñandu 10.5.5.5 ", "1 ñANDU 10.4.4.4 Ñandu"}},
                            // Two pairs whose name and address, put together, read the same are two rows.
                            {NameSearchQuery("Bob1*"), {}, {"0 Bob1 12.3.4.5 ", "0 Bob11 2.3.4.5 "}}};
    for (const auto& [depth, rows] :
         {std::pair<std::size_t, int>{0, 1}, {1, 3}, {2, 4}, {3, 5}, {4, 5}}) // along the chain
        cases.push_back({NameSearchQuery("alpha"), {.depth = depth}, {chain.begin(), chain.begin() + rows}});
    for (const auto& c : cases) {
        walk(c.start, c.options);
        EXPECT_EQ(listing(), c.rows) << c.start.sql;
        EXPECT_EQ(outcome.end, ClusterEnd::Complete);
        EXPECT_EQ(host.matchesShown.back(), c.rows.size());
        EXPECT_FALSE(list.Sorted());
    }
    for (const char* key : {"Ann", "x:Ann", "4:Ann"}) { // a row whose key no program wrote starts no walk
        ResultRow row;
        row.ItemKey = key;
        EXPECT_FALSE(StoredPairQuery(row)) << key;
    }
    walk(NameSearchQuery("Nobody"));
    EXPECT_EQ(outcome.matches, 0u);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Text(), "No matches to your query");
    // Rows of one hop follow the list's sort: by address descending, then as found.
    list.HeaderClicked(2); // by address ascending,
    list.HeaderClicked(2); // then descending
    walk(IpSearchQuery("cafe::2"), {.depth = 1});
    EXPECT_EQ(listing(),
              (std::vector<std::string>{"0 ÉLAN cafe::2 ", "0 Charlie CAFE::2 ", "1 élan 1.1.1.1 ÉLAN"}));
}

// Alpha and Bravo share nothing but a GUID (in another letter case); Charlie shares Bravo's address.
TEST_P(ClusterWalkTest, GuidLinksJoinPairsSeenWithTheSameGuid) {
    EXPECT_EQ(GuidLinksOf(data.db()), GuidLinks::None);
    visits({{"Alpha", "1.1.1.1"}, {"Bravo", "2.2.2.2"}, {"Charlie", "2.2.2.2"}, {"Delta", "9.9.9.9"}});
    for (const auto& [guid, name, ip] :
         {std::tuple{"G1", "Alpha", "1.1.1.1"}, std::tuple{"g1", "Bravo", "2.2.2.2"},
          std::tuple{"G2", "Delta", "9.9.9.9"}})
        data.db().RecordGuid(guid, name, ip, "d");
    data.db().Commit();
    EXPECT_EQ(GuidLinksOf(data.db()), GuidLinks::SameGuid);
    walk(NameSearchQuery("Alpha"));
    EXPECT_EQ(listing(), (std::vector<std::string>{"0 Alpha 1.1.1.1 "}));
    walk(NameSearchQuery("Alpha"), {.guidLinks = GuidLinks::SameGuid});
    EXPECT_EQ(listing(), (std::vector<std::string>{"0 Alpha 1.1.1.1 ", "1 Bravo 2.2.2.2 G1",
                                                   "2 Charlie 2.2.2.2 2.2.2.2"}));
    EXPECT_EQ(outcome.links.at(*list.Row(1).ItemKey).kind, LinkKind::Guid);
    walk(GuidSearchQuery("g2"), {.guidLinks = GuidLinks::SameGuid});
    EXPECT_EQ(listing(), (std::vector<std::string>{"0 Delta 9.9.9.9 "}));
}

TEST_P(ClusterWalkTest, TheSizeLimitStopsTheWalkAndSaysSo) {
    for (int i = 0; i < 6; ++i)
        data.visit("P" + std::to_string(i), "1.1.1.1");
    for (const auto& [limit, end] :
         {std::pair{6u, ClusterEnd::Complete}, std::pair{4u, ClusterEnd::SizeLimit}}) {
        const ClusterOptions options{.sizeLimit = limit};
        walk(NameSearchQuery("P0"), options);
        EXPECT_EQ(outcome.end, end);
        EXPECT_EQ(outcome.matches, std::min<std::size_t>(limit, 6));
        EXPECT_EQ(ClusterEndText(outcome.end, options).has_value(), end != ClusterEnd::Complete);
    }
}

TEST_P(ClusterWalkTest, YieldsAndEndsOnAStopRequestOrTheTimeLimit) {
    for (int i = 0; i < 40; ++i)
        data.visit("P" + std::to_string(i), "1.1.1." + std::to_string(i % 4));
    int reads = 0;
    host.clock = [&] { return std::chrono::steady_clock::time_point{} + ++reads * 10ms; };
    host.onPump = [&] { host.stop = host.pumps == 3; };
    walk(NameSearchQuery("P*"));
    EXPECT_EQ(outcome.end, ClusterEnd::Stopped);
    EXPECT_EQ(host.pumps, 3);
    EXPECT_GT(outcome.matches, 0u);
    EXPECT_LT(outcome.matches, 40u);

    host.stop = false;
    host.onPump = nullptr;
    host.clock = [&] { return std::chrono::steady_clock::time_point{} + ++reads * 1s; };
    walk(NameSearchQuery("P*"));
    EXPECT_EQ(outcome.end, ClusterEnd::TimeLimit);
    EXPECT_LT(outcome.matches, 40u);
}

// Address searches and every link but the stripped name are one indexed look-up.
TEST(QueryPlan, AddressSearchesAndLinksUseAnIndex) {
    TempDatabase data;
    data.visit("Ann", "1.1.1.1");
    const std::pair<const char*, std::vector<Query>> cases[] = {
        {"NamesIP",
         {IpSearchQuery("10.0.0.7"), IpSearchQuery("10.0.0.*"), AddressLinkQuery("1.1.1.1"),
          AddressPrefixQuery("1.1.1."), AddressLinkQuery("fé::1")}},
        {"NamesPlayerNameIP",
         {PlayerNameLinkQuery("Ann"), PlayerNameLinkQuery("xÉcho"), PlayerNameLinkQuery("Écho"),
          PlayerNameLinkQuery("öIn"), StoredPairQuery("Ann", "1.1.1.1")}},
        {"GuidsIP", {GuidsOfPairQuery("Ann", "1.1.1.1")}},
        {"GuidsGuid", {GuidSearchQuery("95FF0A")}}};
    for (const auto& [index, queries] : cases)
        for (Query explain : queries) {
            const std::string sql = explain.sql;
            explain.sql = "EXPLAIN QUERY PLAN " + sql;
            std::string plan;
            for (Recordset rs = data.db().OpenRecordset(explain); !rs.Eof(); rs.MoveNext())
                plan += rs.Field("detail").value_or("") + "\n";
            EXPECT_NE(plan.find(index), std::string::npos) << sql << "\n" << plan;
            EXPECT_EQ(plan.find("SCAN"), std::string::npos) << sql << "\n" << plan;
        }
}

} // namespace
} // namespace corvanth
