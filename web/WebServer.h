#pragma once

#include "AccountFile.h"
#include "AddressRules.h"
#include "AuditLog.h"
#include "DatabaseLocation.h"
#include "DatabasePool.h"
#include "LoginThrottle.h"
#include "Outcome.h"
#include "SearchCache.h"
#include "SessionTable.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace corvanth {

struct WebServerConfig {
    std::string dataFolder;          // holds the accounts file and Audit.log
    DatabaseLocation database;       // what every search reads
    std::string staticFolder;        // the pages, scripts and style sheet
    std::vector<AddressRange> allow; // when not empty, only clients in these ranges are answered
    std::string tlsCert, tlsKey;     // both given: HTTPS
    WebClock clock = [] { return std::chrono::steady_clock::now(); };
};

// The file names in the data folder.
inline constexpr const char* kAccountFileName = "WebAccounts.txt";
inline constexpr const char* kAuditFileName = "Audit.log";
// The memory the search cache holds at most: some ten searches of a quarter of a million rows.
inline constexpr std::size_t kCachedBytes = std::size_t{128} << 20;

// Corvanth Web: the pages and the JSON API over the names database, behind accounts and sessions. The
// requests are served by the HTTP library's worker threads (the listening thread only accepts), each
// search on a database connection of its own (DatabasePool).
class WebServer {
public:
    WebServer(WebServerConfig config, std::ostream& log);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds to `host`:`port` (0: a free port); returns the port, or why it cannot.
    Outcome<int> Bind(const std::string& host, int port);
    // Serves until Stop() (from another thread). False when listening failed.
    bool Run();
    void Stop();

private:
    void Routes();

    WebServerConfig config_;
    std::ostream& log_;
    AccountFile accounts_;
    SessionTable sessions_;
    LoginThrottle throttle_;
    AuditLog audit_;
    DatabasePool pool_;
    SearchCache cache_;
    std::atomic<std::uint64_t> searchRuns_{0};
    // Held by a search whose pattern may find many rows: one at a time, as two would only share the
    // cores and add up their memory, while exact searches go on beside it.
    std::mutex wideSearch_;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace corvanth
