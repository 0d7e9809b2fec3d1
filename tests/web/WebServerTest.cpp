#include "WebServer.h"
#include "CliRunner.h"
#include "LogLines.h"
#include "NamesDatabase.h"
#include "SearchCache.h"
#include "TestBackend.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

using namespace corvanth;
using namespace corvanth::test;

namespace {

const std::string kMarkup = "\"><img src=x onerror=alert(1)>";

// A server on a free loopback port over a names table of a few players, with an admin "ada" and a
// moderator "mo"; its clock is moved by hand.
class WebServerTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        location_ = std::make_unique<BackendLocation>(GetParam(), dir_.file("names.db"));
        const std::string log =
            dir_.write("games.log", InitGame() + Connect(1, "Ace", "1.1.1.1") + Connect(2, "Bob", "1.1.1.1") +
                                        Connect(3, "^1Ace^7Two", "1.1.1.7") + Connect(4, "Ace", "2.2.2.9") +
                                        Connect(5, kMarkup, "3.3.3.3") + Referee("Bob"));
        ASSERT_EQ(
            RunCli({"--data-dir", dir_.path(), "--database", location_->text(), "process", log}).exitCode, 0);
        AccountFile accounts(dir_.file(kAccountFileName));
        ASSERT_TRUE(accounts.Set("ada", "pw-a", Role::Admin, AccountFile::Change::Add));
        ASSERT_TRUE(accounts.Set("mo", "pw-m", Role::Moderator, AccountFile::Change::Add));
        WebServerConfig config{dir_.path(), location_->location(), CORVANTH_WEB_PAGES, {}, {}, {}, [this] {
                                   return std::chrono::steady_clock::time_point{} +
                                          std::chrono::minutes(minutes_);
                               }};
        server_ = std::make_unique<WebServer>(std::move(config), log_);
        const auto port = server_->Bind("127.0.0.1", 0);
        ASSERT_TRUE(port) << port.reason();
        port_ = *port;
        client_ = std::make_unique<httplib::Client>("127.0.0.1", *port);
        thread_ = std::thread([this] { server_->Run(); });
    }
    void TearDown() override {
        if (server_) server_->Stop();
        if (thread_.joinable()) thread_.join();
    }
    // The log-in form's token as the page's script gets it: {field, cookie}.
    std::pair<std::string, std::string> FormToken() {
        const auto res = client_->Get("/login/token");
        const std::string cookie = res ? res->get_header_value("Set-Cookie") : "";
        return {std::regex_replace(res ? res->body : "", std::regex(R"re(\{"csrf":"([0-9a-f]+)"\})re"), "$1"),
                cookie.substr(0, cookie.find(';'))};
    }
    // A log-in as the page sends it, with a fresh form token.
    httplib::Result PostLogin(const std::string& user, const std::string& password) {
        const auto [field, cookie] = FormToken();
        return client_->Post("/login", httplib::Headers{{"Cookie", cookie}},
                             httplib::Params{{"user", user}, {"password", password}, {"csrf", field}});
    }
    // The session cookie of a log-in, or "" when refused (`status` gets the answer's status).
    std::string Login(const std::string& user, const std::string& password, int* status = nullptr) {
        const auto res = PostLogin(user, password);
        if (status) *status = res ? res->status : 0;
        if (!res || res->status != 303) return {};
        const std::string cookie = res->get_header_value("Set-Cookie");
        return cookie.substr(0, cookie.find(';'));
    }
    httplib::Result Get(const std::string& path, const std::string& cookie) {
        return client_->Get(path.c_str(), httplib::Headers{{"Cookie", cookie}});
    }
    std::string Body(const std::string& path, const std::string& cookie, int status = 200) {
        const auto res = Get(path, cookie);
        EXPECT_TRUE(res && res->status == status) << path << " " << (res ? res->status : 0);
        return res ? res->body : "";
    }

    TempFolder dir_;
    std::unique_ptr<BackendLocation> location_;
    std::atomic<int> minutes_{0};
    std::ostringstream log_;
    std::unique_ptr<WebServer> server_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> client_;
    std::thread thread_;
};

const std::vector<std::string> kApiRoutes = {"/api/session",
                                             "/api/search?by=name&q=*",
                                             "/api/search.csv?by=name&q=*",
                                             "/api/player?name=Ace",
                                             "/api/cluster?name=Ace",
                                             "/api/refs",
                                             "/api/who",
                                             "/api/audit"};

// CSV of the web and of corvanth-cli search for the same searches, byte for byte.
TEST_P(WebServerTest, CsvIsWhatTheCommandLinePrints) {
    const std::string cookie = Login("ada", "pw-a");
    const struct {
        std::string query;
        std::vector<std::string> cli;
    } cases[] = {{"by=name&q=*ace*&aliases=1", {"name", "*ace*", "--aliases"}},
                 {"by=name&q=A*&aliases=1&broad=1", {"name", "A*", "--aliases", "--broad"}},
                 {"by=ip&q=1.1.*", {"ip", "1.1.*"}},
                 {"by=name&q=nobody", {"name", "nobody"}}};
    for (const auto& c : cases) {
        std::vector<std::string> args{"--data-dir", dir_.path(), "--database", location_->text(), "search"};
        args.insert(args.end(), c.cli.begin(), c.cli.end());
        args.insert(args.end(), {"--format", "csv"});
        const CliResult cli = RunCli(args);
        ASSERT_EQ(cli.exitCode, 0) << cli.err;
        EXPECT_EQ(Body("/api/search.csv?" + c.query, cookie), cli.out) << c.query;
    }
}

// A log-in needs the form's token in its field and its cookie (HttpOnly, only for /login, short-lived).
// Without a session every route refuses; after log-out the session's cookie opens nothing.
TEST_P(WebServerTest, EveryRouteRefusesWithoutSession) {
    const auto page = Get("/login", "");
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find(R"(<input type="hidden" name="csrf">)"), std::string::npos);
    EXPECT_NE(Body("/static/login.js", "").find("/login/token"), std::string::npos);
    const std::string tokenCookie = client_->Get("/login/token")->get_header_value("Set-Cookie");
    EXPECT_TRUE(std::regex_match(
        tokenCookie,
        std::regex("corvanth_login=[0-9a-f]{64}; Path=/login; Max-Age=600; HttpOnly; SameSite=Strict")))
        << tokenCookie;
    const auto [field, formCookie] = FormToken();
    const std::string other = FormToken().first;
    ASSERT_EQ(field.size(), 64u);
    ASSERT_NE(field, other);
    for (const auto& [sentCookie, sentField, status] :
         std::vector<std::tuple<std::string, std::string, int>>{{"", "", 403},
                                                                {"", field, 403},
                                                                {formCookie, "", 403},
                                                                {formCookie, other, 403},
                                                                {"corvanth_login=", "", 403},
                                                                {formCookie, field, 303}}) {
        const auto res =
            client_->Post("/login", httplib::Headers{{"Cookie", sentCookie}},
                          httplib::Params{{"user", "ada"}, {"password", "pw-a"}, {"csrf", sentField}});
        EXPECT_EQ(res->status, status) << sentCookie << " / " << sentField;
    }
    const std::string cookie = Login("ada", "pw-a");
    const std::string csrf =
        std::regex_replace(Body("/api/session", cookie), std::regex(".*\"csrf\":\"([0-9a-f]+)\".*"), "$1");
    EXPECT_EQ(client_->Post("/logout", httplib::Headers{{"Cookie", cookie}}, httplib::Params{})->status, 403);
    EXPECT_EQ(client_->Post("/logout", httplib::Headers{{"Cookie", cookie}}, httplib::Params{{"csrf", csrf}})
                  ->status,
              303);
    for (const std::string& session : {std::string(), cookie, std::string("corvanth_session=0123")}) {
        for (const std::string& path : kApiRoutes)
            EXPECT_EQ(Get(path, session)->status, 401) << path;
        for (const char* path :
             {"/", "/now", "/search", "/player", "/cluster", "/refs", "/admin", "/static/search.js"}) {
            const auto res = Get(path, session);
            EXPECT_EQ(res->status, 303) << path;
            EXPECT_EQ(res->get_header_value("Location"), "/login");
        }
        EXPECT_EQ(client_->Post("/logout", httplib::Headers{{"Cookie", session}}, httplib::Params{})->status,
                  401);
    }
}

// An admin sees addresses; a moderator sees every address masked, may not search wide address
// patterns nor read the audit trail, which records both accounts' searches.
TEST_P(WebServerTest, RolesDecideWhatAddressesShow) {
    const std::string admin = Login("ada", "pw-a"), moderator = Login("mo", "pw-m");
    const std::regex fullAddress(R"(\d+\.\d+\.\d+\.\d+)");
    EXPECT_NE(Body("/api/player?name=Ace", admin).find("\"IP\":\"1.1.1.1\""), std::string::npos);
    for (const char* path :
         {"/api/search?by=name&q=*&aliases=1", "/api/search.csv?by=name&q=*", "/api/search?by=ip&q=1.1.1.*",
          "/api/player?name=Ace", "/api/cluster?name=Ace&depth=3&broad=1",
          "/api/cluster.svg?name=Ace&depth=3&broad=1", "/api/refs"}) {
        const std::string body = Body(path, moderator);
        EXPECT_FALSE(std::regex_search(body, fullAddress)) << path << ": " << body;
        EXPECT_NE(body.find("1.1.1.x"), std::string::npos) << path << ": " << body;
    }
    Body("/api/search?by=ip&q=1.*", moderator, 403);
    Body("/api/cluster?ip=*.1.1.1", moderator, 403);
    Body("/api/audit", moderator, 403);
    const std::string audit = Body("/api/audit", admin);
    EXPECT_NE(audit.find("account=mo client=127.0.0.1 search name \\\"*\\\" aliases=1 broad=0 rows=5"),
              std::string::npos)
        << audit;
    EXPECT_NE(log_.str().find("account=ada client=127.0.0.1 player \"Ace\" rows=3"), std::string::npos)
        << log_.str();
    struct stat file {};
    ASSERT_EQ(stat(dir_.file(kAuditFileName).c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 0027, 0u);
}

// Now playing is what corvanth-cli who --format json prints, with every address masked for a moderator;
// before any follower has published, both list no server.
TEST_P(WebServerTest, NowPlayingIsWhatWhoPrints) {
    const std::vector<std::string> who = {"--data-dir", dir_.path(), "--database", location_->text(),
                                          "who",        "--format",  "json"};
    const CliResult none = RunCli(who);
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "[]\n");
    EXPECT_EQ(Body("/api/who", Login("mo", "pw-m")), none.out);
    {
        NamesDatabase db;
        db.Open(location_->location());
        const OnlineSlot players[] = {{1, "Ace", "1.1.1.1"}, {5, kMarkup, "3.3.3.3"}};
        db.PublishOnline({"/srv/a.log", "^1Red", std::time(nullptr), ServerFollowed::Yes}, players);
        db.Commit();
    }
    const CliResult cli = RunCli(who);
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    ASSERT_NE(cli.out.find("\"IP\": \"1.1.1.1\""), std::string::npos) << cli.out;
    EXPECT_EQ(PostLogin("ada", "pw-a")->get_header_value("Location"), "/now"); // the first page after log-in
    EXPECT_EQ(Body("/api/who", Login("ada", "pw-a")), cli.out);
    EXPECT_EQ(Body("/api/who", Login("mo", "pw-m")),
              std::regex_replace(cli.out, std::regex(R"((\d+\.\d+\.\d+)\.\d+)"), "$1.x"));
}

// Rows as JSON pages, sorted on request; a name with markup comes back as a JSON text, with a policy
// that forbids inline script on every answer.
TEST_P(WebServerTest, SearchPagesSortsAndKeepsMarkupAsText) {
    const std::string cookie = Login("ada", "pw-a");
    EXPECT_EQ(
        Body("/api/search?by=name&q=Ace&sort=2&order=desc", cookie),
        R"({"total":2,"page":1,"rows":[{"Name":"Ace","StripName":"Ace","IP":"2.2.2.9","LastConnection":"d","Referee":false},)"
        R"({"Name":"Ace","StripName":"Ace","IP":"1.1.1.1","LastConnection":"d","Referee":false}]})");
    EXPECT_EQ(Body("/api/search?by=name&q=Ace&page=2", cookie), R"({"total":2,"page":2,"rows":[]})");
    const auto res = Get("/api/search?by=ip&q=3.3.3.3", cookie);
    EXPECT_NE(res->body.find(R"("Name":"\"><img src=x onerror=alert(1)>")"), std::string::npos) << res->body;
    EXPECT_EQ(res->get_header_value("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(res->get_header_value("Cache-Control"), "no-store");
    EXPECT_NE(res->get_header_value("Content-Security-Policy").find("script-src 'self'"), std::string::npos);
}

// A search whose client has gone (here: it closed its side as it sent the request, both in one segment)
// stops, with a line in the log (the library sends such a client no answer), and is not kept: the same
// search for a client still there lists its rows.
TEST_P(WebServerTest, SearchStopsWhenItsClientGoesAway) {
    const std::string cookie = Login("ada", "pw-a");
    const std::string request =
        "GET /api/search?by=name&q=*&aliases=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookie + "\r\n\r\n";
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* f) { ::close(*f), delete f; });
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port_));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int cork = 1; // the request waits for the shutdown, which sends it with the end of the stream
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
    ASSERT_EQ(::setsockopt(fd, IPPROTO_TCP, TCP_CORK, &cork, sizeof cork), 0);
    ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    ASSERT_EQ(::shutdown(fd, SHUT_WR), 0);
    std::string reply;
    char buffer[4096];
    for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(got));
    EXPECT_EQ(reply, "");
    EXPECT_NE(Body("/api/search?by=name&q=*&aliases=1", cookie).find("{\"total\":5,"), std::string::npos);
    server_->Stop(); // the workers are joined: their lines are all in the log
    thread_.join();
    EXPECT_NE(log_.str().find("search stopped: client=127.0.0.1 went away\n"), std::string::npos)
        << log_.str();
}

// Five failures in ten minutes refuse the address for ten minutes, the right password too; a session
// idle for 12 hours is gone.
TEST_P(WebServerTest, LoginFailuresAreThrottled) {
    int status = 0;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Login("ada", "wrong", &status), "");
        EXPECT_EQ(status, 401);
    }
    EXPECT_EQ(Login("ada", "pw-a", &status), "");
    EXPECT_EQ(status, 429);
    minutes_ = 10;
    const std::string cookie = Login("ada", "pw-a", &status);
    EXPECT_EQ(status, 303);
    minutes_ += 12 * 60 + 1; // idle for more than 12 hours: the session is gone
    Body("/api/session", cookie, 401);
}

INSTANTIATE_TEST_SUITE_P(Backends, WebServerTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

} // namespace

// A throw-away self-signed certificate for 127.0.0.1 and its key, as PEM files.
void WriteSelfSignedCertificate(const std::string& certFile, const std::string& keyFile) {
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    const std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    ASSERT_TRUE(key && cert);
    X509_NAME* name = X509_get_subject_name(cert.get());
    ASSERT_TRUE(X509_set_version(cert.get(), 2) && ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1) &&
                X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60) &&
                X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600) &&
                X509_set_pubkey(cert.get(), key.get()) &&
                X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                           reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0) &&
                X509_set_issuer_name(cert.get(), name) && X509_sign(cert.get(), key.get(), EVP_sha256()));
    const std::unique_ptr<BIO, decltype(&BIO_free)> certOut(BIO_new_file(certFile.c_str(), "w"), BIO_free),
        keyOut(BIO_new_file(keyFile.c_str(), "w"), BIO_free);
    ASSERT_TRUE(certOut && keyOut && PEM_write_bio_X509(certOut.get(), cert.get()) &&
                PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr));
}

// With --tls-cert and --tls-key the server speaks HTTPS only: a log-in over it (the certificate checked
// against itself) gets its cookies marked Secure, and plain HTTP to the port gets no page.
TEST(WebServerTls, ServesHttpsWithSecureCookies) {
    TempFolder dir;
    const std::string cert = dir.file("cert.pem"), key = dir.file("key.pem");
    WriteSelfSignedCertificate(cert, key);
    ASSERT_TRUE(
        AccountFile(dir.file(kAccountFileName)).Set("ada", "pw-a", Role::Admin, AccountFile::Change::Add));
    std::ostringstream log;
    WebServer server(WebServerConfig{dir.path(),
                                     BackendLocation(Backend::Sqlite, dir.file("names.db")).location(),
                                     CORVANTH_WEB_PAGES,
                                     {},
                                     cert,
                                     key},
                     log);
    const auto port = server.Bind("127.0.0.1", 0);
    ASSERT_TRUE(port) << port.reason();
    std::thread serving([&server] { server.Run(); });
    httplib::SSLClient https("127.0.0.1", *port);
    https.set_ca_cert_path(cert.c_str());
    https.enable_server_certificate_verification(true);
    const auto token = https.Get("/login/token");
    ASSERT_TRUE(token) << httplib::to_string(token.error());
    const std::string formCookie = token->get_header_value("Set-Cookie");
    EXPECT_NE(formCookie.find("; HttpOnly; SameSite=Strict; Secure"), std::string::npos) << formCookie;
    const auto login = https.Post(
        "/login", httplib::Headers{{"Cookie", formCookie.substr(0, formCookie.find(';'))}},
        httplib::Params{
            {"user", "ada"},
            {"password", "pw-a"},
            {"csrf", std::regex_replace(token->body, std::regex(R"re(\{"csrf":"(.*)"\})re"), "$1")}});
    ASSERT_TRUE(login && login->status == 303);
    const std::string session = login->get_header_value("Set-Cookie");
    EXPECT_TRUE(std::regex_match(session, std::regex("corvanth_session=[0-9a-f]{64}; Path=/; HttpOnly; "
                                                     "SameSite=Strict; Secure")))
        << session;
    const auto account =
        https.Get("/api/session", httplib::Headers{{"Cookie", session.substr(0, session.find(';'))}});
    EXPECT_TRUE(account && account->status == 200 &&
                account->body.find("\"account\":\"ada\"") != std::string::npos);
    const auto plain = httplib::Client("127.0.0.1", *port).Get("/login");
    EXPECT_FALSE(plain) << plain->status << " " << plain->body;
    server.Stop();
    serving.join();
}

// A result is made once while fresh, made again by the first caller once half its lifetime has passed
// (a failed renewal keeps the old one), and made again once expired; failures are not kept, and the
// least recently used result goes when two do not fit in the budget.
TEST(SearchCache, KeepsFreshResultsWithinTheBudget) {
    int seconds = 0, runs = 0;
    auto rows = [&](std::size_t count, bool fail = false) {
        return [&runs, count, fail] {
            ++runs;
            ResultList list;
            for (std::size_t i = 0; i < count; ++i)
                list.Add(ResultRow{std::to_string(i), {}});
            WebSearchResult result{PackedResult(list), {}, static_cast<std::uint64_t>(runs)};
            if (fail) result.outcome.failure = "failed";
            return result;
        };
    };
    SearchCache cache(rows(2)().rows.Bytes() + rows(3)().rows.Bytes() - 1, std::chrono::seconds(60), [&] {
        return std::chrono::steady_clock::time_point{} + std::chrono::seconds(seconds);
    });
    runs = 0;
    const struct {
        std::string key;
        std::size_t rows;
        bool fail;
        int seconds;
        int runsAfter;
        int madeBy; // the run whose result the caller gets
    } steps[] = {{"a", 2, false, 0, 1, 1},   {"a", 2, false, 20, 1, 1},  {"a", 2, false, 31, 2, 2},
                 {"a", 2, false, 50, 2, 2},  {"a", 2, false, 200, 3, 3}, {"b", 3, false, 200, 4, 4},
                 {"b", 3, false, 200, 4, 4}, {"a", 2, false, 200, 5, 5}, {"c", 1, true, 200, 6, 6},
                 {"c", 1, true, 200, 7, 7},  {"a", 2, false, 200, 7, 5}, {"a", 2, true, 240, 8, 8},
                 {"a", 2, false, 241, 9, 9}, {"a", 2, false, 242, 9, 9}};
    for (const auto& step : steps) {
        seconds = step.seconds;
        const auto result = cache.Get(step.key, rows(step.rows, step.fail));
        EXPECT_EQ(result->rows.Count(), step.rows);
        EXPECT_EQ(runs, step.runsAfter) << step.key << " at second " << step.seconds;
        EXPECT_EQ(result->run, static_cast<std::uint64_t>(step.madeBy)) << step.key << " at " << step.seconds;
    }
}

// Masks, the moderator's address rule, --allow ranges and what counts as loopback.
TEST(AddressRules, MaskRangesAndLoopback) {
    for (const auto& [address, masked] : std::vector<std::pair<std::string, std::string>>{
             {"81.3.1.7", "81.3.1.x"}, {"", ""}, {"::1", "x"}, {"1.2.3", "x"}})
        EXPECT_EQ(MaskAddress(address), masked) << address;
    for (const auto& [pattern, allowed] : std::vector<std::pair<std::string, bool>>{{"81.3.*", true},
                                                                                    {"81.3.1.7", true},
                                                                                    {"81.*", false},
                                                                                    {"8?.3.1.1", false},
                                                                                    {"*.3.1.7", false},
                                                                                    {"1234.5.6.7", false}})
        EXPECT_EQ(NamesTwoOctets(pattern), allowed) << pattern;
    const struct {
        std::string range, address;
        bool inside;
    } ranges[] = {{"10.0.0.0/8", "10.200.1.1", true},      {"10.0.0.0/8", "11.0.0.1", false},
                  {"10.0.0.0/8", "::ffff:10.1.2.3", true}, {"192.168.1.5", "192.168.1.5", true},
                  {"192.168.1.5", "192.168.1.6", false},   {"fd00::/8", "fd12::1", true},
                  {"fd00::/8", "10.0.0.1", false}};
    for (const auto& r : ranges)
        EXPECT_EQ(AddressRange::Parse(r.range)->Contains(r.address), r.inside) << r.range << " " << r.address;
    for (const char* bad : {"10.0.0.0/33", "10.0.0/8", "x", "::1/129"})
        EXPECT_FALSE(AddressRange::Parse(bad)) << bad;
    for (const auto& [host, loopback] : std::vector<std::pair<std::string, bool>>{{"127.0.0.1", true},
                                                                                  {"127.8.0.1", true},
                                                                                  {"::1", true},
                                                                                  {"localhost", true},
                                                                                  {"0.0.0.0", false},
                                                                                  {"::", false}})
        EXPECT_EQ(IsLoopbackHost(host), loopback) << host;
}
