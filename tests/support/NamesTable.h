#pragma once

#include <string>

namespace corvanth {
class NamesDatabase;
}

namespace corvanth::test {

// Table Names as text, one "PlayerName|IP|LastVisit|Ref" line per row, sorted.
std::string NamesTable(NamesDatabase& db);
// The same through a connection of its own, the way another program reads the file.
std::string NamesTable(const std::string& databasePath);
// SQLite's own check of the file: "ok" when it is sound.
std::string IntegrityCheck(const std::string& databasePath);

} // namespace corvanth::test
