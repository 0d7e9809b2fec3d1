#pragma once

#include "OnlineList.h"

#include <QTextStream>

#include <vector>

namespace corvanth {

// The servers and players `corvanth-cli who --format json` prints, in that text: the command and the
// web's "Now playing" answer write them through this one function.
void WriteWhoJson(const std::vector<OnlineServerRows>& servers, QTextStream& out);

} // namespace corvanth
