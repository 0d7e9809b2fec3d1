#include "CliContext.h"
#include "SearchTestSupport.h"

#include <QProcess>
#include <QString>
#include <QTextStream>

#include <gtest/gtest.h>

namespace corvanth {
namespace {

using testing::TempDatabase;

// search --cluster through the command's own entry point, over a chain Alpha - 1.1.1.1 - Bravo -
// 2.2.2.2 - Charlie, and Delta, linked only by the range 1.1.1.*.
class ClusterCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, ip] : {std::pair{"Alpha", "1.1.1.1"},
                                       {"Bravo", "1.1.1.1"},
                                       {"Bravo", "2.2.2.2"},
                                       {"Charlie", "2.2.2.2"},
                                       {"Delta", "1.1.1.9"}})
            data.db().RecordVisit(name, ip, "d");
        data.db().Commit();
    }
    int search(QStringList arguments) {
        out.clear();
        err.clear();
        QTextStream outStream(&out), errStream(&err);
        CliContext context(QString::fromStdString(data.path().parent_path().string()), outStream, errStream);
        arguments.prepend("search");
        const int code = RunSearchCommand(context, arguments);
        outStream.flush();
        errStream.flush();
        return code;
    }
    // Runs Graphviz on the last output: the exit code, and its plain rendering.
    std::pair<int, QString> graphviz(const QString& format) {
        QProcess dot;
        dot.start("dot", {"-T" + format});
        dot.write(out.toUtf8());
        dot.closeWriteChannel();
        dot.waitForFinished(30000);
        return {dot.exitStatus() == QProcess::NormalExit ? dot.exitCode() : -1,
                QString::fromUtf8(dot.readAll())};
    }

    TempDatabase data;
    QString out;
    QString err;
};

TEST_F(ClusterCommandTest, HopsAndViaFollowTheUsualColumns) {
    ASSERT_EQ(search({"name", "alpha", "--cluster", "--depth", "2"}), 0) << err.toStdString();
    EXPECT_EQ(out.toStdString(), "Name   StripName  IP       Last Connection  Referee  Hops  Via\n"
                                 "-----  ---------  -------  ---------------  -------  ----  -------\n"
                                 "Alpha  Alpha      1.1.1.1  d                False    0\n"
                                 "Bravo  Bravo      1.1.1.1  d                False    1     1.1.1.1\n"
                                 "Bravo  Bravo      2.2.2.2  d                False    2     Bravo\n"
                                 "Total Matches: 3\n");
    ASSERT_EQ(search({"ip", "2.2.2.2", "--cluster", "--broad", "--depth", "1", "--format", "csv"}), 0);
    EXPECT_EQ(out.toStdString(), "Name,StripName,IP,Last Connection,Referee,Hops,Via\r\n"
                                 "Bravo,Bravo,2.2.2.2,d,False,0,\r\n"
                                 "Charlie,Charlie,2.2.2.2,d,False,0,\r\n"
                                 "Bravo,Bravo,1.1.1.1,d,False,1,Bravo\r\n");
}

TEST_F(ClusterCommandTest, DotDrawsNamesAndAddressesAsNodesAndVisitsAsEdges) {
    const struct {
        QStringList options;
        int nodes;
        int edges;
    } cases[] = {{{}, 5, 4},          // 3 names, 2 addresses; 4 visits
                 {{"--broad"}, 9, 8}, // Delta, 1.1.1.9 and the ranges 1.1.1.* and 2.2.2.* join
                 {{"--same-name", "--depth", "0"}, 3, 2}}; // Alpha, its address, its stripped name
    for (const auto& c : cases) {
        ASSERT_EQ(search(QStringList{"name", "alpha", "--cluster", "--format", "dot"} + c.options), 0);
        EXPECT_EQ(graphviz("svg").first, 0) << out.toStdString();
        const auto [code, plain] = graphviz("plain");
        ASSERT_EQ(code, 0);
        EXPECT_EQ(plain.count("\nnode "), c.nodes) << plain.toStdString();
        EXPECT_EQ(plain.count("\nedge "), c.edges) << plain.toStdString();
    }
    EXPECT_EQ(out.count("fillcolor=gold"), 2); // the start row's name and address
}

TEST_F(ClusterCommandTest, UsageErrors) {
    for (const QStringList& arguments : {QStringList{"name", "x", "--cluster", "--depth", "-1"},
                                         {"name", "x", "--cluster", "--aliases"},
                                         {"date", "x", "--cluster"}}) {
        EXPECT_EQ(search(arguments), static_cast<int>(ExitCode::Usage)) << arguments.join(' ').toStdString();
        EXPECT_FALSE(err.isEmpty());
    }
}

} // namespace
} // namespace corvanth
