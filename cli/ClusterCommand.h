#pragma once

#include "CliContext.h"

#include <QStringList>

namespace corvanth {

// Whether a search command's arguments ask for a cluster (--cluster before any "--").
bool AsksForCluster(const QStringList& arguments);

// search name|ip PATTERN --cluster [--depth N] [--broad] [--same-name] [--format table|csv|json|dot]:
// the rows the search finds and every row linked to them, by hop, with the columns Hops and Via after
// the usual five, or as a Graphviz graph.
int RunClusterSearchCommand(CliContext& context, const QStringList& arguments);

} // namespace corvanth
