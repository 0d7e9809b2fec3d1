#include "CliContext.h"
#include "ResultFormat.h"
#include "SearchTestSupport.h"

#include <QCoreApplication>
#include <QString>
#include <QTextStream>

#include <gtest/gtest.h>

namespace corvanth {
namespace {

using testing::TempDatabase;

// The command line over a database in a temporary folder, with both output streams captured.
class SearchCommandsTest : public ::testing::TestWithParam<test::Backend> {
protected:
    SearchCommandsTest() : data(GetParam()) {
        NamesDatabase& db = data.db();
        db.RecordVisit("^1O'Neil", "10.0.0.7", "01/02/2003 04:05:06\r");
        db.RecordVisit("Bolt, \"the\" one", "10.0.0.7", "d2");
        db.RecordVisit("Crow", "10.0.0.9", "d3");
        db.RecordVisit("Face", "11.0.0.1", "d4");
        db.MarkReferee("Crow", "10.0.0.9");
        db.Commit();
        data.db().Close(); // the command opens its own connection, as the program does
    }

    int run(int (*command)(CliContext&, const QStringList&), QStringList arguments) {
        out.clear();
        err.clear();
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CliContext context(QString::fromStdString(data.path().parent_path().string()), outStream, errStream,
                           QString::fromStdString(data.location()));
        const int code = command(context, arguments);
        outStream.flush();
        errStream.flush();
        return code;
    }

    TempDatabase data;
    QString out;
    QString err;
};

INSTANTIATE_TEST_SUITE_P(Backends, SearchCommandsTest,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         test::BackendName);

TEST_P(SearchCommandsTest, BroadAliasesAsJson) {
    ASSERT_EQ(run(RunSearchCommand, {"search", "name", "crow", "--aliases", "--broad", "--format", "json"}),
              0);
    EXPECT_EQ(
        out.toStdString(),
        "[\n"
        "  {\"Name\": \"^1O'Neil\", \"StripName\": \"O'Neil\", \"IP\": \"10.0.0.7\", \"Last Connection\": "
        "\"01/02/2003 04:05:06\\r\", \"Referee\": \"False\"},\n"
        "  {\"Name\": \"Bolt, \\\"the\\\" one\", \"StripName\": \"Bolt, \\\"the\\\" one\", \"IP\": "
        "\"10.0.0.7\", "
        "\"Last Connection\": \"d2\", \"Referee\": \"False\"},\n"
        "  {\"Name\": \"Crow\", \"StripName\": \"Crow\", \"IP\": \"10.0.0.9\", \"Last Connection\": \"d3\", "
        "\"Referee\": \"True\"}\n"
        "]\n");
}

TEST_P(SearchCommandsTest, AddressSearchAsTable) {
    ASSERT_EQ(run(RunSearchCommand, {"search", "ip", "10.0.0.9"}), 0);
    EXPECT_EQ(out.toStdString(), "Name  StripName  IP        Last Connection  Referee\n"
                                 "----  ---------  --------  ---------------  -------\n"
                                 "Crow  Crow       10.0.0.9  d3               True\n"
                                 "Total Matches: 1\n");
}

TEST_P(SearchCommandsTest, NothingFoundShowsThePlaceholderOnlyInATable) {
    ASSERT_EQ(run(RunSearchCommand, {"search", "name", "nobody"}), 0);
    EXPECT_NE(out.indexOf("No matches to your query"), -1);
    EXPECT_TRUE(out.endsWith("Total Matches: 0\n"));
    ASSERT_EQ(run(RunSearchCommand, {"search", "name", "nobody", "--format", "json"}), 0);
    EXPECT_EQ(out, "[]\n");
}

TEST_P(SearchCommandsTest, RefereeList) {
    ASSERT_EQ(run(RunRefsCommand, {"refs", "--format", "csv"}), 0);
    EXPECT_EQ(out.toStdString(),
              "Name,StripName,IP,Last Connection,Referee\r\nCrow,Crow,10.0.0.9,d3,True\r\n");
}

TEST_P(SearchCommandsTest, ABadQueryPrintsOnlyItsError) {
    for (const char* format : {"table", "csv", "json"}) {
        EXPECT_EQ(run(RunQueryCommand, {"query", "SELEKT * FROM Names", "--format", format}),
                  static_cast<int>(ExitCode::DataError));
        EXPECT_TRUE(out.isEmpty()) << format << ": " << out.toStdString();
        EXPECT_TRUE(err.startsWith("corvanth-cli query: ")) << err.toStdString();
        EXPECT_NE(err.indexOf("syntax error"), -1) << err.toStdString();
    }
}

TEST_P(SearchCommandsTest, UsageErrors) {
    for (const QStringList& arguments : {QStringList{"search", "name", "x", "--broad"},
                                         {"search", "ip", "1.2.3.4", "--aliases"},
                                         {"search", "date", "x"},
                                         {"search", "name"},
                                         {"search", "name", ""},
                                         {"search", "name", "x", "--format", "xml"},
                                         {"search", "name", "x", "--fast"}}) {
        EXPECT_EQ(run(RunSearchCommand, arguments), static_cast<int>(ExitCode::Usage))
            << arguments.join(' ').toStdString();
        EXPECT_TRUE(out.isEmpty());
        EXPECT_FALSE(err.isEmpty());
    }
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
