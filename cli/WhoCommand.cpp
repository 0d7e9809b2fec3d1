// corvanth-cli who: the players of every followed server, from table Online, with what the names
// database knows of each.
#include "CliContext.h"
#include "OnlineList.h"
#include "ResultFormat.h"
#include "SignalInbox.h"
#include "WhoJson.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <optional>

namespace corvanth {
namespace {

int Code(ExitCode code) {
    return static_cast<int>(code);
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString Time(std::int64_t seconds) {
    return QString::fromStdString(OnlineTimeText(seconds));
}

// The shown name: "ö" back to an apostrophe.
QString Shown(const std::string& stored) {
    QString name = Utf8(stored);
    name.replace(QChar(0x00F6), QLatin1Char('\''));
    return name;
}

const QStringList kHeaders = {QStringLiteral("Slot"),           QStringLiteral("Name"),
                              QStringLiteral("StripName"),      QStringLiteral("IP"),
                              QStringLiteral("Since"),          QStringLiteral("Names from IP"),
                              QStringLiteral("Names from /24"), QStringLiteral("Referee")};

QStringList Cells(const OnlinePlayer& p) {
    return {QString::number(p.slot),
            Shown(p.playerName),
            Shown(p.strippedName),
            Utf8(p.ip),
            Time(p.since),
            QString::number(p.namesFromAddress),
            QString::number(p.namesFromRange),
            p.referee ? QStringLiteral("Yes") : QStringLiteral("No")};
}

void WriteTable(const std::vector<OnlineServerRows>& servers, QTextStream& out) {
    if (servers.empty()) out << "No server is followed.\n";
    for (const auto& server : servers) {
        out << VisibleText(Utf8(server.Name()));
        if (!server.hostname.empty()) out << " (" << VisibleText(Utf8(server.logPath)) << ")";
        out << ": " << StateName(server.state) << ", last line "
            << (server.seen > 0 ? Time(server.seen) : "never") << ", " << server.players.size()
            << (server.players.size() == 1 ? " player\n" : " players\n");
        if (server.players.empty()) continue;
        std::vector<QStringList> rows;
        std::vector<qsizetype> widths;
        for (const QString& h : kHeaders)
            widths.push_back(h.size());
        for (const auto& p : server.players) {
            QStringList cells = Cells(p);
            for (qsizetype i = 0; i < cells.size(); ++i) {
                cells[i] = VisibleText(cells[i]);
                widths[static_cast<std::size_t>(i)] =
                    std::max(widths[static_cast<std::size_t>(i)], cells[i].size());
            }
            rows.push_back(cells);
        }
        const auto line = [&](const QStringList& cells) {
            QString text = QStringLiteral("  ");
            for (qsizetype i = 0; i < cells.size(); ++i)
                text += cells[i].leftJustified(widths[static_cast<std::size_t>(i)] + 2);
            out << text.trimmed().prepend(QStringLiteral("  ")) << "\n";
        };
        line(kHeaders);
        for (const auto& row : rows)
            line(row);
    }
}

void WriteCsv(const std::vector<OnlineServerRows>& servers, QTextStream& out) {
    QStringList header = {QStringLiteral("Server"), QStringLiteral("StripServer"), QStringLiteral("Log"),
                          QStringLiteral("State"), QStringLiteral("Last Line")};
    header += kHeaders;
    const auto record = [&](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields)
            quoted << CsvField(f);
        out << quoted.join(QLatin1Char(',')) << "\r\n";
    };
    record(header);
    for (const auto& server : servers) {
        const QStringList head = {Utf8(server.hostname), Utf8(server.strippedHostname), Utf8(server.logPath),
                                  QString::fromLatin1(StateName(server.state)), Time(server.seen)};
        if (server.players.empty()) record(head + QStringList(kHeaders.size(), QString()));
        for (const auto& p : server.players)
            record(head + Cells(p));
    }
}

} // namespace

void WriteWhoJson(const std::vector<OnlineServerRows>& servers, QTextStream& out) {
    out << "[";
    for (std::size_t s = 0; s < servers.size(); ++s) {
        const auto& server = servers[s];
        out << (s ? ",\n " : "\n ") << "{\"Server\": " << JsonString(Utf8(server.hostname))
            << ", \"StripServer\": " << JsonString(Utf8(server.strippedHostname))
            << ", \"Log\": " << JsonString(Utf8(server.logPath)) << ", \"State\": \""
            << StateName(server.state) << "\", \"Last Line\": " << JsonString(Time(server.seen))
            << ", \"Players\": [";
        for (std::size_t i = 0; i < server.players.size(); ++i) {
            const auto& p = server.players[i];
            out << (i ? ", " : "") << "{\"Slot\": " << p.slot
                << ", \"Name\": " << JsonString(Shown(p.playerName))
                << ", \"StripName\": " << JsonString(Shown(p.strippedName))
                << ", \"IP\": " << JsonString(Utf8(p.ip)) << ", \"Since\": " << JsonString(Time(p.since))
                << ", \"Names from IP\": " << p.namesFromAddress
                << ", \"Names from /24\": " << p.namesFromRange
                << ", \"Referee\": " << (p.referee ? "true" : "false") << "}";
        }
        out << "]}";
    }
    out << (servers.empty() ? "]\n" : "\n]\n");
}

int RunWhoCommand(CliContext& context, const QCommandLineParser& parser) {
    const QString formatName = parser.value(QStringLiteral("format"));
    const auto format = ParseOutputFormat(formatName);
    if (!format) {
        context.err() << "corvanth-cli who: unknown format \"" << formatName << "\" (table, csv or json)\n";
        return Code(ExitCode::Usage);
    }
    bool staleOk = false;
    const qint64 staleAfter = parser.value(QStringLiteral("stale-after")).toLongLong(&staleOk);
    if (!staleOk || staleAfter < 1) {
        context.err() << "corvanth-cli who: --stale-after takes a number of seconds, 1 or more\n";
        return Code(ExitCode::Usage);
    }
    const bool watch = parser.isSet(QStringLiteral("watch"));
    if (watch && ::isatty(STDOUT_FILENO) == 0) {
        context.err() << "corvanth-cli who: --watch redraws a terminal; the output is not one\n";
        return Code(ExitCode::Usage);
    }
    NamesDatabase* database = nullptr;
    try {
        database = &context.database();
    } catch (const DatabaseError& e) {
        context.err() << "corvanth-cli who: " << e.what() << "\n";
        return Code(ExitCode::DataError);
    }
    std::optional<SignalInbox> inbox; // Ctrl-C ends a watch between two drawings
    if (watch) inbox.emplace(std::initializer_list<int>{SIGINT, SIGTERM});
    for (;;) {
        const OnlineQuery query{parser.value(QStringLiteral("server")).toStdString(),
                                static_cast<std::int64_t>(std::time(nullptr)), staleAfter};
        const auto listed = ListOnline(*database, query);
        if (!listed) {
            context.err() << "corvanth-cli who: " << Utf8(listed.reason()) << "\n";
            return Code(ExitCode::DataError);
        }
        if (watch) context.out() << "\x1b[H\x1b[2J"; // from the top of a cleared screen
        switch (*format) {
        case OutputFormat::Table:
            WriteTable(*listed, context.out());
            break;
        case OutputFormat::Csv:
            WriteCsv(*listed, context.out());
            break;
        case OutputFormat::Json:
            WriteWhoJson(*listed, context.out());
            break;
        }
        context.out().flush();
        if (!watch) return Code(ExitCode::Ok);
        pollfd fd{inbox->descriptor(), POLLIN, 0};
        if (fd.fd < 0) return Code(ExitCode::Ok); // the signals cannot be waited for: drawn once
        if (::poll(&fd, 1, 2000) > 0 && inbox->take() != 0) return Code(ExitCode::Ok);
    }
}

} // namespace corvanth
