#include "ClusterCommand.h"

#include "ClusterGraph.h"
#include "ClusterWalk.h"
#include "DatabaseError.h"
#include "NameText.h"
#include "Post.h"
#include "ResultFormat.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace corvanth {
namespace {

// The walk's host on the command line: events are served, the count is kept for the summary line.
class ClusterPostHost : public PostHost {
public:
    bool aliasesTicked() const override { return false; }
    bool aliasesEnabled() const override { return false; }
    bool broadTicked() const override { return false; }
    void pumpEvents() override { QCoreApplication::processEvents(); }
    void setMatches(std::size_t count) override { matches = count; }
    std::size_t matches = 0;
};

int Code(ExitCode code) {
    return static_cast<int>(code);
}

int UsageError(CliContext& context, const QString& text) {
    context.err() << "corvanth-cli search: " << text << "\n";
    return Code(ExitCode::Usage);
}

} // namespace

bool AsksForCluster(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--")) return false;
        if (argument == QLatin1String("--cluster")) return true;
    }
    return false;
}

int RunClusterSearchCommand(CliContext& context, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Lists the cluster of the rows a search finds: those rows (hop 0), every row that shares an\n"
        "address or a player name with one of them (hop 1), every row that shares one with those\n"
        "(hop 2), and so on. Each row is listed once, at its smallest hop; Via names the address,\n"
        "range, name or GUID it shares with a row one hop nearer. Rows are listed by hop, then by name.\n"
        "Letter case never matters. Put -- before a pattern that begins with a dash.");
    parser.addPositionalArgument(QStringLiteral("name|ip|guid"),
                                 QStringLiteral("What PATTERN is matched against."));
    parser.addPositionalArgument(QStringLiteral("PATTERN"),
                                 QStringLiteral("The pattern the start rows match."));
    const QCommandLineOption clusterOption(QStringLiteral("cluster"),
                                           QStringLiteral("List the cluster of the rows found."));
    const QCommandLineOption depthOption(
        QStringLiteral("depth"), QStringLiteral("Follow at most N hops (default 6; 0: the rows found)."),
        QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption broadOption(QStringLiteral("broad"),
                                         QStringLiteral("Link addresses by their first three octets."));
    const QCommandLineOption sameNameOption(QStringLiteral("same-name"),
                                            QStringLiteral("Link names also by their colour-stripped form."));
    const QCommandLineOption sameGuidOption(
        QStringLiteral("same-guid"),
        QStringLiteral("Link rows whose names and addresses share a client GUID."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Output as table (default), csv, json or dot."),
                                          QStringLiteral("table|csv|json|dot"), QStringLiteral("table"));
    parser.addOptions(
        {clusterOption, depthOption, broadOption, sameNameOption, sameGuidOption, formatOption});
    parser.addHelpOption();
    if (!parser.parse(arguments)) return UsageError(context, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        context.out() << parser.helpText();
        return Code(ExitCode::Ok);
    }

    const QString formatName = parser.value(formatOption);
    const bool dot = formatName == QLatin1String("dot");
    const std::optional<OutputFormat> format = dot ? OutputFormat::Table : ParseOutputFormat(formatName);
    if (!format)
        return UsageError(context, "unknown format \"" + formatName + "\" (table, csv, json or dot)");
    bool depthOk = false;
    const uint depth = parser.value(depthOption).toUInt(&depthOk);
    if (!depthOk) return UsageError(context, "--depth takes a number of hops, 0 or more");
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2 ||
        (positional[0] != QLatin1String("name") && positional[0] != QLatin1String("ip") &&
         positional[0] != QLatin1String("guid")))
        return UsageError(
            context,
            QStringLiteral("expected \"name PATTERN\", \"ip PATTERN\" or \"guid PATTERN\" (see --help)"));
    const std::string pattern = positional[1].toStdString();
    if (pattern.empty()) return UsageError(context, QStringLiteral("the pattern is empty"));

    ClusterOptions options;
    options.depth = depth;
    options.addressLinks = parser.isSet(broadOption) ? AddressLinks::SameRange : AddressLinks::SameAddress;
    options.nameLinks =
        parser.isSet(sameNameOption) ? NameLinks::SamePlayerOrStrippedName : NameLinks::SamePlayerName;
    options.guidLinks = parser.isSet(sameGuidOption) ? GuidLinks::SameGuid : GuidLinks::None;
    const Query start = positional[0] == QLatin1String("name") ? NameSearchQuery(EncodeName(pattern))
                        : positional[0] == QLatin1String("ip") ? IpSearchQuery(pattern)
                                                               : GuidSearchQuery(pattern);

    NamesDatabase* database = nullptr;
    try {
        database = &context.database();
    } catch (const DatabaseError& e) {
        context.err() << "corvanth-cli search: " << e.what() << "\n";
        return Code(ExitCode::DataError);
    }
    ResultList list;
    ClusterPostHost host;
    const ClusterOutcome outcome = ListCluster(*database, list, host, start, options);

    if (dot) {
        WriteClusterGraph(list, outcome, options, context.out());
    } else {
        const ExtraColumns hopsAndVia{
            {QStringLiteral("Hops"), QStringLiteral("Via")}, [&outcome](const ResultRow& row) {
                const auto link = row.ItemKey ? outcome.links.find(*row.ItemKey) : outcome.links.end();
                if (link == outcome.links.end()) return std::vector<QString>(2);
                return std::vector<QString>{QString::number(link->second.hops),
                                            QString::fromStdString(link->second.via)};
            }};
        WriteResults(list, *format, outcome.matches == 0 ? ListContent::NoMatchesRow : ListContent::Rows,
                     context.out(), &hopsAndVia);
        if (*format == OutputFormat::Table) context.out() << "Total Matches: " << host.matches << "\n";
    }
    if (const auto text = ClusterEndText(outcome.end, options))
        context.err() << "corvanth-cli search: " << QString::fromStdString(*text) << "\n";
    if (outcome.failure) {
        context.err() << "corvanth-cli search: " << QString::fromStdString(*outcome.failure) << "\n";
        return Code(ExitCode::DataError);
    }
    return Code(ExitCode::Ok);
}

} // namespace corvanth
