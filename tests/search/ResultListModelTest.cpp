#include "ResultListModel.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace corvanth {
namespace {

ResultRow MakeRow(const std::string& name, const std::string& ip) {
    ResultRow row;
    row.Cells = {name, name, ip, "date", "False"};
    return row;
}

// Counts a model's signals and keeps the arguments of rowsInserted.
struct SignalCounter {
    explicit SignalCounter(ResultListModel& model) {
        QObject::connect(
            &model, &QAbstractItemModel::rowsInserted,
            [this](const QModelIndex&, int first, int last) { inserts.emplace_back(first, last); });
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { ++resets; });
        QObject::connect(&model, &ResultListModel::sortIndicatorChanged,
                         [this](int, Qt::SortOrder) { ++indicators; });
    }
    std::vector<std::pair<int, int>> inserts;
    int resets = 0;
    int indicators = 0;
};

QString Cell(const ResultListModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

TEST(ResultListModelTest, HasTheFiveColumnHeaders) {
    ResultList list;
    ResultListModel model(list);
    EXPECT_EQ(model.columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Name", "StripName", "IP", "Last Connection", "Referee"}));
    EXPECT_FALSE(model.headerData(5, Qt::Horizontal).isValid());
}

TEST(ResultListModelTest, AddedRowsAreShownInOneBatch) {
    ResultList list;
    ResultListModel model(list);
    SignalCounter signals_(model);
    for (int i = 0; i < 1000; ++i)
        list.Add(MakeRow("P" + std::to_string(i), "1.1.1.1"));
    EXPECT_EQ(model.rowCount(), 0); // not yet told
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 1000);
    ASSERT_EQ(signals_.inserts.size(), 1u);
    EXPECT_EQ(signals_.inserts[0], std::make_pair(0, 999));
    EXPECT_EQ(signals_.resets, 0);
    EXPECT_EQ(Cell(model, 999, 0), "P999");

    list.Add(MakeRow("late", "2.2.2.2"));
    model.Flush();
    EXPECT_EQ(model.rowCount(), 1001);
    EXPECT_EQ(signals_.inserts.size(), 2u);
}

TEST(ResultListModelTest, ClearingResetsAndSortingMovesTheRows) {
    ResultList list;
    ResultListModel model(list);
    list.Add(MakeRow("b", "2"));
    list.Add(MakeRow("a", "1"));
    model.Flush();
    SignalCounter signals_(model);
    list.TurnSortingOn();
    EXPECT_EQ(signals_.resets, 0);
    EXPECT_EQ(Cell(model, 0, 0), "a");
    list.Clear();
    EXPECT_EQ(signals_.resets, 1);
    EXPECT_EQ(model.rowCount(), 0);
}

// A sort moves the rows, not the view's hold on them: a selected row stays selected.
TEST(ResultListModelTest, ASortKeepsPersistentIndexesOnTheirRows) {
    ResultList list;
    ResultListModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const char* name : {"c", "a", "d", "b"})
        list.Add(MakeRow(name, "1"));
    model.Flush();
    SignalCounter signals_(model);
    const QPersistentModelIndex held(model.index(2, 0)); // "d"
    model.HeaderClicked(1);
    EXPECT_EQ(signals_.resets, 0);
    ASSERT_TRUE(held.isValid());
    EXPECT_EQ(held.row(), 3);
    EXPECT_EQ(held.data().toString(), "d");
    list.Add(MakeRow("a0", "2")); // among the shown rows: an insert, not a reset
    QCoreApplication::processEvents();
    EXPECT_EQ(signals_.resets, 0);
    EXPECT_EQ(held.row(), 4);
    QStringList names;
    for (int r = 0; r < model.rowCount(); ++r)
        names << Cell(model, r, 0);
    EXPECT_EQ(names, (QStringList{"a", "a0", "b", "c", "d"}));
}

TEST(ResultListModelTest, HeaderClicksFollowTheRuleAndMoveTheIndicator) {
    ResultList list;
    ResultListModel model(list);
    list.Add(MakeRow("Crow", "10.0.0.2"));
    list.Add(MakeRow("ace", "10.0.0.10"));
    list.Add(MakeRow("Bolt", "9.0.0.1"));
    model.Flush();
    SignalCounter signals_(model);
    EXPECT_EQ(model.SortIndicatorColumn(), -1);

    const struct {
        int column;
        Qt::SortOrder order;
        const char* first;
    } steps[] = {{2, Qt::AscendingOrder, "10.0.0.10"},
                 {2, Qt::DescendingOrder, "9.0.0.1"},
                 {2, Qt::AscendingOrder, "10.0.0.10"},
                 {0, Qt::AscendingOrder, "ace"}};
    for (const auto& step : steps) {
        model.HeaderClicked(step.column);
        EXPECT_EQ(model.SortIndicatorColumn(), step.column);
        EXPECT_EQ(model.SortIndicatorOrder(), step.order);
        EXPECT_EQ(Cell(model, 0, step.column), step.first);
    }
    EXPECT_EQ(signals_.indicators, 4);
    // A sorting view's call means a header click whatever order it passes.
    model.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(model.SortIndicatorOrder(), Qt::DescendingOrder);
}

} // namespace
} // namespace corvanth

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
