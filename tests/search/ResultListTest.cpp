#include "ResultList.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace corvanth {
namespace {

using testing::Column;

ResultRow MakeRow(std::string name, std::string ip, std::optional<std::string> key = std::nullopt) {
    ResultRow row;
    row.ItemKey = std::move(key);
    row.Cells[0] = std::move(name);
    row.Cells[2] = std::move(ip);
    return row;
}

class RecordingObserver : public ResultListObserver {
public:
    std::vector<std::string> events;
    void listAboutToReset() override { events.push_back("aboutToReset"); }
    void listReset() override { events.push_back("reset"); }
    void rowsAboutToBeInserted(std::size_t first, std::size_t count) override {
        events.push_back("aboutToInsert " + std::to_string(first) + " " + std::to_string(count));
    }
    void rowsInserted(std::size_t first, std::size_t count) override {
        events.push_back("inserted " + std::to_string(first) + " " + std::to_string(count));
    }
};

TEST(ResultListTest, KeysAreUnique) {
    ResultList list;
    EXPECT_EQ(list.Add(MakeRow("Ace", "1.1.1.1", "Ace1.1.1.1")), std::optional<std::size_t>(0));
    EXPECT_EQ(list.Add(MakeRow("Ace again", "1.1.1.1", "Ace1.1.1.1")), std::nullopt);
    EXPECT_EQ(list.Add(MakeRow("ace", "1.1.1.1", "ace1.1.1.1")), std::optional<std::size_t>(1)); // exact keys
    EXPECT_EQ(list.Add(MakeRow("No key", "")), std::optional<std::size_t>(2));
    EXPECT_EQ(list.Add(MakeRow("No key", "")), std::optional<std::size_t>(3));
    EXPECT_EQ(list.Row(0).Text(), "Ace");
    EXPECT_TRUE(list.ContainsKey("Ace1.1.1.1"));
    EXPECT_FALSE(list.ContainsKey("Bolt"));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.ContainsKey("Ace1.1.1.1"));
}

TEST(ResultListTest, HeaderClicksFollowTheClickRule) {
    const struct {
        std::vector<std::size_t> clicks;
        std::size_t key;
        SortDirection order;
    } cases[] = {{{2, 2, 0}, 0, SortDirection::Ascending},
                 {{0}, 0, SortDirection::Descending}, // the list starts by name ascending
                 {{4, 3}, 3, SortDirection::Ascending}};
    for (const auto& c : cases) {
        ResultList list;
        for (std::size_t column : c.clicks)
            list.HeaderClicked(column);
        list.Clear();
        EXPECT_TRUE(list.Sorted());
        EXPECT_EQ(list.SortKey(), c.key);
        EXPECT_EQ(list.SortOrder(), c.order);
    }
}

TEST(ResultListTest, HeaderClicksReorderTheRows) {
    ResultList list;
    list.Add(MakeRow("Crow", "10.0.0.2"));
    list.Add(MakeRow("ace", "10.0.0.10"));
    list.Add(MakeRow("Bolt", "9.0.0.1"));
    list.HeaderClicked(2);
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"10.0.0.10", "10.0.0.2", "9.0.0.1"})); // as text
    list.HeaderClicked(2);
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"9.0.0.1", "10.0.0.2", "10.0.0.10"}));
    list.HeaderClicked(2);
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"10.0.0.10", "10.0.0.2", "9.0.0.1"}));
    list.HeaderClicked(0);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"ace", "Bolt", "Crow"}));
}

TEST(ResultListTest, CollationIgnoresCaseFirstThenUsesIt) {
    ResultList list;
    for (const char* n : {"abd", "ABC", "abc", "Abc", "ab", "Zed", "éclair", "Éclair", "eclair", "ÉCLAIRE"})
        list.Add(MakeRow(n, ""));
    list.TurnSortingOn();
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"ab", "ABC", "Abc", "abc", "abd", "eclair", "Zed",
                                                         "Éclair", "éclair", "ÉCLAIRE"}));
}

TEST(ResultListTest, EqualTextsKeepTheOrderTheyWereAddedInBothDirections) {
    ResultList list;
    list.Add(MakeRow("first", "1.1.1.1"));
    list.Add(MakeRow("second", "1.1.1.1"));
    list.Add(MakeRow("zero", "0.0.0.0"));
    list.Add(MakeRow("third", "1.1.1.1"));
    list.HeaderClicked(2);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"zero", "first", "second", "third"}));
    list.HeaderClicked(2);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"first", "second", "third", "zero"}));
}

TEST(ResultListTest, RowsAddedWhileSortedTakeTheirPlace) {
    ResultList list;
    list.HeaderClicked(2);
    list.HeaderClicked(2); // address, descending
    EXPECT_EQ(list.Add(MakeRow("a", "2")), std::optional<std::size_t>(0));
    EXPECT_EQ(list.Add(MakeRow("b", "4")), std::optional<std::size_t>(0));
    EXPECT_EQ(list.Add(MakeRow("c", "3")), std::optional<std::size_t>(1));
    EXPECT_EQ(list.Add(MakeRow("d", "3")), std::optional<std::size_t>(2)); // after the equal one
    EXPECT_EQ(list.Add(MakeRow("e", "1")), std::optional<std::size_t>(4));
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"b", "c", "d", "a", "e"}));
}

TEST(ResultListTest, ManyRowsAddedInSortedPlacesMatchOneSortAtTheEnd) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> octet(0, 255);
    std::vector<ResultRow> rows;
    // Enough rows for a sort in several runs and merges.
    for (int i = 0; i < 40000; ++i) {
        rows.push_back(MakeRow("n" + std::to_string(octet(random)),
                               std::to_string(octet(random)) + "." + std::to_string(octet(random)),
                               "k" + std::to_string(i)));
    }
    ResultList sortedAsAdded;
    sortedAsAdded.HeaderClicked(2);
    ResultList sortedAtEnd;
    for (const auto& row : rows) {
        sortedAsAdded.Add(row);
        sortedAtEnd.Add(row);
    }
    sortedAtEnd.HeaderClicked(2);
    ASSERT_EQ(sortedAsAdded.Count(), rows.size());
    EXPECT_EQ(sortedAsAdded.Rows(), sortedAtEnd.Rows());
    EXPECT_EQ(sortedAsAdded.Row(20000), sortedAtEnd.Row(20000));
    EXPECT_TRUE(sortedAsAdded.ContainsKey("k39999"));

    // A sort that lets events run, one of which adds a row: the sort is worked out again, with it.
    ResultList sortedWithEvents;
    ResultList lastRowAddedLast;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        sortedWithEvents.Add(rows[i]);
        lastRowAddedLast.Add(rows[i]);
    }
    lastRowAddedLast.Add(rows[0]);
    lastRowAddedLast.HeaderClicked(2);
    sortedWithEvents.HeaderClicked(2);
    sortedWithEvents.TurnSortingOff();
    int calls = 0;
    sortedWithEvents.TurnSortingOn([&] {
        if (++calls == 1) sortedWithEvents.Add(rows[0]);
    });
    EXPECT_EQ(calls, 1); // the second time round it runs no events
    EXPECT_EQ(sortedWithEvents.Rows(), lastRowAddedLast.Rows());
}

TEST(ResultListTest, TellsItsObserver) {
    ResultList list;
    RecordingObserver observer;
    list.SetObserver(&observer);
    list.Add(MakeRow("b", ""));
    list.Add(MakeRow("a", ""));
    list.TurnSortingOn();
    list.Add(MakeRow("c", "", "key"));
    list.Add(MakeRow("c", "", "key")); // a known key: nothing happens
    list.Add(MakeRow("0", ""));
    list.Clear();
    EXPECT_EQ(observer.events, (std::vector<std::string>{
                                   "aboutToInsert 0 1", "inserted 0 1", "aboutToInsert 1 1", "inserted 1 1",
                                   "aboutToReset", "reset", "aboutToInsert 2 1", "inserted 2 1",
                                   "aboutToInsert 0 1", "inserted 0 1", "aboutToReset", "reset"}));
    list.SetObserver(nullptr);
}

} // namespace
} // namespace corvanth
