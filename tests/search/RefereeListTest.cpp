#include "Post.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

namespace corvanth {
namespace {

using testing::Column;
using testing::TempDatabase;

class RefereeListTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.visit("Zulu", "3.3.3.3");
        data.visit("O'Ref", "1.1.1.1");
        data.visit("Mike", "2.2.2.2");
        data.visit("Player", "4.4.4.4");
        ResultRow earlier;
        earlier.Cells[0] = "earlier";
        list.Add(earlier);
    }
    void markAll() {
        data.db().MarkReferee("Zulu", "3.3.3.3");
        data.db().MarkReferee("O'Ref", "1.1.1.1");
        data.db().MarkReferee("Mike", "2.2.2.2");
        data.db().Commit();
    }
    TempDatabase data;
    ResultList list;
};

TEST_F(RefereeListTest, NoRefereesLeavesTheListEmptyWithoutPlaceholder) {
    EXPECT_TRUE(ListReferees(data.db(), list));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.Sorted());
}

TEST_F(RefereeListTest, ListsRefereesUnkeyedInTheEngineOrderWhileUnsorted) {
    markAll();
    EXPECT_TRUE(ListReferees(data.db(), list));
    EXPECT_FALSE(list.Sorted());
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"Zulu", "O'Ref", "Mike"}));
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_FALSE(list.Row(i).ItemKey);
        EXPECT_EQ(list.Row(i).Cells[4], "True");
    }
    EXPECT_EQ(list.Row(1).Cells[1], "O'Ref");
}

TEST_F(RefereeListTest, ASortedListPutsEachRefereeInItsPlace) {
    markAll();
    list.HeaderClicked(2);
    list.HeaderClicked(2); // address, descending
    EXPECT_TRUE(ListReferees(data.db(), list));
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"3.3.3.3", "2.2.2.2", "1.1.1.1"}));
}

TEST_F(RefereeListTest, AClosedDatabaseIsReportedAndLeavesTheListEmpty) {
    data.db().Close();
    const auto listed = ListReferees(data.db(), list);
    ASSERT_FALSE(listed);
    EXPECT_FALSE(listed.reason().empty());
    EXPECT_EQ(list.Count(), 0u);
}

} // namespace
} // namespace corvanth
