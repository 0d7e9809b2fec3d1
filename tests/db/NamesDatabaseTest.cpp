#include "NamesDatabase.h"
#include "DatabaseError.h"
#include "LikePattern.h"
#include "SqlDialect.h"
#include "TempFolder.h"
#include "TestBackend.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <tuple>

using namespace corvanth;
using corvanth::test::Backend;
using corvanth::test::TempFolder;

namespace {

struct Row {
    std::string name, stripped, ip, lastVisit, ref;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << "{" << r.name << "|" << r.stripped << "|" << r.ip << "|" << r.lastVisit << "|" << r.ref
              << "}";
}

std::vector<Row> Rows(NamesDatabase& db, const Query& q) {
    std::vector<Row> rows;
    for (Recordset rs = db.OpenRecordset(q); !rs.Eof(); rs.MoveNext())
        rows.push_back({rs.Field("PlayerName").value_or("<null>"),
                        rs.Field("StrippedName").value_or("<null>"), rs.Field("IP").value_or("<null>"),
                        rs.Field("LastVisit").value_or("<null>"), rs.Field("Ref").value_or("<null>")});
    return rows;
}

std::vector<Row> All(NamesDatabase& db) {
    return Rows(db, CustomQuery("SELECT * FROM Names ORDER BY rowid"));
}

// Every row with a name, in name and address order (whatever order the database gives them in).
std::vector<Row> Sorted(NamesDatabase& db) {
    std::vector<Row> rows = Rows(db, AllNamesQuery());
    std::sort(rows.begin(), rows.end(),
              [](const Row& a, const Row& b) { return std::tie(a.name, a.ip) < std::tie(b.name, b.ip); });
    return rows;
}

std::vector<std::string> SortedNames(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// The cases every database must answer alike, run against SQLite and PostgreSQL.
class Backends : public ::testing::TestWithParam<Backend> {
protected:
    TempFolder dir;
    test::BackendLocation where{GetParam(), dir.file("IPLogging.mdb")};
    NamesDatabase db;
    void SetUp() override { db.Open(where.location()); }
};

class Database : public ::testing::Test {
protected:
    TempFolder dir;
    NamesDatabase db;
    void SetUp() override { db.Open(dir.file("IPLogging.mdb")); }

    // A second program working on the same file.
    void otherProgram(const char* sql) {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(dir.file("IPLogging.mdb").c_str(), &other), SQLITE_OK);
        sqlite3_busy_timeout(other, 5000);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(other, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(other);
    }
};

} // namespace

TEST_F(Database, CreatesFileTableAndIndexes) {
    EXPECT_TRUE(dir.exists("IPLogging.mdb"));
    const auto rows = Rows(db, CustomQuery("SELECT name AS PlayerName FROM sqlite_master ORDER BY name"));
    std::vector<std::string> names;
    for (const auto& r : rows)
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Names", "NamesIP", "NamesPlayerNameIP"}));
}

TEST_F(Database, VisitsOfPairs) {
    db.RecordVisit("^1O'Neil", "10.0.0.7", "2004-01-01");
    db.RecordVisit("^1O'Neil", "10.0.0.8", "2004-01-02");   // same name, another address
    db.RecordVisit("Ace", "10.0.0.7", "2004-01-03");        // same address, another name
    db.RecordVisit("^1o'NEIL", "10.0.0.7", "2004-02-01");   // another letter case: the same pair
    db.RecordVisit("^1O'Neil", "10.0.0.7", "2003-12-31\r"); // an older date overwrites a newer one
    db.Commit();
    EXPECT_EQ(All(db),
              (std::vector<Row>{{"^1O\xC3\xB6Neil", "O\xC3\xB6Neil", "10.0.0.7", "2003-12-31\r", "False"},
                                {"^1O\xC3\xB6Neil", "O\xC3\xB6Neil", "10.0.0.8", "2004-01-02", "False"},
                                {"Ace", "Ace", "10.0.0.7", "2004-01-03", "False"}}));
}

INSTANTIATE_TEST_SUITE_P(Both, Backends, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         test::BackendName);

TEST_P(Backends, RefereeMarksOnlyExistingPairs) {
    db.RecordVisit("Ref", "2.2.2.2", "d");
    db.MarkReferee("Ref", "9.9.9.9");
    db.MarkReferee("Nobody", "2.2.2.2");
    EXPECT_EQ(Sorted(db).size(), 1u);
    EXPECT_EQ(Sorted(db)[0].ref, "False");
    db.MarkReferee("ref", "2.2.2.2");
    EXPECT_EQ(Sorted(db)[0].ref, "True");
    EXPECT_EQ(Rows(db, RefereeQuery()).size(), 1u);
    EXPECT_EQ(Rows(db, CustomQuery("SELECT * FROM Names WHERE Ref = Yes;")).size(), 1u);
    EXPECT_EQ(Rows(db, CustomQuery("SELECT * FROM Names WHERE Ref = No;")).size(), 0u);
}

TEST_P(Backends, QuotesAndSemicolonsAreStoredAsText) {
    const std::string ip = "1.2.3.4'; DROP TABLE Names; --";
    const std::string date = "2004-01-01 \"12:00\"';";
    db.RecordVisit("Quote\"d", ip, date);
    db.RecordVisit("Quote\"d", ip, date);
    db.MarkReferee("Quote\"d", ip);
    const auto rows = Sorted(db);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{"Quote\"d", "Quote\"d", ip, date, "True"}));
    EXPECT_EQ(Rows(db, IpSearchQuery(ip)).size(), 1u);
}

TEST_P(Backends, LikeWildcardsThroughSql) {
    for (const char* name : {"Ace", "ace2", "Race", "Bob", "A1", "Ärger", "[x]"})
        db.RecordVisit(name, "1.1.1.1", "d");
    const struct {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {"*ace*", {"Ace", "ace2", "Race"}},
        {"ace", {"Ace"}},
        {"?ce", {"Ace"}},
        {"A#", {"A1"}},
        {"[ab]*", {"Ace", "ace2", "Bob", "A1"}},
        {"[!ab]*", {"Race", "Ärger", "[x]"}},
        {"[a-b]ob", {"Bob"}},
        {"ä*", {"Ärger"}},
        {"[[]x]", {"[x]"}},
        {"*", {"Ace", "ace2", "Race", "Bob", "A1", "Ärger", "[x]"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const auto& r : Rows(db, NameSearchQuery(c.pattern)))
            got.push_back(r.name);
        EXPECT_EQ(SortedNames(got), SortedNames(c.names)) << c.pattern;
        if (GetParam() != Backend::Sqlite) continue; // typed SQL is the database's own
        got.clear();
        const std::string sql =
            std::string("SELECT * FROM Names WHERE StrippedName LIKE '") + c.pattern + "'";
        for (const auto& r : Rows(db, CustomQuery(sql)))
            got.push_back(r.name);
        EXPECT_EQ(got, c.names) << "typed: " << c.pattern;
    }
}

TEST_P(Backends, IpSearchThroughTheIndexGivesTheSameRows) {
    const std::vector<std::string> ips{"10.0.0.7", "10.0.0.70", "10.0.1.7", "11.0.0.7",
                                       "abc",      "ABD",       "fé::1"};
    for (const auto& ip : ips)
        db.RecordVisit("n", ip, "d");
    for (const char* pattern :
         {"10.0.0.7", "10.0.0.*", "10.*", "ab*", "AB*", "*", "1?.0.0.7", "10.0.0.7*", "FÉ*", "[a-b]b[!c]"}) {
        std::vector<std::string> found, matching;
        for (const auto& r : Rows(db, IpSearchQuery(pattern)))
            found.push_back(r.ip);
        for (const auto& ip : ips)
            if (LikePattern(pattern).Matches(ip)) matching.push_back(ip);
        EXPECT_EQ(SortedNames(found), SortedNames(matching)) << pattern;
    }
}

TEST_F(Database, IpLookUpsUseTheIndex) {
    for (const char* pattern : {"10.0.0.7", "10.0.0.*"}) {
        const Query q = IpSearchQuery(pattern);
        Query plan = q;
        plan.sql = "EXPLAIN QUERY PLAN " + q.sql;
        std::string detail;
        for (Recordset rs = db.OpenRecordset(plan); !rs.Eof(); rs.MoveNext())
            detail += rs.Field("detail").value_or("") + ";";
        EXPECT_NE(detail.find("USING INDEX NamesIP"), std::string::npos) << pattern << ": " << detail;
    }
}

TEST_F(Database, FieldsByNameNullsAndMissingColumns) {
    db.RecordVisit("Ace", "1.1.1.1", "d");
    Recordset rs =
        db.OpenRecordset(CustomQuery("SELECT PlayerName, NULL AS IP, Ref, Ref + 0 AS n FROM Names"));
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Field("playername"), "Ace");
    EXPECT_TRUE(rs.HasField("IP"));
    EXPECT_EQ(rs.Field("IP"), std::nullopt);
    EXPECT_FALSE(rs.HasField("LastVisit"));
    EXPECT_EQ(rs.Field("LastVisit"), std::nullopt);
    EXPECT_EQ(rs.Field("Ref"), "False");
    EXPECT_EQ(rs.Field("n"), "0"); // an expression is not a BOOLEAN column
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
}

TEST_P(Backends, BadQueriesThrow) {
    EXPECT_THROW(db.OpenRecordset(CustomQuery("SELEC * FROM Names")), DatabaseError);
    EXPECT_THROW(db.OpenRecordset(CustomQuery("SELECT * FROM Nothing")), DatabaseError);
    EXPECT_THROW(db.OpenRecordset(CustomQuery("")), DatabaseError);
    EXPECT_THROW(db.OpenRecordset(CustomQuery("SELECT 1; SELECT 2")), DatabaseError);
    EXPECT_THROW(db.OpenRecordset(CustomQuery("ROLLBACK")), DatabaseError);
    EXPECT_NO_THROW(db.OpenRecordset(CustomQuery("SELECT * FROM Names WHERE PlayerName LIKE '*';  ")));
}

TEST_P(Backends, DeleteAllRecordsWalksEveryRow) {
    EXPECT_EQ(db.DeleteAllRecords(), 0);
    for (int i = 0; i < 100; ++i)
        db.RecordVisit("N" + std::to_string(i), "1.1.1.1", "d");
    EXPECT_EQ(db.DeleteAllRecords(), 100);
    EXPECT_EQ(db.RowCount(), 0);
    db.RecordVisit("N1", "1.1.1.1", "d"); // the pair cache was emptied with the rows
    EXPECT_EQ(db.RowCount(), 1);
}

TEST_F(Database, AnotherProgramsWritesAreSeenByTheNextVisit) {
    db.RecordVisit("Ace", "1.1.1.1", "d1");
    db.Commit();
    otherProgram("DELETE FROM Names;");
    db.RecordVisit("Ace", "1.1.1.1", "d2");
    db.Commit();
    EXPECT_EQ(All(db), (std::vector<Row>{{"Ace", "Ace", "1.1.1.1", "d2", "False"}}));
    otherProgram("UPDATE Names SET LastVisit = 'other';");
    db.RecordVisit("Ace", "1.1.1.1", "d2"); // the same date again must still be written
    db.Commit();
    EXPECT_EQ(All(db)[0].lastVisit, "d2");
}

TEST_F(Database, OwnStatementsInvalidateTheVisitCache) {
    db.RecordVisit("Ace", "1.1.1.1", "d1");
    db.OpenRecordset(CustomQuery("DELETE FROM Names"));
    db.RecordVisit("Ace", "1.1.1.1", "d1");
    EXPECT_EQ(db.RowCount(), 1);
    db.OpenRecordset(CustomQuery("UPDATE Names SET LastVisit = 'x'"));
    db.RecordVisit("Ace", "1.1.1.1", "d1");
    EXPECT_EQ(All(db)[0].lastVisit, "d1");
}

TEST_F(Database, BatchesBecomeVisibleToOthersWhenCommitted) {
    db.SetCommitInterval(std::chrono::milliseconds(0));
    db.RecordVisit("Ace", "1.1.1.1", "d1");
    // Another program sees nothing until the batch is committed.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("IPLogging.mdb").c_str(), &other), SQLITE_OK);
    auto count = [&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(other, "SELECT count(*) FROM Names", -1, &st, nullptr);
        sqlite3_step(st);
        const int n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return n;
    };
    EXPECT_EQ(count(), 0);
    db.Checkpoint();
    EXPECT_EQ(count(), 1);
    sqlite3_close(other);
}

TEST_P(Backends, CursorsOfAClosedDatabaseReachTheirEnd) {
    for (int i = 0; i < 3; ++i)
        db.RecordVisit("N" + std::to_string(i), "1.1.1.1", "d");
    Recordset rs = db.OpenRecordset(AllNamesQuery());
    ASSERT_FALSE(rs.Eof());
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(db.RecordVisit("x", "y", "z"), DatabaseError);
    NamesDatabase again;
    again.Open(where.location());
    EXPECT_EQ(again.RowCount(), 3); // closing committed the batch
}

TEST(PostgresConnection, ALostConnectionFailsWithItsReasonAndTheNextWriteReconnects) {
    test::PgTestDatabase server;
    NamesDatabase db;
    db.Open(ParseDatabaseLocation(server.location(), {}));
    db.RecordVisit("Ace", "1.1.1.1", "d1");
    db.Commit();
    server.TerminateConnections();
    db.RecordVisit("Bob", "1.1.1.2", "d1");
    try {
        db.Commit();
        ADD_FAILURE() << "the commit did not fail";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("lost the connection to the PostgreSQL server"),
                  std::string::npos)
            << e.what();
    }
    db.RecordVisit("Cid", "1.1.1.3", "d1");
    db.Commit();
    std::vector<std::string> names;
    for (const Row& r : Sorted(db))
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Ace", "Cid"})); // what was committed stays
}

TEST(DatabaseFiles, AFileThatIsNotADatabaseIsRefused) {
    TempFolder dir;
    dir.write("IPLogging.mdb", std::string(4096, 'x'));
    NamesDatabase db;
    try {
        db.Open(dir.file("IPLogging.mdb"));
        FAIL() << "opened a file that is not a database";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("not a database"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(dir.read("IPLogging.mdb"), std::string(4096, 'x'));
}

TEST(SqlDialect, YesAndNoOutsideQuotes) {
    EXPECT_EQ(TranslateQuery("SELECT * FROM Names WHERE Ref = Yes;"), "SELECT * FROM Names WHERE Ref = 1;");
    EXPECT_EQ(TranslateQuery("WHERE Ref=no AND x='Yes' AND \"No\"=1 -- yes\n"),
              "WHERE Ref=0 AND x='Yes' AND \"No\"=1 -- yes\n");
    EXPECT_EQ(TranslateQuery("SELECT [Yes], t.No, Yesterday, /* no */ NO"),
              "SELECT [Yes], t.No, Yesterday, /* no */ 0");
    EXPECT_EQ(TranslateQuery("x = 'it''s yes'"), "x = 'it''s yes'");
}

// Every letter's case is ignored by the pair look-up (visits and referee marks), also on a Names table made
// by another tool without COLLATE NOCASE, both while the whole table fits the visit cache and when pairs
// are looked up one by one.
TEST(DatabaseFiles, PairLookUpIgnoresCaseWhateverTheDeclaredCollation) {
    for (const int fillerRows : {1, 100001}) {
        SCOPED_TRACE(fillerRows);
        TempFolder dir;
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(dir.file("IPLogging.mdb").c_str(), &other), SQLITE_OK);
        const std::string sql =
            "CREATE TABLE Names(PlayerName TEXT, StrippedName TEXT, IP TEXT, LastVisit TEXT, "
            "Ref BOOLEAN NOT NULL DEFAULT 0);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(fillerRows) +
            ") INSERT INTO Names(PlayerName, StrippedName, IP, LastVisit) SELECT 'f' || i, 'f' || i, 'ip', "
            "'d' FROM n;"
            "INSERT INTO Names(PlayerName, StrippedName, IP, LastVisit) VALUES "
            "('Bob', 'Bob', 'host.Example', 'd0'), ('\xC3\x84rger', '\xC3\x84rger', 'host.Example', 'd0');";
        ASSERT_EQ(sqlite3_exec(other, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        NamesDatabase db;
        db.Open(dir.file("IPLogging.mdb"));
        db.RecordVisit("bob", "HOST.example", "d2");
        db.RecordVisit("\xC3\xA4RGER", "HOST.example", "d4"); // äRGER
        db.MarkReferee("BOB", "host.example");
        db.MarkReferee("\xC3\xA4rger", "HOST.EXAMPLE"); // ärger
        db.Commit();
        EXPECT_EQ(Rows(db, CustomQuery("SELECT * FROM Names WHERE LastVisit <> 'd' ORDER BY rowid")),
                  (std::vector<Row>{{"Bob", "Bob", "host.Example", "d2", "True"},
                                    {"\xC3\x84rger", "\xC3\x84rger", "host.Example", "d4", "True"}}));
    }
}

TEST(DatabaseLocations, TextsNameAFileOrAServer) {
    using Kind = DatabaseLocation::Kind;
    const struct {
        std::string text;
        DatabaseLocation expected;
    } cases[] = {
        {"", {Kind::SqliteFile, "/data/IPLogging.mdb"}},
        {"sqlite:", {Kind::SqliteFile, "/data/IPLogging.mdb"}},
        {"sqlite:/srv/names.db", {Kind::SqliteFile, "/srv/names.db"}},
        {"names.db", {Kind::SqliteFile, "names.db"}},
        {"/tmp/a=b.db", {Kind::SqliteFile, "/tmp/a=b.db"}},
        {"postgresql://admin@db.example/corvanth",
         {Kind::PostgreSql, "postgresql://admin@db.example/corvanth"}},
        {"postgres://db.example", {Kind::PostgreSql, "postgres://db.example"}},
        {"host=/tmp dbname=corvanth", {Kind::PostgreSql, "host=/tmp dbname=corvanth"}},
        {" dbname = corvanth", {Kind::PostgreSql, " dbname = corvanth"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDatabaseLocation(c.text, "/data/IPLogging.mdb"), c.expected) << c.text;
}
