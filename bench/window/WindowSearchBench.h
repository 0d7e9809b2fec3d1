#pragma once

#include <QString>

namespace corvanth {

// A timed name search as the window runs it, for bench/window-search: Post with the window's event
// pumping into the result list, shown through the list model in a table view (offscreen), on the
// database at `databasePath`. Prints the search's time, the rows and the longest gap between two
// turns of the event loop during it.
enum class SearchAliases { SameAddress, FirstThreeOctets };
int RunWindowSearchBench(const QString& databasePath, const QString& pattern, SearchAliases aliases);

} // namespace corvanth
