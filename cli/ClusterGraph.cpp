#include "ClusterGraph.h"

#include "Post.h"
#include "ResultFormat.h"
#include "TextCodec.h"

#include <QStringList>

#include <map>
#include <set>
#include <string>
#include <utility>

namespace corvanth {
namespace {

// A quoted DOT string showing `text`: control characters made visible, backslashes and quotes escaped.
QString DotString(const std::string& text) {
    QString escaped = VisibleText(QString::fromStdString(text));
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The nodes of one kind, by folded text, each with an id ("n0", "a3", ...), the text it shows and
// whether a start row touches it.
class NodeSet {
public:
    explicit NodeSet(char prefix) : prefix_(prefix) {}

    QString add(const std::string& text, bool start) {
        auto [it, added] = nodes_.try_emplace(FoldCase(text), Node{nodes_.size(), text, start});
        it->second.start = it->second.start || start;
        return id(it->second);
    }
    void write(const char* attributes, QTextStream& out) const {
        for (const auto& [folded, node] : nodes_) {
            out << "  " << id(node) << " [label=" << DotString(node.text) << ", " << attributes;
            if (node.start) out << ", style=filled, fillcolor=gold";
            out << "];\n";
        }
    }

private:
    struct Node {
        std::size_t number;
        std::string text;
        bool start;
    };
    QString id(const Node& node) const { return QLatin1Char(prefix_) + QString::number(node.number); }

    char prefix_;
    std::map<std::string, Node> nodes_;
};

} // namespace

void WriteClusterGraph(const ResultList& list, const ClusterOutcome& outcome, const ClusterOptions& options,
                       QTextStream& out) {
    NodeSet names('n'), addresses('a'), ranges('r'), strippedNames('s');
    QStringList visits;
    std::set<std::pair<QString, QString>> dashed; // each range or stripped name joined once per node
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const ResultRow& row = list.Row(i);
        if (!row.ItemKey) continue; // the placeholder row
        const ClusterLink& link = outcome.links.at(*row.ItemKey);
        const bool start = link.hops == 0;
        const QString name = names.add(row.Cell(ResultCell::Name), start);
        const QString address = addresses.add(row.Cell(ResultCell::IP), start);
        visits << QStringLiteral("  %1 -- %2 [label=\"%3\"%4];\n")
                      .arg(name, address, QString::number(link.hops),
                           start ? QStringLiteral(", color=red, penwidth=2") : QString());
        const std::string range = BroadIP(row.Cell(ResultCell::IP));
        if (options.addressLinks == AddressLinks::SameRange && range != row.Cell(ResultCell::IP))
            dashed.emplace(address, ranges.add(range, false));
        if (options.nameLinks == NameLinks::SamePlayerOrStrippedName)
            dashed.emplace(name, strippedNames.add(row.Cell(ResultCell::StripName), false));
    }

    out << "graph cluster {\n"
        << "  node [fontname=\"Helvetica\", fontsize=10];\n"
        << "  edge [fontname=\"Helvetica\", fontsize=8];\n";
    names.write("shape=box", out);
    addresses.write("shape=ellipse", out);
    ranges.write("shape=diamond", out);
    strippedNames.write("shape=box, style=rounded", out);
    for (const QString& visit : visits)
        out << visit;
    for (const auto& [from, to] : dashed)
        out << "  " << from << " -- " << to << " [style=dashed];\n";
    out << "}\n";
}

} // namespace corvanth
