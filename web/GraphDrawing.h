#pragma once

#include "Outcome.h"

#include <string>

namespace corvanth {

// A Graphviz graph drawn as SVG by the `dot` program (`dot -Tsvg`); the graph goes through a scratch
// file, so a large drawing cannot block on a full pipe.
Outcome<std::string> DrawSvg(const std::string& graph);

} // namespace corvanth
