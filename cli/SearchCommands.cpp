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

// The --format value as a list format; a usage error (on stderr) for any other.
std::optional<OutputFormat> ListFormat(CliContext& context, const QCommandLineParser& parser,
                                       const char* command) {
    const QString name = parser.value(QStringLiteral("format"));
    const auto format = ParseOutputFormat(name);
    if (!format)
        context.err() << "corvanth-cli " << command << ": unknown format \"" << name
                      << "\" (table, csv or json)\n";
    return format;
}

int UsageError(CliContext& context, const QString& text) {
    context.err() << "corvanth-cli search: " << text << "\n";
    return Code(ExitCode::Usage);
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

int RunSearchCommand(CliContext& context, const QCommandLineParser& parser) {
    const QStringList positional = parser.positionalArguments();
    if (positional[0] != QLatin1String("name") && positional[0] != QLatin1String("ip") &&
        positional[0] != QLatin1String("guid"))
        return UsageError(
            context,
            QStringLiteral("expected \"name PATTERN\", \"ip PATTERN\" or \"guid PATTERN\" (see --help)"));
    const std::string pattern = positional[1].toStdString();
    if (pattern.empty()) return UsageError(context, QStringLiteral("the pattern is empty"));
    const bool byName = positional[0] == QLatin1String("name");
    const bool aliases = parser.isSet(QStringLiteral("aliases"));
    const bool broad = parser.isSet(QStringLiteral("broad"));
    const bool cluster = parser.isSet(QStringLiteral("cluster"));
    const QString formatName = parser.value(QStringLiteral("format"));
    const bool dot = formatName == QLatin1String("dot");

    if (cluster) {
        if (aliases)
            return UsageError(context,
                              QStringLiteral("--aliases goes one step, --cluster every step; give one"));
        bool depthOk = false;
        const uint depth = parser.value(QStringLiteral("depth")).toUInt(&depthOk);
        if (!depthOk) return UsageError(context, QStringLiteral("--depth takes a number of hops, 0 or more"));
        const std::optional<OutputFormat> format = dot ? OutputFormat::Table : ParseOutputFormat(formatName);
        if (!format)
            return UsageError(context, "unknown format \"" + formatName + "\" (table, csv, json or dot)");
        ClusterOptions options;
        options.depth = depth;
        options.addressLinks = broad ? AddressLinks::SameRange : AddressLinks::SameAddress;
        options.nameLinks = parser.isSet(QStringLiteral("same-name")) ? NameLinks::SamePlayerOrStrippedName
                                                                      : NameLinks::SamePlayerName;
        options.guidLinks = parser.isSet(QStringLiteral("same-guid")) ? GuidLinks::SameGuid : GuidLinks::None;
        const Query start = byName                                 ? NameSearchQuery(EncodeName(pattern))
                            : positional[0] == QLatin1String("ip") ? IpSearchQuery(pattern)
                                                                   : GuidSearchQuery(pattern);
        return ListClusterOf(context, start, options, *format,
                             dot ? ClusterOutput::Graph : ClusterOutput::List);
    }

    // Options that only shape a cluster, each told as --broad alone is.
    if (parser.isSet(QStringLiteral("same-name")))
        return UsageError(context, QStringLiteral("--same-name widens --cluster; give both"));
    if (parser.isSet(QStringLiteral("same-guid")))
        return UsageError(context, QStringLiteral("--same-guid widens --cluster; give both"));
    if (parser.isSet(QStringLiteral("depth")))
        return UsageError(context, QStringLiteral("--depth limits --cluster; give both"));
    if (dot) return UsageError(context, QStringLiteral("--format dot draws a cluster; give --cluster too"));
    if (!byName && aliases)
        return UsageError(context,
                          QStringLiteral("an address or GUID search lists no aliases; --aliases belongs "
                                         "to a name search"));
    if (broad && !aliases)
        return UsageError(context, QStringLiteral("--broad widens --aliases or --cluster; give one of them"));
    const auto format = ListFormat(context, parser, "search");
    if (!format) return Code(ExitCode::Usage);

    if (byName) {
        const Aliases aliasRule = !aliases ? Aliases::Off
                                  : broad  ? Aliases::SameFirstThreeOctets
                                           : Aliases::SameAddress;
        return PostAndPrint(context, "search", NameSearchQuery(EncodeName(pattern)), AliasCheck::AllowAliases,
                            aliasRule, *format);
    }
    const Query query =
        positional[0] == QLatin1String("ip") ? IpSearchQuery(pattern) : GuidSearchQuery(pattern);
    return PostAndPrint(context, "search", query, AliasCheck::ForbidAliases, Aliases::Off, *format);
}

int RunRefsCommand(CliContext& context, const QCommandLineParser& parser) {
    const auto format = ListFormat(context, parser, "refs");
    if (!format) return Code(ExitCode::Usage);
    NamesDatabase* database = OpenDatabase(context, "refs");
    if (!database) return Code(ExitCode::DataError);
    ResultList list;
    const auto listed = ListReferees(*database, list);
    if (!listed) {
        context.err() << "corvanth-cli refs: " << QString::fromStdString(listed.reason()) << "\n";
        return Code(ExitCode::DataError);
    }
    WriteResults(list, *format, ListContent::Rows, context.out());
    return Code(ExitCode::Ok);
}

int RunQueryCommand(CliContext& context, const QCommandLineParser& parser) {
    const auto format = ListFormat(context, parser, "query");
    if (!format) return Code(ExitCode::Usage);
    return PostAndPrint(context, "query", CustomQuery(parser.positionalArguments().front().toStdString()),
                        AliasCheck::ForbidAliases, Aliases::Off, *format);
}

} // namespace corvanth
