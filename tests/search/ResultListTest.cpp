#include "ResultList.h"
#include "CopyText.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

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

TEST(ResultListTest, HeaderClicksFollowTheClickRuleAndReorderTheRows) {
    ResultList list;
    for (const auto& [name, ip] : {std::pair{"Crow", "10.0.0.2"}, {"ace", "10.0.0.10"}, {"Bolt", "9.0.0.1"}})
        list.Add(MakeRow(name, ip));
    const auto up = SortDirection::Ascending, down = SortDirection::Descending;
    const struct {
        std::size_t click;
        SortDirection order;
        std::vector<std::string> names;
    } steps[] = {{0, down, {"Crow", "Bolt", "ace"}}, // the list starts by name ascending
                 {2, up, {"ace", "Crow", "Bolt"}},   // addresses compare as text
                 {2, down, {"Bolt", "Crow", "ace"}},
                 {2, up, {"ace", "Crow", "Bolt"}},
                 {0, up, {"ace", "Bolt", "Crow"}},
                 {4, up, {"Crow", "ace", "Bolt"}},   // equal texts keep the order they were added in,
                 {4, down, {"Crow", "ace", "Bolt"}}, // in both directions
                 {3, up, {"Crow", "ace", "Bolt"}}};
    for (const auto& step : steps) {
        list.HeaderClicked(step.click);
        EXPECT_EQ(list.SortKey(), step.click);
        EXPECT_EQ(list.SortOrder(), step.order) << step.click;
        EXPECT_EQ(Column(list, 0), step.names) << step.click;
    }
    list.Clear(); // keeps the sort state
    EXPECT_TRUE(list.Sorted());
    EXPECT_EQ(list.SortKey(), 3u);
}

TEST(ResultListTest, CollationIgnoresCaseFirstThenUsesIt) {
    ResultList list;
    for (const char* n : {"abd", "ABC", "abc", "Abc", "ab", "Zed", "éclair", "Éclair", "eclair", "ÉCLAIRE"})
        list.Add(MakeRow(n, ""));
    list.TurnSortingOn();
    EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"ab", "ABC", "Abc", "abc", "abd", "eclair", "Zed",
                                                         "Éclair", "éclair", "ÉCLAIRE"}));
}

// Rows added in their sorted places (enough for a sort in several runs and merges, by address descending,
// many of them equal) match one stable sort at the end. A sort that lets events run, one of which adds a
// row, is worked out again with it.
TEST(ResultListTest, ManyRowsAddedInSortedPlacesMatchOneSortAtTheEnd) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> octet(0, 255);
    ResultList sortedAsAdded, sortedAtEnd, sortedWithEvents;
    sortedAsAdded.HeaderClicked(2);
    sortedAsAdded.HeaderClicked(2);
    for (int i = 0; i < 40000; ++i) {
        const ResultRow row = MakeRow("n" + std::to_string(octet(random)),
                                      std::to_string(octet(random)) + "." + std::to_string(octet(random)),
                                      "k" + std::to_string(i));
        sortedAsAdded.Add(row);
        sortedAtEnd.Add(row);
        sortedWithEvents.Add(row);
    }
    sortedAtEnd.HeaderClicked(2);
    sortedAtEnd.HeaderClicked(2);
    ASSERT_EQ(sortedAsAdded.Count(), 40000u);
    EXPECT_EQ(sortedAsAdded.Rows(), sortedAtEnd.Rows());
    EXPECT_TRUE(sortedAsAdded.ContainsKey("k39999"));

    const ResultRow late = MakeRow("late", "9.late", "late");
    sortedWithEvents.HeaderClicked(2);
    sortedWithEvents.HeaderClicked(2);
    sortedWithEvents.TurnSortingOff();
    int calls = 0;
    sortedWithEvents.TurnSortingOn([&] {
        if (++calls == 1) sortedWithEvents.Add(late);
    });
    sortedAtEnd.Add(late);
    EXPECT_EQ(calls, 1); // the second time round it runs no events
    EXPECT_EQ(sortedWithEvents.Rows(), sortedAtEnd.Rows());
}

// Rows with a known key are turned away (keys compare exactly); rows without a key never are. The observer
// hears of every row added, where it went, and of every reset.
TEST(ResultListTest, KeysAreUniqueAndTheObserverIsTold) {
    ResultList list;
    RecordingObserver observer;
    list.SetObserver(&observer);
    EXPECT_EQ(list.Add(MakeRow("b", "", "b")), std::optional<std::size_t>(0));
    EXPECT_EQ(list.Add(MakeRow("a", "")), std::optional<std::size_t>(1));
    EXPECT_EQ(list.Add(MakeRow("a", "")), std::optional<std::size_t>(2));
    list.TurnSortingOn();
    EXPECT_EQ(list.Add(MakeRow("c", "", "key")), std::optional<std::size_t>(3));
    EXPECT_EQ(list.Add(MakeRow("c again", "", "key")), std::nullopt);
    EXPECT_EQ(list.Add(MakeRow("0", "", "Key")), std::optional<std::size_t>(0));
    EXPECT_EQ(list.Row(0).Text(), "0");
    EXPECT_TRUE(list.ContainsKey("key") && list.ContainsKey("Key") && !list.ContainsKey("KEY"));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.ContainsKey("key"));
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"aboutToInsert 0 1", "inserted 0 1", "aboutToInsert 1 1",
                                        "inserted 1 1", "aboutToInsert 2 1", "inserted 2 1", "aboutToReset",
                                        "reset", "aboutToInsert 3 1", "inserted 3 1", "aboutToInsert 0 1",
                                        "inserted 0 1", "aboutToReset", "reset"}));
    list.SetObserver(nullptr);
}

TEST(CopyText, IsExactlyTheLabelledText) {
    ResultRow row;
    row.ItemKey = "^1O'^7Neil10.0.0.7";
    row.Cells = {"^1O'^7Neil", "O'Neil", "10.0.0.7", "07/08/2009 10:11:12\r", "False"};
    const std::pair<CopyCommand, const char*> cases[] = {
        {CopyCommand::EntireEntry, "Name: ^1O'^7Neil, Stripped Name: O'Neil, IP: 10.0.0.7, Last Connection: "
                                   "07/08/2009 10:11:12\r, Referee: False"},
        {CopyCommand::PlayerName, "Name: ^1O'^7Neil"},
        {CopyCommand::StrippedName, "Stripped Name: O'Neil"},
        {CopyCommand::IP, "IP: 10.0.0.7"},
        {CopyCommand::LastVisit, "Last Connection: 07/08/2009 10:11:12\r"}};
    for (const auto& [command, text] : cases)
        EXPECT_EQ(CopyText(row, command), text);
    EXPECT_TRUE(OffersCopyMenu(&row));
    ResultRow placeholder;
    placeholder.Cells[0] = "No matches to your query";
    EXPECT_FALSE(OffersCopyMenu(&placeholder));
    EXPECT_FALSE(OffersCopyMenu(nullptr));
    EXPECT_EQ(CopyText(placeholder, CopyCommand::EntireEntry),
              "Name: No matches to your query, Stripped Name: , IP: , Last Connection: , Referee: ");
}

} // namespace
} // namespace corvanth
