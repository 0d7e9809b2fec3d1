#include "ResultListModel.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace corvanth {
namespace {

// A model over a list, counting the model's signals.
class ResultListModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(
            &model, &QAbstractItemModel::rowsInserted,
            [this](const QModelIndex&, int first, int last) { inserts.emplace_back(first, last); });
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { ++resets; });
        QObject::connect(&model, &ResultListModel::sortIndicatorChanged, [this] { ++indicators; });
    }
    void add(const std::string& name) {
        ResultRow row;
        row.Cells = {name, name, "1.1.1.1", "date", "False"};
        list.Add(row);
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int r = 0; r < model.rowCount(); ++r)
            texts << model.data(model.index(r, c)).toString();
        return texts;
    }

    ResultList list;
    ResultListModel model{list};
    std::vector<std::pair<int, int>> inserts;
    int resets = 0;
    int indicators = 0;
};

TEST_F(ResultListModelTest, FiveColumnsAndAddedRowsShownInOneBatch) {
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Name", "StripName", "IP", "Last Connection", "Referee", ""}));
    EXPECT_EQ(model.columnCount(), 5);
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid()); // rows have no header
    for (int i = 0; i < 1000; ++i)
        add("P" + std::to_string(i));
    EXPECT_EQ(model.rowCount(), 0); // not yet told
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(inserts, (std::vector<std::pair<int, int>>{{0, 999}}));
    EXPECT_EQ(column(0).back(), "P999");
    add("late");
    model.Flush();
    EXPECT_EQ(model.rowCount(), 1001);
    EXPECT_EQ(inserts.size(), 2u);
    EXPECT_EQ(resets, 0);
}

// A sort moves the rows, not the view's hold on them: a selected row stays selected. Header clicks (and a
// sorting view's sort(), whatever order it passes) follow the click rule and move the indicator.
TEST_F(ResultListModelTest, ASortKeepsPersistentIndexesOnTheirRows) {
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const char* name : {"c", "a", "d", "b"})
        add(name);
    model.Flush();
    const QPersistentModelIndex held(model.index(2, 0)); // "d"
    EXPECT_EQ(model.SortIndicatorColumn(), -1);
    list.TurnSortingOn();
    EXPECT_EQ(held.row(), 3);
    model.HeaderClicked(0); // the same column: descending
    EXPECT_EQ(model.SortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(held.row(), 0);
    add("e"); // among the shown rows: an insert, not a reset
    QCoreApplication::processEvents();
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(held.row(), 1);
    EXPECT_EQ(held.data().toString(), "d");
    EXPECT_EQ(column(0), (QStringList{"e", "d", "c", "b", "a"}));
    model.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(model.SortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(column(0), (QStringList{"a", "b", "c", "d", "e"}));
    model.HeaderClicked(1);
    model.HeaderClicked(2); // another column: ascending
    model.HeaderClicked(5); // a cluster's Hops column does not sort
    EXPECT_EQ(model.SortIndicatorColumn(), 2);
    EXPECT_EQ(model.SortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(indicators, 5); // every change of the indicator, turning sorting on included
    list.Clear();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
} // namespace corvanth

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
