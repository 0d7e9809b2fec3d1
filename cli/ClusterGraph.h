#pragma once

#include "ClusterWalk.h"
#include "ResultList.h"

#include <QTextStream>

namespace corvanth {

// A cluster as a Graphviz graph (for dot -Tsvg): every player name and every address is a node, every
// listed row (a visit of a name from an address) an edge between them, labelled with its hop count.
// The start rows' edges and nodes are highlighted. When the walk also linked the first three octets
// or the stripped names, those ranges and names are nodes too, joined to their addresses and names by
// dashed edges. Names and addresses compare ignoring letter case, as the walk does.
void WriteClusterGraph(const ResultList& list, const ClusterOutcome& outcome, const ClusterOptions& options,
                       QTextStream& out);

} // namespace corvanth
