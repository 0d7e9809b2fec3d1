#include "CopyText.h"

#include <gtest/gtest.h>

namespace corvanth {
namespace {

ResultRow ONeil() {
    ResultRow row;
    row.ItemKey = "^1O'^7Neil10.0.0.7";
    row.Cells = {"^1O'^7Neil", "O'Neil", "10.0.0.7", "07/08/2009 10:11:12\r", "False"};
    return row;
}

struct CopyCase {
    const char* name;
    CopyCommand command;
    const char* text;
};

class CopyTextTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyTextTest, IsExactlyTheLabelledText) {
    EXPECT_EQ(CopyText(ONeil(), GetParam().command), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CopyTextTest,
    ::testing::Values(
        CopyCase{
            "Entire", CopyCommand::EntireEntry,
            "Name: ^1O'^7Neil, Stripped Name: O'Neil, IP: 10.0.0.7, Last Connection: 07/08/2009 10:11:12\r, "
            "Referee: False"},
        CopyCase{"Name", CopyCommand::PlayerName, "Name: ^1O'^7Neil"},
        CopyCase{"Stripped", CopyCommand::StrippedName, "Stripped Name: O'Neil"},
        CopyCase{"IP", CopyCommand::IP, "IP: 10.0.0.7"},
        CopyCase{"LastVisit", CopyCommand::LastVisit, "Last Connection: 07/08/2009 10:11:12\r"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyMenuTest, OfferedOnlyForARowWithAnAddress) {
    ResultRow placeholder;
    placeholder.Cells[0] = "No matches to your query";
    const ResultRow row = ONeil();
    EXPECT_TRUE(OffersCopyMenu(&row));
    EXPECT_FALSE(OffersCopyMenu(&placeholder));
    EXPECT_FALSE(OffersCopyMenu(nullptr));
}

TEST(CopyTextEmptyCellsTest, EmptyCellsLeaveTheLabels) {
    ResultRow row;
    row.Cells[0] = "Ace";
    EXPECT_EQ(CopyText(row, CopyCommand::EntireEntry),
              "Name: Ace, Stripped Name: , IP: , Last Connection: , Referee: ");
}

} // namespace
} // namespace corvanth
