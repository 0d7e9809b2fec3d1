#include "WebProgram.h"

#include "AccountFile.h"
#include "DataFolder.h"
#include "DatabaseError.h"
#include "ExitStatus.h"
#include "ProgramIdentity.h"
#include "WebServer.h"

#include <QCommandLineParser>

#include <csignal>
#include <malloc.h>
#include <pthread.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace corvanth {
namespace {

constexpr const char* kUsage =
    "usage: corvanth-web [--data-dir DIR] [--database LOCATION] COMMAND\n"
    "  serve [--listen ADDR:PORT] [--allow CIDR]... [--tls-cert FILE --tls-key FILE] [--insecure-http]\n"
    "  user add NAME [--role admin|moderator] [--password-stdin]\n"
    "  user passwd NAME [--role admin|moderator] [--password-stdin]\n"
    "  user remove NAME\n"
    "  user list\n";

int Code(ExitCode code) {
    return static_cast<int>(code);
}

int Usage(std::ostream& err, const std::string& message) {
    err << "corvanth-web: " << message << "\n\n" << kUsage;
    return Code(ExitCode::Usage);
}

// A line from the terminal without echo (or from stdin when it is not a terminal).
std::string ReadSecret(std::istream& in, std::ostream& err, const char* prompt) {
    err << prompt << std::flush;
    termios old{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &old) == 0;
    if (terminal) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) return {};
    }
    std::string line;
    std::getline(in, line);
    if (terminal) {
        (void)tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        err << "\n";
    }
    return line;
}

int UserCommand(const QStringList& args, const std::string& folder, std::istream& in, std::ostream& out,
                std::ostream& err) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("role"), QString(), QStringLiteral("role")});
    parser.addOption({QStringLiteral("password-stdin"), QString()});
    if (!parser.parse(QStringList{QStringLiteral("corvanth-web")} + args))
        return Usage(err, parser.errorText().toStdString());
    const QStringList positional = parser.positionalArguments();
    const QString verb = positional.value(1);
    AccountFile accounts(folder + "/" + kAccountFileName);
    if (verb == QLatin1String("list") && positional.size() == 2) {
        const auto loaded = accounts.Load();
        if (!loaded) return err << "corvanth-web: " << loaded.reason() << "\n", Code(ExitCode::DataError);
        for (const Account& account : *loaded)
            out << account.name << " " << RoleName(account.role) << "\n";
        return Code(ExitCode::Ok);
    }
    if (positional.size() != 3) return Usage(err, "user takes a verb and an account name");
    const std::string name = positional[2].toStdString();
    std::optional<Role> role;
    if (parser.isSet(QStringLiteral("role"))) {
        role = ParseRole(parser.value(QStringLiteral("role")).toStdString());
        if (!role) return Usage(err, "--role is admin or moderator");
    }
    Outcome<Done> done = Outcome<Done>::Failed("");
    if (verb == QLatin1String("remove")) {
        done = accounts.Remove(name);
    } else if (verb == QLatin1String("add") || verb == QLatin1String("passwd")) {
        std::string password;
        if (parser.isSet(QStringLiteral("password-stdin"))) {
            std::getline(in, password);
        } else {
            password = ReadSecret(in, err, "Password: ");
            if (ReadSecret(in, err, "Again: ") != password)
                return err << "corvanth-web: the two passwords differ\n", Code(ExitCode::DataError);
        }
        done = accounts.Set(name, password, verb == QLatin1String("add") && !role ? Role::Moderator : role,
                            verb == QLatin1String("add") ? AccountFile::Change::Add
                                                         : AccountFile::Change::ChangePassword);
    } else {
        return Usage(err, "user add, passwd, remove or list");
    }
    if (!done) return err << "corvanth-web: " << done.reason() << "\n", Code(ExitCode::DataError);
    return Code(ExitCode::Ok);
}

int ServeCommand(const QStringList& args, WebServerConfig config, std::ostream& err) {
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("listen"), QString(), QStringLiteral("address"), QStringLiteral("127.0.0.1:8480")});
    parser.addOption({QStringLiteral("allow"), QString(), QStringLiteral("range")});
    parser.addOption({QStringLiteral("tls-cert"), QString(), QStringLiteral("file")});
    parser.addOption({QStringLiteral("tls-key"), QString(), QStringLiteral("file")});
    parser.addOption({QStringLiteral("insecure-http"), QString()});
    if (!parser.parse(QStringList{QStringLiteral("corvanth-web")} + args))
        return Usage(err, parser.errorText().toStdString());
    if (parser.positionalArguments().size() != 1) return Usage(err, "serve takes no arguments");
    const std::string listen = parser.value(QStringLiteral("listen")).toStdString();
    const std::size_t colon = listen.rfind(':');
    const int port = colon == std::string::npos ? -1 : std::atoi(listen.c_str() + colon + 1);
    std::string host = colon == std::string::npos ? "" : listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty() || port <= 0 || port > 65535) return Usage(err, "--listen takes ADDRESS:PORT");
    for (const QString& text : parser.values(QStringLiteral("allow"))) {
        const auto range = AddressRange::Parse(text.toStdString());
        if (!range) return Usage(err, "--allow takes an address range such as 10.0.0.0/8");
        config.allow.push_back(*range);
    }
    config.tlsCert = parser.value(QStringLiteral("tls-cert")).toStdString();
    config.tlsKey = parser.value(QStringLiteral("tls-key")).toStdString();
    if (config.tlsCert.empty() != config.tlsKey.empty())
        return Usage(err, "--tls-cert and --tls-key go together");
    if (!IsLoopbackHost(host) && config.tlsCert.empty() && !parser.isSet(QStringLiteral("insecure-http")))
        return Usage(err,
                     "listening beyond this machine without TLS sends passwords in clear; give --tls-cert "
                     "and --tls-key, serve behind a TLS proxy on 127.0.0.1, or say --insecure-http");

    // The workers share two heaps: the memory one search frees serves the next, whichever worker runs
    // it, instead of staying with the worker that freed it.
    mallopt(M_ARENA_MAX, 2);

    // SIGINT and SIGTERM are waited for by a thread of their own, which stops the server.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &stops, nullptr) != 0) return Code(ExitCode::DataError);
    WebServer server(std::move(config), err);
    const auto bound = server.Bind(host, port);
    if (!bound) return err << "corvanth-web: " << bound.reason() << "\n", Code(ExitCode::DataError);
    err << "corvanth-web: serving on " << listen << "\n" << std::flush;
    std::jthread stopper([&server, stops] {
        int signal = 0;
        if (sigwait(&stops, &signal) == 0) server.Stop();
    });
    const bool served = server.Run();
    if (stopper.joinable()) {
        pthread_kill(stopper.native_handle(), SIGTERM);
    }
    return served ? Code(ExitCode::Ok) : Code(ExitCode::DataError);
}

} // namespace

int RunWebProgram(const QStringList& arguments, const WebProgramPlaces& places, std::istream& in,
                  std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOption({QStringLiteral("data-dir"), QString(), QStringLiteral("folder")});
    parser.addOption({QStringLiteral("database"), QString(), QStringLiteral("location")});
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    if (!parser.parse(arguments)) return Usage(err, parser.errorText().toStdString());
    if (parser.isSet(QStringLiteral("help"))) return out << kUsage, Code(ExitCode::Ok);
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) return Usage(err, "no command");

    DataFolderSources sources;
    sources.commandLineOverride = parser.value(QStringLiteral("data-dir")).toStdString();
    sources.environmentOverride = places.dataDirEnvironment;
    sources.executableFolder = places.executableFolder;
    sources.perUserFolder = places.perUserFolder;
    const std::string folder = ResolveDataFolder(sources);
    if (!EnsureFolder(folder)) {
        err << "corvanth-web: cannot use the data folder " << folder << "\n";
        return Code(ExitCode::DataError);
    }
    if (args.front() == QLatin1String("user")) return UserCommand(args, folder, in, out, err);
    if (args.front() != QLatin1String("serve"))
        return Usage(err, "unknown command " + args.front().toStdString());

    const bool databaseGiven = parser.isSet(QStringLiteral("database"));
    WebServerConfig config;
    config.dataFolder = folder;
    config.staticFolder = places.staticFolder;
    try {
        config.database =
            ParseDatabaseLocation(databaseGiven ? parser.value(QStringLiteral("database")).toStdString()
                                                : places.databaseEnvironment,
                                  folder + "/" + identity::DatabaseFileName);
        if (auto refusal = LocationRefusal(config.database, databaseGiven ? LocationSource::CommandLine
                                                                          : LocationSource::Environment)) {
            err << "corvanth-web: " << *refusal << "\n";
            return Code(ExitCode::DataError);
        }
    } catch (const DatabaseError& e) {
        err << "corvanth-web: " << e.what() << "\n";
        return Code(ExitCode::DataError);
    }
    return ServeCommand(args, std::move(config), err);
}

} // namespace corvanth
