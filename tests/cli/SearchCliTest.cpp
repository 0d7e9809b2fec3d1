// The command line's search, refs, query and cluster output, through the program itself.
#include "CliContext.h"
#include "CliRunner.h"
#include "ResultFormat.h"
#include "TestBackend.h"

#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <tuple>

namespace corvanth {
namespace {

// corvanth-cli over a names table in a temporary folder (or on the test server), with both output
// streams kept.
class Commands {
protected:
    explicit Commands(test::Backend backend) : where(backend, dir.file("IPLogging.mdb")) {
        db.Open(where.location());
    }
    int run(const QStringList& arguments) {
        db.Close(); // the program opens its own connection
        std::vector<std::string> args{"--data-dir", dir.path(), "--database", where.text()};
        for (const QString& a : arguments)
            args.push_back(a.toStdString());
        const test::CliResult r = test::RunCli(args);
        out = QString::fromStdString(r.out);
        err = QString::fromStdString(r.err);
        return r.exitCode;
    }

    test::TempFolder dir;
    test::BackendLocation where;
    NamesDatabase db;
    QString out;
    QString err;
};

class SearchCommandsTest : public ::testing::TestWithParam<test::Backend>, public Commands {
protected:
    SearchCommandsTest() : Commands(GetParam()) {
        db.RecordVisit("^1O'Neil", "10.0.0.7", "01/02/2003 04:05:06\r");
        db.RecordVisit("Bolt, \"the\" one", "10.0.0.7", "d2");
        db.RecordVisit("Crow", "10.0.0.9", "d3");
        db.RecordVisit("Face", "11.0.0.1", "d4");
        db.MarkReferee("Crow", "10.0.0.9");
    }
};

INSTANTIATE_TEST_SUITE_P(Backends, SearchCommandsTest,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         test::BackendName);

TEST_P(SearchCommandsTest, OutputFormats) {
    const struct {
        QStringList arguments;
        const char* out;
    } cases[] = {
        // JSON types: a referee mark is a boolean, and null where the row has none (quoting: ResultFormat).
        {{"query", "SELECT PlayerName, StrippedName, IP, LastVisit FROM Names WHERE IP = '11.0.0.1'",
          "--format", "json"},
         "[\n  {\"Name\": \"Face\", \"StripName\": \"Face\", \"IP\": \"11.0.0.1\", \"Last Connection\": "
         "\"d4\", \"Referee\": null}\n]\n"},
        {{"refs", "--format", "json"},
         "[\n  {\"Name\": \"Crow\", \"StripName\": \"Crow\", \"IP\": \"10.0.0.9\", \"Last Connection\": "
         "\"d3\", \"Referee\": true}\n]\n"},
        {{"search", "ip", "10.0.0.9"},
         "Name  StripName  IP        Last Connection  Referee\n"
         "----  ---------  --------  ---------------  -------\n"
         "Crow  Crow       10.0.0.9  d3               True\n"
         "Total Matches: 1\n"},
        {{"search", "name", "nobody", "--format", "json"}, "[]\n"}, // the placeholder only in a table
    };
    for (const auto& c : cases) {
        ASSERT_EQ(run(c.arguments), 0) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(out.toStdString(), c.out);
    }
    ASSERT_EQ(run({"search", "name", "nobody"}), 0);
    EXPECT_NE(out.indexOf("No matches to your query"), -1);
    EXPECT_TRUE(out.endsWith("Total Matches: 0\n"));
}

TEST_P(SearchCommandsTest, ABadQueryPrintsOnlyItsError) {
    for (const char* format : {"table", "csv", "json"}) {
        EXPECT_EQ(run({"query", "SELEKT * FROM Names", "--format", format}),
                  static_cast<int>(ExitCode::DataError));
        EXPECT_TRUE(out.isEmpty()) << format << ": " << out.toStdString();
        EXPECT_TRUE(err.startsWith("corvanth-cli query: ")) << err.toStdString();
        EXPECT_NE(err.indexOf("syntax error"), -1) << err.toStdString();
    }
}

// search guid lists the Names rows of the pairs seen with a GUID, and a cluster follows GUIDs only when
// asked to. (What an Urban Terror log records: UrtRulesTest.)
TEST_P(SearchCommandsTest, GuidSearchesAndGuidLinks) {
    for (const auto& [name, ip, guid] :
         {std::tuple{"^2Bob", "12.0.0.1", "AAAA"}, std::tuple{"Ann", "13.0.0.1", "aaaa"},
          std::tuple{"Cy", "14.0.0.1", "BBBB"}}) {
        db.RecordVisit(name, ip, "d");
        db.RecordGuid(guid, name, ip, "d");
    }
    const struct {
        QStringList arguments;
        std::string out;
    } cases[] = {
        {{"search", "guid", "aaaa", "--format", "csv"},
         "Name,StripName,IP,Last "
         "Connection,Referee\r\n^2Bob,Bob,12.0.0.1,d,False\r\nAnn,Ann,13.0.0.1,d,False\r\n"},
        {{"search", "name", "ann", "--cluster", "--format", "csv"},
         "Name,StripName,IP,Last Connection,Referee,Hops,Via\r\nAnn,Ann,13.0.0.1,d,False,0,\r\n"},
        {{"search", "name", "ann", "--cluster", "--same-guid", "--format", "csv"},
         "Name,StripName,IP,Last Connection,Referee,Hops,Via\r\nAnn,Ann,13.0.0.1,d,False,0,\r\n"
         "^2Bob,Bob,12.0.0.1,d,False,1,aaaa\r\n"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(run(c.arguments), 0) << c.arguments.join(' ').toStdString() << err.toStdString();
        EXPECT_EQ(out.toStdString(), c.out) << c.arguments.join(' ').toStdString();
    }
}

// search --cluster over a chain Alpha - 1.1.1.1 - Bravo -
// 2.2.2.2 - Charlie, and Delta, linked only by the range 1.1.1.*.
class ClusterCommandTest : public ::testing::Test, public Commands {
protected:
    ClusterCommandTest() : Commands(test::Backend::Sqlite) {
        for (const auto& [name, ip] : {std::pair{"Alpha", "1.1.1.1"},
                                       {"Bravo", "1.1.1.1"},
                                       {"Bravo", "2.2.2.2"},
                                       {"Charlie", "2.2.2.2"},
                                       {"Delta", "1.1.1.9"}})
            db.RecordVisit(name, ip, "d");
    }
    int search(const QStringList& arguments) { return run(QStringList{"search"} + arguments); }
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
};

TEST_F(ClusterCommandTest, HopsAndViaFollowTheUsualColumns) {
    ASSERT_EQ(search({"name", "alpha", "--cluster", "--depth", "2"}), 0) << err.toStdString();
    EXPECT_EQ(out.toStdString(), "Name   StripName  IP       Last Connection  Referee  Hops  Via\n"
                                 "-----  ---------  -------  ---------------  -------  ----  -------\n"
                                 "Alpha  Alpha      1.1.1.1  d                False    0\n"
                                 "Bravo  Bravo      1.1.1.1  d                False    1     1.1.1.1\n"
                                 "Bravo  Bravo      2.2.2.2  d                False    2     Bravo\n"
                                 "Total Matches: 3\n");
    // In JSON, Hops is a number and a start row's Via is null.
    ASSERT_EQ(search({"name", "alpha", "--cluster", "--depth", "1", "--format", "json"}), 0);
    EXPECT_EQ(
        out.toStdString(),
        "[\n  {\"Name\": \"Alpha\", \"StripName\": \"Alpha\", \"IP\": \"1.1.1.1\", \"Last Connection\": "
        "\"d\", \"Referee\": false, \"Hops\": 0, \"Via\": null},\n"
        "  {\"Name\": \"Bravo\", \"StripName\": \"Bravo\", \"IP\": \"1.1.1.1\", \"Last Connection\": \"d\", "
        "\"Referee\": false, \"Hops\": 1, \"Via\": \"1.1.1.1\"}\n]\n");
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
        const auto [code, plain] = graphviz("plain");
        ASSERT_EQ(code, 0);
        EXPECT_EQ(plain.count("\nnode "), c.nodes) << plain.toStdString();
        EXPECT_EQ(plain.count("\nedge "), c.edges) << plain.toStdString();
    }
    EXPECT_EQ(out.count("fillcolor=gold"), 2); // the start row's name and address
}

TEST(ResultFormat, FieldsAreQuotedAsTheFormatsRequire) {
    const struct {
        QString text, csv, json;
    } cases[] = {{"plain", "plain", "\"plain\""},
                 {"", "", "\"\""},
                 {"a,b", "\"a,b\"", "\"a,b\""},
                 {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \\\"hi\\\"\""},
                 {"line\r\n", "\"line\r\n\"", "\"line\\r\\n\""},
                 {"back\\slash\t", "back\\slash\t", "\"back\\\\slash\\t\""},
                 {QString(QChar(1)), QString(QChar(1)), "\"\\u0001\""},
                 {"O'Neil \u00e9", "O'Neil \u00e9", "\"O'Neil \u00e9\""}};
    for (const auto& c : cases) {
        EXPECT_EQ(CsvField(c.text), c.csv);
        EXPECT_EQ(JsonString(c.text), c.json);
    }
}

} // namespace
} // namespace corvanth
