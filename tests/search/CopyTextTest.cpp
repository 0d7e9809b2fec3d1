#include "CopyText.h"

#include <gtest/gtest.h>

namespace corvanth {
namespace {

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
