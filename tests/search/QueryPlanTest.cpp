#include "Query.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

namespace corvanth {
namespace {

using testing::TempDatabase;

// The plan SQLite chooses for a query of the program, through the program's own connection.
std::string PlanOf(NamesDatabase& db, const Query& query) {
    Query explain = query;
    explain.sql = "EXPLAIN QUERY PLAN " + query.sql;
    Recordset rs = db.OpenRecordset(explain);
    std::string plan;
    for (; !rs.Eof(); rs.MoveNext())
        plan += rs.Field("detail").value_or("") + "\n";
    return plan;
}

struct PlanCase {
    const char* name;
    const char* pattern;
    bool usesIndex;
};

class IpPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(IpPlanTest, AddressLookupsUseTheAddressIndex) {
    TempDatabase data;
    for (int i = 0; i < 50; ++i)
        data.visit("P" + std::to_string(i), "10.0.0." + std::to_string(i));
    const std::string plan = PlanOf(data.db(), IpSearchQuery(GetParam().pattern));
    if (GetParam().usesIndex) {
        EXPECT_NE(plan.find("USING INDEX NamesIP"), std::string::npos) << plan;
        EXPECT_EQ(plan.find("SCAN Names"), std::string::npos) << plan;
    } else {
        // Patterns that begin with a wildcard cannot use it: the test shows the difference.
        EXPECT_EQ(plan.find("NamesIP"), std::string::npos) << plan;
    }
}

INSTANTIATE_TEST_SUITE_P(Patterns, IpPlanTest,
                         ::testing::Values(PlanCase{"ExactAddress", "10.0.0.7", true},
                                           PlanCase{"ThreeOctets", "10.0.0.*", true},
                                           PlanCase{"LeadingStar", "*.0.0.7", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IpQueryTest, IndexedLookupsFindWhatThePatternMeans) {
    TempDatabase data;
    data.visit("A", "10.0.0.7");
    data.visit("B", "10.0.0.70");
    data.visit("C", "10.0.1.7");
    data.visit("D", "110.0.0.7");
    auto count = [&](const char* pattern) {
        int n = 0;
        for (Recordset rs = data.db().OpenRecordset(IpSearchQuery(pattern)); !rs.Eof(); rs.MoveNext())
            ++n;
        return n;
    };
    EXPECT_EQ(count("10.0.0.7"), 1);
    EXPECT_EQ(count("10.0.0.*"), 2);
    EXPECT_EQ(count("*0.0.7"), 2);
    EXPECT_EQ(count("10.0.?.7"), 2);
}

} // namespace
} // namespace corvanth
