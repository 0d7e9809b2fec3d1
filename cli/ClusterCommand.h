#pragma once

#include "CliContext.h"
#include "ClusterWalk.h"
#include "Query.h"
#include "ResultFormat.h"

namespace corvanth {

// How a cluster is printed: as the result list in a format, or as a Graphviz graph.
enum class ClusterOutput { List, Graph };

// search name|ip PATTERN --cluster: the rows `start` finds and every row linked to them, by hop, with the
// columns Hops and Via after the usual five (in `format`), or as a Graphviz graph.
int ListClusterOf(CliContext& context, const Query& start, const ClusterOptions& options, OutputFormat format,
                  ClusterOutput output);

} // namespace corvanth
