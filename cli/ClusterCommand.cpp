#include "ClusterCommand.h"

#include "ClusterGraph.h"
#include "ClusterWalk.h"
#include "DatabaseError.h"
#include "Post.h"
#include "ResultFormat.h"

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

} // namespace

int ListClusterOf(CliContext& context, const Query& start, const ClusterOptions& options, OutputFormat format,
                  ClusterOutput output) {
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

    if (output == ClusterOutput::Graph) {
        WriteClusterGraph(list, outcome, options, context.out());
    } else {
        const ExtraColumns hopsAndVia{
            {QStringLiteral("Hops"), QStringLiteral("Via")},
            {JsonType::Number, JsonType::String},
            [&outcome](const ResultRow& row) {
                const auto link = row.ItemKey ? outcome.links.find(*row.ItemKey) : outcome.links.end();
                if (link == outcome.links.end()) return std::vector<QString>(2);
                return std::vector<QString>{QString::number(link->second.hops),
                                            QString::fromStdString(link->second.via)};
            }};
        WriteResults(list, format, outcome.matches == 0 ? ListContent::NoMatchesRow : ListContent::Rows,
                     context.out(), &hopsAndVia);
        if (format == OutputFormat::Table) context.out() << "Total Matches: " << host.matches << "\n";
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
