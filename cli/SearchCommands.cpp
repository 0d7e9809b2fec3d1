#include "CliContext.h"
#include "ClusterCommand.h"
#include "DatabaseError.h"
#include "FixedPostHost.h"
#include "NameText.h"
#include "Post.h"
#include "ResultFormat.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <optional>

namespace corvanth {
namespace {

int Code(ExitCode code) {
    return static_cast<int>(code);
}

QCommandLineOption FormatOption() {
    return QCommandLineOption(QStringLiteral("format"),
                              QStringLiteral("Output as table (default), csv or json."),
                              QStringLiteral("table|csv|json"), QStringLiteral("table"));
}

// Parses a command's arguments. Returns an exit code when the command ends right away, else the
// output format.
struct Parsed {
    std::optional<int> finished;
    OutputFormat format = OutputFormat::Table;
};

Parsed Parse(QCommandLineParser& parser, CliContext& context, const QStringList& arguments,
             const char* command) {
    parser.addOption(FormatOption());
    parser.addHelpOption();
    if (auto done = ParseCommandArguments(parser, context, arguments, command)) return {done};
    const auto format = ParseOutputFormat(parser.value(FormatOption()));
    if (!format) {
        context.err() << "corvanth-cli " << command << ": unknown format \"" << parser.value(FormatOption())
                      << "\" (table, csv or json)\n";
        return {Code(ExitCode::Usage)};
    }
    return {std::nullopt, *format};
}

NamesDatabase* OpenDatabase(CliContext& context, const char* command) {
    try {
        return &context.database();
    } catch (const DatabaseError& e) {
        context.err() << "corvanth-cli " << command << ": " << e.what() << "\n";
        return nullptr;
    }
}

// Runs one search as the window's Search and Query buttons do and prints the list.
int PostAndPrint(CliContext& context, const char* command, const Query& query, AliasCheck aliasCheck,
                 Aliases aliases, OutputFormat format) {
    NamesDatabase* database = OpenDatabase(context, command);
    if (!database) return Code(ExitCode::DataError);
    ResultList list;
    FixedPostHost host(aliases, [] {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    });
    const PostOutcome outcome = Post(*database, list, host, query, ClearFirst::Yes, aliasCheck);
    // A failed statement prints only its error: a script reading the output never gets a row that is
    // not in the database.
    if (outcome.failure) {
        context.err() << "corvanth-cli " << command << ": " << QString::fromStdString(*outcome.failure)
                      << "\n";
        return Code(ExitCode::DataError);
    }
    WriteResults(list, format, outcome.matches == 0 ? ListContent::NoMatchesRow : ListContent::Rows,
                 context.out());
    if (format == OutputFormat::Table) context.out() << "Total Matches: " << host.matches() << "\n";
    if (outcome.timedOut) {
        context.err() << "corvanth-cli " << command << ": stopped listing after "
                      << static_cast<qint64>(kPostTimeLimit.count())
                      << " seconds; the rows after that are missing\n";
    }
    return Code(ExitCode::Ok);
}

} // namespace

int RunSearchCommand(CliContext& context, const QStringList& arguments) {
    if (AsksForCluster(arguments)) return RunClusterSearchCommand(context, arguments);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Searches the names database and prints the rows sorted by name.\n"
        "  name PATTERN: colour-stripped names matching PATTERN, ignoring letter case. In a pattern\n"
        "                * is any run of characters, ? one character, # one digit, [list] one\n"
        "                character of the list: *ace* finds every name containing \"ace\".\n"
        "  ip PATTERN:   addresses matching PATTERN, as typed: 10.0.0.* for a whole /24.\n"
        "  guid PATTERN: the rows of the names and addresses seen with a client GUID matching\n"
        "                PATTERN (Urban Terror logs record each client's cl_guid).\n"
        "With --cluster, every row linked to the rows found (see search --cluster --help).\n"
        "Put -- before a pattern that begins with a dash.");
    parser.addPositionalArgument(QStringLiteral("name|ip|guid"),
                                 QStringLiteral("What PATTERN is matched against."));
    parser.addPositionalArgument(QStringLiteral("PATTERN"), QStringLiteral("The pattern to search for."));
    const QCommandLineOption aliasesOption(
        QStringLiteral("aliases"),
        QStringLiteral("name: also list every name seen from each found address."));
    const QCommandLineOption broadOption(
        QStringLiteral("broad"),
        QStringLiteral("name, with --aliases: take aliases from the address's first three octets."));
    parser.addOption(aliasesOption);
    parser.addOption(broadOption);
    const Parsed parsed = Parse(parser, context, arguments, "search");
    if (parsed.finished) return *parsed.finished;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2 ||
        (positional[0] != QLatin1String("name") && positional[0] != QLatin1String("ip") &&
         positional[0] != QLatin1String("guid"))) {
        context.err() << "corvanth-cli search: expected \"name PATTERN\", \"ip PATTERN\" or \"guid PATTERN\" "
                         "(see --help)\n";
        return Code(ExitCode::Usage);
    }
    const std::string pattern = positional[1].toStdString();
    if (pattern.empty()) {
        context.err() << "corvanth-cli search: the pattern is empty\n";
        return Code(ExitCode::Usage);
    }
    const bool byName = positional[0] == QLatin1String("name");
    if (!byName && (parser.isSet(aliasesOption) || parser.isSet(broadOption))) {
        context.err() << "corvanth-cli search: an address or GUID search lists no aliases; --aliases and "
                         "--broad belong to a name search\n";
        return Code(ExitCode::Usage);
    }
    if (parser.isSet(broadOption) && !parser.isSet(aliasesOption)) {
        context.err() << "corvanth-cli search: --broad widens --aliases; give both\n";
        return Code(ExitCode::Usage);
    }

    if (byName) {
        const Aliases aliases = !parser.isSet(aliasesOption) ? Aliases::Off
                                : parser.isSet(broadOption)  ? Aliases::SameFirstThreeOctets
                                                             : Aliases::SameAddress;
        return PostAndPrint(context, "search", NameSearchQuery(EncodeName(pattern)), AliasCheck::AllowAliases,
                            aliases, parsed.format);
    }
    const Query query =
        positional[0] == QLatin1String("ip") ? IpSearchQuery(pattern) : GuidSearchQuery(pattern);
    return PostAndPrint(context, "search", query, AliasCheck::ForbidAliases, Aliases::Off, parsed.format);
}

int RunRefsCommand(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Lists every name that logged in as referee, in the database's order.");
    const Parsed parsed = Parse(parser, context, arguments, "refs");
    if (parsed.finished) return *parsed.finished;
    if (!parser.positionalArguments().isEmpty()) {
        context.err() << "corvanth-cli refs: takes no arguments (see --help)\n";
        return Code(ExitCode::Usage);
    }
    NamesDatabase* database = OpenDatabase(context, "refs");
    if (!database) return Code(ExitCode::DataError);
    ResultList list;
    const auto listed = ListReferees(*database, list);
    if (!listed) {
        context.err() << "corvanth-cli refs: " << QString::fromStdString(listed.reason()) << "\n";
        return Code(ExitCode::DataError);
    }
    WriteResults(list, parsed.format, ListContent::Rows, context.out());
    return Code(ExitCode::Ok);
}

int RunQueryCommand(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs an SQL statement on the names database (table Names: PlayerName, StrippedName, IP,\n"
        "LastVisit, Ref) and lists the rows that have a PlayerName and an IP column, sorted by name.\n"
        "LIKE takes the search patterns (* ? # [list]); Yes and No mean true and false. Names are\n"
        "stored with \u00f6 in place of an apostrophe.\n"
        "Example: corvanth-cli query \"SELECT * FROM Names WHERE Ref = Yes\"");
    parser.addPositionalArgument(QStringLiteral("SQL"), QStringLiteral("The statement, as one argument."));
    const Parsed parsed = Parse(parser, context, arguments, "query");
    if (parsed.finished) return *parsed.finished;
    if (parser.positionalArguments().size() != 1) {
        context.err()
            << "corvanth-cli query: expected the statement as one argument (quote it; see --help)\n";
        return Code(ExitCode::Usage);
    }
    return PostAndPrint(context, "query", CustomQuery(parser.positionalArguments().front().toStdString()),
                        AliasCheck::ForbidAliases, Aliases::Off, parsed.format);
}

} // namespace corvanth
