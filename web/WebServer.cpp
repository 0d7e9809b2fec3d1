#include "WebServer.h"

#include "ClientWatch.h"
#include "DatabaseError.h"
#include "GraphDrawing.h"
#include "LikePattern.h"
#include "NameText.h"
#include "ResultFormat.h"
#include "WebPostHost.h"
#include "WebSearch.h"
#include "WhoJson.h"

#include <httplib.h>

#include <QString>

#include <algorithm>
#include <array>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <utility>

namespace corvanth {
namespace {

constexpr const char* kCookie = "corvanth_session";
// The log-in form's token, also sent as this cookie: a log-in whose field and cookie differ did not come
// from the log-in page (a form on another site cannot read or set the cookie).
constexpr const char* kLoginCookie = "corvanth_login";
constexpr const char* kLoginTokenPath = "/login/token";
constexpr int kLoginTokenSeconds = 600;
constexpr const char* kJson = "application/json; charset=utf-8";
// No inline script or style anywhere; every script and style sheet is a file of the server's own.
constexpr const char* kPolicy = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                                "connect-src 'self'; object-src 'self'; form-action 'self'; base-uri 'none'; "
                                "frame-ancestors 'none'";

// The files the server hands out, by path: the file in the static folder, its type, and whether the
// login page needs it (served without a session).
struct StaticFile {
    const char* path;
    const char* file;
    const char* type;
    bool beforeLogin;
};
constexpr std::array kStaticFiles = {
    StaticFile{"/login", "login.html", "text/html; charset=utf-8", true},
    StaticFile{"/static/style.css", "style.css", "text/css; charset=utf-8", true},
    StaticFile{"/static/login.js", "login.js", "text/javascript; charset=utf-8", true},
    StaticFile{"/", "now.html", "text/html; charset=utf-8", false},
    StaticFile{"/now", "now.html", "text/html; charset=utf-8", false},
    StaticFile{"/search", "search.html", "text/html; charset=utf-8", false},
    StaticFile{"/player", "player.html", "text/html; charset=utf-8", false},
    StaticFile{"/cluster", "cluster.html", "text/html; charset=utf-8", false},
    StaticFile{"/refs", "refs.html", "text/html; charset=utf-8", false},
    StaticFile{"/admin", "admin.html", "text/html; charset=utf-8", false},
    StaticFile{"/static/common.js", "common.js", "text/javascript; charset=utf-8", false},
    StaticFile{"/static/now.js", "now.js", "text/javascript; charset=utf-8", false},
    StaticFile{"/static/search.js", "search.js", "text/javascript; charset=utf-8", false},
    StaticFile{"/static/player.js", "player.js", "text/javascript; charset=utf-8", false},
    StaticFile{"/static/cluster.js", "cluster.js", "text/javascript; charset=utf-8", false},
    StaticFile{"/static/refs.js", "refs.js", "text/javascript; charset=utf-8", false},
    StaticFile{"/static/admin.js", "admin.js", "text/javascript; charset=utf-8", false},
};

std::string Json(std::string_view text) {
    return JsonString(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))).toStdString();
}

void Error(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    res.set_content("{\"error\":" + Json(message) + "}", kJson);
}

// The value of the request's cookie `name`, or "".
std::string CookieValue(const httplib::Request& req, const char* name) {
    const std::string cookies = req.get_header_value("Cookie");
    const std::string key = std::string(name) + "=";
    for (std::size_t at = 0; at < cookies.size();) {
        while (at < cookies.size() && cookies[at] == ' ')
            ++at;
        std::size_t end = cookies.find(';', at);
        if (end == std::string::npos) end = cookies.size();
        if (cookies.compare(at, key.size(), key) == 0)
            return cookies.substr(at + key.size(), end - at - key.size());
        at = end + 1;
    }
    return {};
}

// The session token the request's cookie carries, or "".
std::string CookieToken(const httplib::Request& req) {
    return CookieValue(req, kCookie);
}

// The request's connection, to stop a search whose client went away.
ClientWatch WatchOf(const httplib::Request& req) {
    return ClientWatch(req.local_addr, req.local_port, req.remote_addr, req.remote_port);
}

bool Flag(const httplib::Request& req, const char* name) {
    return req.get_param_value(name) == "1";
}

// "name \"ace*\" aliases=1 broad=0": what the audit trail says was asked.
std::string Asked(const std::string& kind, const std::string& text) {
    return kind + " " + Json(text);
}

// A name as a pattern that matches only itself: the pattern characters each in a list of one.
std::string ExactPattern(std::string_view name) {
    std::string pattern;
    for (char c : name) {
        if (c == '*' || c == '?' || c == '#' || c == '[') {
            pattern += '[';
            pattern += c;
            pattern += ']';
        } else {
            pattern += c;
        }
    }
    return pattern;
}

} // namespace

WebServer::WebServer(WebServerConfig config, std::ostream& log)
    : config_(std::move(config)), log_(log), accounts_(config_.dataFolder + "/" + kAccountFileName),
      sessions_(config_.clock), throttle_(config_.clock),
      audit_(config_.dataFolder + "/" + kAuditFileName, log),
      pool_(config_.database, std::max(2u, std::thread::hardware_concurrency())),
      cache_(kCachedBytes, std::chrono::seconds(30), config_.clock) {
    if (!config_.tlsCert.empty())
        server_ = std::make_unique<httplib::SSLServer>(config_.tlsCert.c_str(), config_.tlsKey.c_str());
    else
        server_ = std::make_unique<httplib::Server>();
    server_->set_payload_max_length(64 * 1024);
    // A reply goes out in two writes (head, body): without this the second waits for the client's
    // delayed acknowledgement, some 40 ms.
    server_->set_tcp_nodelay(true);
    Routes();
}

WebServer::~WebServer() = default;

Outcome<int> WebServer::Bind(const std::string& host, int port) {
    if (!server_->is_valid()) return Outcome<int>::Failed("cannot read the TLS certificate or key");
    const int bound =
        port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
    if (bound < 0) return Outcome<int>::Failed("cannot listen on " + host + ":" + std::to_string(port));
    return Outcome<int>::Of(bound);
}

bool WebServer::Run() {
    return server_->listen_after_bind();
}

void WebServer::Stop() {
    server_->stop();
}

void WebServer::Routes() {
    using httplib::Request;
    using httplib::Response;
    const bool tls = !config_.tlsCert.empty();

    // Before any route: the allow-list, then the session (every path but the login page's needs one).
    server_->set_pre_routing_handler([this](const Request& req, Response& res) {
        if (!config_.allow.empty()) {
            bool allowed = false;
            for (const AddressRange& range : config_.allow)
                allowed = allowed || range.Contains(req.remote_addr);
            if (!allowed) {
                Error(res, 403, "this address may not use the server");
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        if (req.path == "/login" || req.path == kLoginTokenPath)
            return httplib::Server::HandlerResponse::Unhandled;
        for (const StaticFile& file : kStaticFiles)
            if (file.beforeLogin && req.path == file.path) return httplib::Server::HandlerResponse::Unhandled;
        if (sessions_.Find(CookieToken(req))) return httplib::Server::HandlerResponse::Unhandled;
        if (req.method == "GET" && req.path.rfind("/api/", 0) != 0) {
            res.status = 303;
            res.set_header("Location", "/login");
        } else {
            Error(res, 401, "log in first");
        }
        return httplib::Server::HandlerResponse::Handled;
    });
    server_->set_post_routing_handler([](const Request& req, Response& res) {
        res.set_header("Content-Security-Policy", kPolicy);
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("X-Frame-Options", "DENY");
        if (req.path.rfind("/static/", 0) != 0) res.set_header("Cache-Control", "no-store");
    });

    for (const StaticFile& file : kStaticFiles) {
        server_->Get(file.path, [this, file](const Request&, Response& res) {
            std::ifstream in(config_.staticFolder + "/" + file.file, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            if (!in) return Error(res, 500, std::string("missing page file ") + file.file);
            res.set_content(bytes.str(), file.type);
        });
    }

    // A fresh token for the log-in form: in the answer for the form's field, and in a short-lived cookie.
    server_->Get(kLoginTokenPath, [tls](const Request&, Response& res) {
        const std::string token = RandomToken();
        res.set_header("Set-Cookie", std::string(kLoginCookie) + "=" + token +
                                         "; Path=/login; Max-Age=" + std::to_string(kLoginTokenSeconds) +
                                         "; HttpOnly; SameSite=Strict" + (tls ? "; Secure" : ""));
        res.set_content("{\"csrf\":" + Json(token) + "}", kJson);
    });

    server_->Post("/login", [this, tls](const Request& req, Response& res) {
        const std::string formToken = CookieValue(req, kLoginCookie);
        if (formToken.empty() || req.get_param_value("csrf") != formToken)
            return Error(res, 403,
                         "missing or stale log-in form token: reload the log-in page "
                         "(a script first gets one from GET /login/token)");
        const std::string client = req.remote_addr;
        if (!throttle_.Allowed(client)) return Error(res, 429, "too many failed log-ins; try again later");
        const auto account = accounts_.Check(req.get_param_value("user"), req.get_param_value("password"));
        if (!account) {
            throttle_.Failed(client);
            audit_.Note("login failed: client=" + client);
            return Error(res, 401, "wrong account name or password");
        }
        throttle_.Succeeded(client);
        const std::string token = sessions_.Open(account->name, account->role);
        res.set_header("Set-Cookie", std::string(kCookie) + "=" + token +
                                         "; Path=/; HttpOnly; SameSite=Strict" + (tls ? "; Secure" : ""));
        res.set_header("Set-Cookie",
                       std::string(kLoginCookie) + "=; Path=/login; Max-Age=0; HttpOnly; SameSite=Strict");
        res.status = 303;
        res.set_header("Location", "/now");
    });

    server_->Post("/logout", [this](const Request& req, Response& res) {
        const std::string token = CookieToken(req);
        const auto session = sessions_.Find(token);
        if (!session || req.get_param_value("csrf") != session->csrf)
            return Error(res, 403, "missing form token");
        sessions_.Close(token);
        res.set_header("Set-Cookie",
                       std::string(kCookie) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
        res.status = 303;
        res.set_header("Location", "/login");
    });

    // A handler that needs the session (the pre-routing handler made sure there is one).
    using Authed = std::function<void(const Request&, Response&, const Session&)>;
    auto authed = [this](Authed handler) {
        return [this, handler = std::move(handler)](const Request& req, Response& res) {
            const auto session = sessions_.Find(CookieToken(req));
            if (!session) return Error(res, 401, "log in first");
            try {
                handler(req, res, *session);
            } catch (const DatabaseError& e) {
                Error(res, 500, e.what());
            }
        };
    };
    auto viewOf = [](const Session& session) {
        return session.role == Role::Admin ? AddressView::Full : AddressView::Masked;
    };

    server_->Get("/api/session", authed([](const Request&, Response& res, const Session& session) {
                     res.set_content("{\"account\":" + Json(session.account) +
                                         ",\"role\":" + Json(RoleName(session.role)) +
                                         ",\"csrf\":" + Json(session.csrf) + "}",
                                     kJson);
                 }));

    // The search the request asks for, or an error already answered.
    auto searchOf = [](const Request& req, Response& res,
                       const Session& session) -> std::optional<WebSearchRequest> {
        WebSearchRequest search;
        const std::string by = req.get_param_value("by");
        search.pattern = req.get_param_value("q");
        const bool aliases = Flag(req, "aliases"), broad = Flag(req, "broad");
        if (by != "name" && by != "ip") return Error(res, 400, "by is name or ip"), std::nullopt;
        if (search.pattern.empty()) return Error(res, 400, "the pattern is empty"), std::nullopt;
        if (broad && !aliases) return Error(res, 400, "broad widens aliases; give both"), std::nullopt;
        search.by = by == "name" ? SearchBy::Name : SearchBy::Address;
        if (search.by == SearchBy::Address && aliases)
            return Error(res, 400, "an address search lists no aliases"), std::nullopt;
        if (search.by == SearchBy::Address && session.role == Role::Moderator &&
            !NamesTwoOctets(search.pattern))
            return Error(res, 403, "an address search names at least the first two octets"), std::nullopt;
        search.aliases = !aliases ? Aliases::Off
                         : broad  ? Aliases::SameFirstThreeOctets
                                  : Aliases::SameAddress;
        return search;
    };
    auto asked = [](const Request& req, const WebSearchRequest& search) {
        return Asked("search " + req.get_param_value("by"), search.pattern) +
               " aliases=" + (search.aliases != Aliases::Off ? "1" : "0") +
               " broad=" + (search.aliases == Aliases::SameFirstThreeOctets ? "1" : "0");
    };

    // A search's result, sorted when asked, from the cache or run on a leased connection. A sort
    // reorders the search's kept result and is kept beside it, for as long as that run is the one kept.
    // A search stopped because the client that asked first went away is run again for a client still
    // there.
    auto run = [this](const WebSearchRequest& search,
                      std::optional<std::pair<std::size_t, SortDirection>> sort, ClientWatch& client) {
        const std::string key = std::to_string(static_cast<int>(search.by)) + " " +
                                std::to_string(static_cast<int>(search.aliases)) + " - " + search.pattern;
        for (;;) {
            auto found = cache_.Get(key, [this, &search, &client] {
                std::unique_lock<std::mutex> wide;
                const auto exact = LikePattern::IndexablePrefix(search.pattern);
                if (!exact || !exact->exact) wide = std::unique_lock(wideSearch_);
                auto lease = pool_.Acquire();
                WebSearchResult result = RunWebSearch(*lease, search, &client);
                result.run = ++searchRuns_;
                return result;
            });
            if (found->outcome.failure == kClientGoneText) {
                if (!client.Gone()) continue;
                audit_.Note("search stopped: client=" + client.RemoteAddress() + " went away");
                return found;
            }
            if (!sort || found->outcome.failure) return found;
            const std::string sorted = key + " run " + std::to_string(found->run) + " sort " +
                                       std::to_string(sort->first) + " " +
                                       std::to_string(static_cast<int>(sort->second));
            return cache_.Get(sorted, [&] { return SortedResult(*found, sort->first, sort->second); });
        }
    };

    server_->Get("/api/search", authed([this, searchOf, asked, viewOf, run](const Request& req, Response& res,
                                                                            const Session& session) {
                     const auto search = searchOf(req, res, session);
                     if (!search) return;
                     const std::size_t page = std::clamp<std::size_t>(
                         std::strtoull(req.get_param_value("page").c_str(), nullptr, 10), 1, 1'000'000);
                     const std::string sort = req.get_param_value("sort");
                     const std::size_t cell =
                         sort.empty() ? kResultCellCount : std::strtoull(sort.c_str(), nullptr, 10);
                     const auto order = req.get_param_value("order") == "desc" ? SortDirection::Descending
                                                                               : SortDirection::Ascending;
                     ClientWatch client = WatchOf(req);
                     const auto found =
                         run(*search,
                             cell < kResultCellCount ? std::optional(std::pair(cell, order)) : std::nullopt,
                             client);
                     const WebSearchResult& result = *found;
                     if (result.outcome.failure) return Error(res, 500, *result.outcome.failure);
                     (void)audit_.Record(session.account, req.remote_addr, asked(req, *search),
                                         result.outcome.matches);
                     res.set_content(ResultJson(result.rows, result.outcome.matches, page, viewOf(session),
                                                result.outcome.timedOut),
                                     kJson);
                 }));

    server_->Get("/api/search.csv", authed([this, searchOf, asked, viewOf,
                                            run](const Request& req, Response& res, const Session& session) {
                     const auto search = searchOf(req, res, session);
                     if (!search) return;
                     ClientWatch client = WatchOf(req);
                     const auto found = run(*search, std::nullopt, client);
                     const WebSearchResult& result = *found;
                     if (result.outcome.failure) return Error(res, 500, *result.outcome.failure);
                     (void)audit_.Record(session.account, req.remote_addr, asked(req, *search) + " csv",
                                         result.outcome.matches);
                     res.set_header("Content-Disposition", "attachment; filename=\"search.csv\"");
                     res.set_content(ResultText(result.rows, OutputFormat::Csv,
                                                result.outcome.matches == 0 ? ListContent::NoMatchesRow
                                                                            : ListContent::Rows,
                                                viewOf(session)),
                                     "text/csv; charset=utf-8");
                 }));

    server_->Get(
        "/api/player", authed([this, viewOf](const Request& req, Response& res, const Session& session) {
            const std::string name = req.get_param_value("name");
            if (name.empty()) return Error(res, 400, "name is empty");
            auto lease = pool_.Acquire();
            ClientWatch client = WatchOf(req);
            WebSearchResult result = RunWebSearch(
                *lease, WebSearchRequest{SearchBy::Name, ExactPattern(name), Aliases::SameAddress}, &client);
            if (result.outcome.failure) return Error(res, 500, *result.outcome.failure);
            (void)audit_.Record(session.account, req.remote_addr, Asked("player", name),
                                result.outcome.matches);
            res.set_content(ResultJson(result.rows, result.outcome.matches, 1, viewOf(session)), kJson);
        }));

    // The cluster the request asks for, walked and audited; nothing when an error was answered.
    struct Walk {
        ResultList list;
        ClusterOutcome outcome;
        ClusterOptions options;
    };
    auto walk = [this](const Request& req, Response& res, const Session& session) -> std::unique_ptr<Walk> {
        const std::string name = req.get_param_value("name"), ip = req.get_param_value("ip");
        if (name.empty() == ip.empty()) return Error(res, 400, "give name or ip"), nullptr;
        if (!ip.empty() && session.role == Role::Moderator && !NamesTwoOctets(ip))
            return Error(res, 403, "an address search names at least the first two octets"), nullptr;
        auto cluster = std::make_unique<Walk>();
        ClusterOptions& options = cluster->options;
        const std::string depth = req.get_param_value("depth");
        if (!depth.empty())
            options.depth = std::min<std::size_t>(std::strtoull(depth.c_str(), nullptr, 10), 20);
        options.addressLinks = Flag(req, "broad") ? AddressLinks::SameRange : AddressLinks::SameAddress;
        options.nameLinks =
            Flag(req, "samename") ? NameLinks::SamePlayerOrStrippedName : NameLinks::SamePlayerName;
        const Query start = name.empty() ? IpSearchQuery(ip) : NameSearchQuery(EncodeName(name));
        auto lease = pool_.Acquire();
        ClientWatch client = WatchOf(req);
        WebPostHost host(Aliases::Off, &client);
        cluster->outcome = ListCluster(*lease, cluster->list, host, start, options);
        if (cluster->outcome.failure) return Error(res, 500, *cluster->outcome.failure), nullptr;
        if (cluster->outcome.end == ClusterEnd::Stopped) return Error(res, 500, kClientGoneText), nullptr;
        (void)audit_.Record(session.account, req.remote_addr,
                            Asked(name.empty() ? "cluster ip" : "cluster name", name.empty() ? ip : name) +
                                " depth=" + std::to_string(options.depth),
                            cluster->outcome.matches);
        return cluster;
    };

    server_->Get("/api/cluster",
                 authed([walk, viewOf](const Request& req, Response& res, const Session& session) {
                     const auto cluster = walk(req, res, session);
                     if (!cluster) return;
                     res.set_content(ClusterJson(cluster->list, cluster->outcome, viewOf(session)), kJson);
                 }));

    server_->Get(
        "/api/cluster.svg", authed([walk, viewOf](const Request& req, Response& res, const Session& session) {
            const auto cluster = walk(req, res, session);
            if (!cluster) return;
            const auto svg =
                DrawSvg(ClusterDot(cluster->list, cluster->outcome, cluster->options, viewOf(session)));
            if (!svg) return Error(res, 500, svg.reason());
            res.set_content(*svg, "image/svg+xml");
        }));

    server_->Get("/api/refs", authed([this, viewOf](const Request&, Response& res, const Session& session) {
                     auto lease = pool_.Acquire();
                     ResultList list;
                     const auto listed = ListReferees(*lease, list);
                     if (!listed) return Error(res, 500, listed.reason());
                     res.set_content(RefereesJson(list, viewOf(session)), kJson);
                 }));

    // Who is playing now: what `corvanth-cli who --format json` prints, addresses masked for moderators.
    server_->Get(
        "/api/who", authed([this](const Request&, Response& res, const Session& session) {
            auto lease = pool_.Acquire();
            const auto listed = ListOnline(*lease, OnlineQuery{{}, std::time(nullptr), kStaleAfterSeconds});
            if (!listed) return Error(res, 500, listed.reason());
            std::vector<OnlineServerRows> servers = *listed;
            if (session.role != Role::Admin)
                for (OnlineServerRows& server : servers)
                    for (OnlinePlayer& player : server.players)
                        player.ip = MaskAddress(player.ip);
            QString text;
            QTextStream out(&text);
            WriteWhoJson(servers, out);
            out.flush();
            res.set_content(text.toStdString(), kJson);
        }));

    server_->Get("/api/audit", authed([this](const Request&, Response& res, const Session& session) {
                     if (session.role != Role::Admin) return Error(res, 403, "the audit trail is for admins");
                     std::string out = "[";
                     for (const std::string& line : audit_.Tail(1000))
                         out += (out.size() > 1 ? "," : "") + Json(line);
                     res.set_content(out + "]", kJson);
                 }));
}

} // namespace corvanth
