#include "CommandTable.h"

#include "CliContext.h"
#include "ProgramIdentity.h"

#include <algorithm>
#include <array>
#include <vector>

namespace corvanth {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// ---- The commands -------------------------------------------------------------------------------

constexpr std::array kDataExits = {ExitCode::Ok, ExitCode::Usage, ExitCode::DataError};

constexpr UsageLine kProcessUsage[] = {{"LOG [--start POS]", "read a game log into the names database"}};
constexpr CommandOption kProcessOptions[] = {{"start", "POS", "1-based byte position to start at."}};
constexpr CommandArgument kLogArgument[] = {{"LOG", "The game server's log file."}};
constexpr std::array kProcessExits = {ExitCode::Ok, ExitCode::LogMissing, ExitCode::RunFailed,
                                      ExitCode::Usage, ExitCode::DataError};

constexpr UsageLine kFollowUsage[] = {
    {"LOG [LOG...] [--poll MS] [--give-up SECONDS]", "keep following logs as the servers write them"}};
constexpr CommandOption kFollowOptions[] = {
    {"poll", "MS",
     "Look at the logs at least every MS milliseconds (default 1000), for file systems that do not notify.",
     "1000"},
    {"give-up", "SECONDS",
     "Stop (exit 2) once the database has been unreachable for SECONDS (default: never)."}};
constexpr CommandArgument kFollowArguments[] = {{"LOG", "A game server's log file; several may be given."}};
constexpr std::array kFollowExits = {ExitCode::Ok, ExitCode::RunFailed, ExitCode::Usage, ExitCode::DataError};

constexpr UsageLine kWhoUsage[] = {
    {"[--server TEXT] [--format table|csv|json] [--watch]", "who is playing now on each followed server"}};
constexpr CommandOption kWhoOptions[] = {
    {"server", "TEXT", "Only servers whose name or log path contains TEXT (letter case ignored)."},
    {"format", "table|csv|json", "Output as table (default), csv or json.", "table"},
    {"stale-after", "SECONDS",
     "A followed server without a line for more than SECONDS (default 600) reads as stale.", "600"},
    {"watch", "", "Draw the table again every 2 seconds until Ctrl-C (on a terminal only)."}};

constexpr UsageLine kPositionUsage[] = {{"LOG", "the journaled position for LOG"}};

constexpr UsageLine kSearchUsage[] = {
    {"name PATTERN [--aliases] [--broad]", "names matching PATTERN (* ? # [list])"},
    {"ip PATTERN", "rows whose address matches PATTERN"},
    {"guid PATTERN", "rows of the pairs seen with a matching client GUID"},
    {"name|ip|guid PATTERN --cluster [--depth N] [--broad] [--same-name] [--same-guid]",
     "every row linked to those found, by hop"},
};
constexpr CommandOption kSearchOptions[] = {
    {"aliases", "", "name: also list every name seen from each found address."},
    {"broad", "", "Aliases and links by the address's first three octets (with --aliases or --cluster)."},
    {"cluster", "", "List the cluster of the rows found: every row linked to them, by hop."},
    {"depth", "N", "With --cluster: follow at most N hops (default 6; 0: the rows found).", "6"},
    {"same-name", "", "With --cluster: link names also by their colour-stripped form."},
    {"same-guid", "", "With --cluster: link rows whose names and addresses share a client GUID."},
    {"format", "table|csv|json|dot", "Output as table (default), csv, json, or (with --cluster) dot.",
     "table"},
};
constexpr CommandArgument kSearchArguments[] = {{"name|ip|guid", "What PATTERN is matched against."},
                                                {"PATTERN", "The pattern to search for."}};

constexpr CommandOption kListOptions[] = {
    {"format", "table|csv|json", "Output as table (default), csv or json.", "table"}};
constexpr UsageLine kRefsUsage[] = {{"", "every name that logged in as referee"}};
constexpr UsageLine kQueryUsage[] = {{"SQL", "run an SQL statement on table Names"}};
constexpr CommandArgument kQueryArguments[] = {{"SQL", "The statement, as one argument (quote it)."}};

constexpr UsageLine kClearUsage[] = {{"--yes", "delete every row"}};
constexpr CommandOption kClearOptions[] = {{"yes", "", "Confirm that every row is to be deleted."}};

constexpr UsageLine kCopyUsage[] = {
    {"--from LOCATION --to LOCATION", "merge every row of one database into another"}};
constexpr CommandOption kCopyOptions[] = {{"from", "LOCATION", "The database to read."},
                                          {"to", "LOCATION", "The database to write."}};

const CommandEntry kCommands[] = {
    {"process", kProcessUsage,
     "Reads LOG from a byte position, follows its games and clients, and records every name seen from\n"
     "every address in the names database. Without --start the run continues where the journal says\n"
     "the last run over LOG stopped (byte 1 when none). Ctrl-C stops at the end of the current line and\n"
     "journals the position. Only games whose InitGame line names \\wfversion\\ 2.8 or later are\n"
     "tracked; the summary says how many were.",
     kProcessOptions, kLogArgument, "LOG", 1, 1, kProcessExits, RunProcessCommand},
    {"follow", kFollowUsage,
     "Reads each LOG from its journaled position, then keeps following it as the game server writes:\n"
     "new lines are recorded as they arrive, rotated, truncated and recreated logs are noticed, and\n"
     "after every committed batch the position is journaled. A database server that cannot be\n"
     "reached is tried again, ever more seldom (at most every 30 s), and what was not written is\n"
     "written once it is back. SIGINT or SIGTERM stops, SIGHUP reopens the logs and tries the\n"
     "database again at once.",
     kFollowOptions, kFollowArguments, "LOG [LOG...]", 1, -1, kFollowExits, RunFollowCommand},
    {"position",
     kPositionUsage,
     "Prints the position the journal holds for LOG (1 when none): the byte at which the next run\n"
     "over LOG starts.",
     {},
     kLogArgument,
     "LOG",
     1,
     1,
     kDataExits,
     RunPositionCommand},
    {"search", kSearchUsage,
     "Searches the names database and prints the rows sorted by name.\n"
     "  name PATTERN: colour-stripped names matching PATTERN, ignoring letter case. In a pattern\n"
     "                * is any run of characters, ? one character, # one digit, [list] one\n"
     "                character of the list: *ace* finds every name containing \"ace\".\n"
     "  ip PATTERN:   addresses matching PATTERN, as typed: 10.0.0.* for a whole /24.\n"
     "  guid PATTERN: the rows of the names and addresses seen with a client GUID matching\n"
     "                PATTERN (Urban Terror logs record each client's cl_guid).\n"
     "With --cluster: the rows found (hop 0), every row that shares an address or a player name with\n"
     "one of them (hop 1), every row that shares one with those (hop 2), and so on. Each row is listed\n"
     "once, at its smallest hop, with two more columns: Hops, and Via, the address, range or name it\n"
     "shares with a row one hop nearer (or, with --same-guid, the GUID). Letter case never matters.\n"
     "Put -- before a pattern that begins with a dash.",
     kSearchOptions, kSearchArguments, "name|ip|guid PATTERN", 2, 2, kDataExits, RunSearchCommand},
    {"refs",
     kRefsUsage,
     "Lists every name that logged in as referee, in the database's order.",
     kListOptions,
     {},
     "",
     0,
     0,
     kDataExits,
     RunRefsCommand},
    {"who",
     kWhoUsage,
     "Lists the players on every server a follower (corvanth-cli follow) reads: per server its name\n"
     "(sv_hostname, or the log's path) and when its log last had a line; per slot the name, address and\n"
     "since when, the number of other names seen from the address and from its /24, and whether the\n"
     "name or one of the address's names is a referee. A server whose follower stopped reads \"not\n"
     "followed\", one without a line for --stale-after seconds \"stale\": neither lists players.",
     kWhoOptions,
     {},
     "",
     0,
     0,
     kDataExits,
     RunWhoCommand},
    {"query", kQueryUsage,
     "Runs an SQL statement on the names database (table Names: PlayerName, StrippedName, IP,\n"
     "LastVisit, Ref) and lists the rows that have a PlayerName and an IP column, sorted by name.\n"
     "LIKE takes the search patterns (* ? # [list]); Yes and No mean true and false. Names are\n"
     "stored with \u00f6 in place of an apostrophe.\n"
     "Example: corvanth-cli query \"SELECT * FROM Names WHERE Ref = Yes\"",
     kListOptions, kQueryArguments, "SQL", 1, 1, kDataExits, RunQueryCommand},
    {"clear",
     kClearUsage,
     "Deletes every row of the names database.",
     kClearOptions,
     {},
     "",
     0,
     0,
     kDataExits,
     RunClearCommand},
    {"copy",
     kCopyUsage,
     "Copies every row of one names database into another (an SQLite file into a PostgreSQL\n"
     "server, or back), merging pairs as a run would: the later Last Connection, the referee\n"
     "mark kept if either has it. LOCATION is as --database takes it.",
     kCopyOptions,
     {},
     "",
     0,
     0,
     kDataExits,
     RunCopyCommand},
};

constexpr CommandOption kGlobalOptions[] = {
    {"data-dir", "DIR", "The data folder (holds the database file and the journal)."},
    {"database", "LOCATION", "The names database: sqlite:PATH, or a PostgreSQL connection text."},
    {"version", "", "Print the program's version."},
};

constexpr std::string_view kHelpDescription = "Show this help.";

// ---- Help texts ----------------------------------------------------------------------------------

QString OptionSyntax(const CommandOption& option) {
    QString syntax = QStringLiteral("--") + Text(option.name);
    if (!option.valueName.empty()) syntax += QLatin1Char(' ') + Text(option.valueName);
    return syntax;
}

// Rows of two columns, the second aligned; a first column wider than kLeftWidth puts its second column
// on a line of its own.
QString TwoColumns(const std::vector<std::pair<QString, QString>>& rows) {
    constexpr qsizetype kLeftWidth = 42;
    qsizetype width = 0;
    for (const auto& row : rows)
        if (row.first.size() <= kLeftWidth) width = std::max(width, row.first.size());
    QString text;
    for (const auto& [left, right] : rows) {
        text += QStringLiteral("  ") + left;
        if (!right.isEmpty()) {
            if (left.size() > width) text += QLatin1Char('\n') + QString(2 + width, QLatin1Char(' '));
            text += QString(std::max<qsizetype>(width - left.size(), 0) + 2, QLatin1Char(' ')) + right;
        }
        text += QLatin1Char('\n');
    }
    return text;
}

QString OptionsSection(std::span<const CommandOption> options) {
    std::vector<std::pair<QString, QString>> rows;
    for (const CommandOption& option : options)
        rows.emplace_back(OptionSyntax(option), Text(option.description));
    rows.emplace_back(QStringLiteral("-h, --help"), Text(kHelpDescription));
    return QStringLiteral("Options:\n") + TwoColumns(rows);
}

QString ExitSection(std::span<const ExitCode> codes) {
    std::vector<std::pair<QString, QString>> rows;
    for (const ExitStatusMeaning& status : kExitStatuses)
        if (std::find(codes.begin(), codes.end(), status.code) != codes.end())
            rows.emplace_back(QString::number(static_cast<int>(status.code)), Text(status.meaning));
    return QStringLiteral("Exit status:\n") + TwoColumns(rows);
}

QString CommandUsageLine(const CommandEntry& command, const UsageLine& line) {
    QString text = Text(kProgramName) + QLatin1Char(' ') + Text(command.name);
    if (!line.arguments.empty()) text += QLatin1Char(' ') + Text(line.arguments);
    return text;
}

QString UsageHead() {
    return QStringLiteral("Usage: %1 [--data-dir DIR] [--database LOCATION] COMMAND [ARGS]\n"
                          "       %1 --help | --version\n")
        .arg(Text(kProgramName));
}

QString CommandsSection() {
    std::vector<std::pair<QString, QString>> rows;
    for (const CommandEntry& command : Commands())
        for (const UsageLine& line : command.usage)
            rows.emplace_back(
                CommandUsageLine(command, line).mid(static_cast<qsizetype>(kProgramName.size()) + 1),
                Text(line.summary));
    return QStringLiteral("Commands:\n") + TwoColumns(rows);
}

std::vector<ExitCode> AllExitCodes() {
    std::vector<ExitCode> codes;
    for (const ExitStatusMeaning& status : kExitStatuses)
        codes.push_back(status.code);
    return codes;
}

} // namespace

std::span<const CommandEntry> Commands() {
    return kCommands;
}

const CommandEntry* FindCommand(const QString& name) {
    for (const CommandEntry& command : kCommands)
        if (Text(command.name) == name) return &command;
    return nullptr;
}

std::span<const CommandOption> GlobalOptions() {
    return kGlobalOptions;
}

QString ProgramUsage() {
    return UsageHead() + QLatin1Char('\n') + CommandsSection();
}

QString ProgramHelp() {
    return ProgramUsage() + QLatin1Char('\n') + OptionsSection(kGlobalOptions) +
           QStringLiteral(
               "\nEvery command takes --help. search, refs, who and query take --format table|csv|json\n"
               "(a cluster also dot).\n"
               "The data folder holds %1 and %2; it is the program's folder unless\n"
               "--data-dir or CORVANTH_DATA_DIR names another (an installed program uses the per-user\n"
               "folder). --database or CORVANTH_DATABASE names another database: sqlite:PATH, or a\n"
               "PostgreSQL server as postgresql://USER@HOST:PORT/DBNAME or any libpq connection text.\n\n")
               .arg(QLatin1String(identity::DatabaseFileName), QLatin1String(identity::JournalFileName)) +
           ExitSection(AllExitCodes());
}

QString CommandHelp(const CommandEntry& command) {
    QString text;
    for (const UsageLine& line : command.usage)
        text += (text.isEmpty() ? QStringLiteral("Usage: ") : QStringLiteral("       ")) +
                CommandUsageLine(command, line) + QLatin1Char('\n');
    text += QLatin1Char('\n') + Text(command.description) + QStringLiteral("\n\n");
    if (!command.arguments.empty()) {
        std::vector<std::pair<QString, QString>> rows;
        for (const CommandArgument& argument : command.arguments)
            rows.emplace_back(Text(argument.name), Text(argument.description));
        text += QStringLiteral("Arguments:\n") + TwoColumns(rows) + QLatin1Char('\n');
    }
    text += OptionsSection(command.options) +
            QStringLiteral("\nBefore the command: --data-dir DIR, --database LOCATION (see %1 --help).\n\n")
                .arg(Text(kProgramName)) +
            ExitSection(command.exits);
    return text;
}

std::optional<QString> ParseOptions(QCommandLineParser& parser, std::span<const CommandOption> options,
                                    const QStringList& arguments) {
    for (const CommandOption& option : options)
        parser.addOption(QCommandLineOption(Text(option.name), Text(option.description),
                                            Text(option.valueName), Text(option.defaultValue)));
    parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, Text(kHelpDescription)));
    if (!parser.parse(arguments)) return parser.errorText();
    return std::nullopt;
}

int RunCommand(CliContext& context, const CommandEntry& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QString prefix = Text(kProgramName) + QLatin1Char(' ') + Text(command.name) + QStringLiteral(": ");
    if (const auto error = ParseOptions(parser, command.options, arguments)) {
        QString text = *error;
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
        context.err() << prefix << text << " (see --help)\n";
        return static_cast<int>(ExitCode::Usage);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        context.out() << CommandHelp(command);
        return static_cast<int>(ExitCode::Ok);
    }
    const auto count = parser.positionalArguments().size();
    if (count < command.minArguments || (command.maxArguments >= 0 && count > command.maxArguments)) {
        if (command.argumentSyntax.empty())
            context.err() << prefix << "takes no arguments (see --help)\n";
        else
            context.err() << prefix << "expected " << Text(command.argumentSyntax) << " (see --help)\n";
        return static_cast<int>(ExitCode::Usage);
    }
    return command.run(context, parser);
}

} // namespace corvanth
