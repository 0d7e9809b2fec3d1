#pragma once

#include "NamesDatabase.h"

#include <algorithm>
#include <string>
#include <vector>

namespace corvanth::test {

// Table Names as text, one "PlayerName|IP|LastVisit|Ref" line per row, sorted.
inline std::string NamesTable(NamesDatabase& db) {
    std::string text;
    Recordset rs = db.OpenRecordset(CustomQuery(
        "SELECT PlayerName, IP, LastVisit, Ref FROM Names ORDER BY PlayerName, IP, LastVisit, Ref"));
    for (; !rs.Eof(); rs.MoveNext())
        text += rs.Field("PlayerName").value_or("") + "|" + rs.Field("IP").value_or("") + "|" +
                rs.Field("LastVisit").value_or("") + "|" + rs.Field("Ref").value_or("") + "\n";
    return text;
}

// Table Guids as text, one "Guid|PlayerName|IP|LastVisit" line per row, sorted by bytes.
inline std::string GuidsTable(NamesDatabase& db) {
    std::vector<std::string> lines;
    for (Recordset rs = db.OpenRecordset(CustomQuery("SELECT Guid, PlayerName, IP, LastVisit FROM Guids"));
         !rs.Eof(); rs.MoveNext())
        lines.push_back(rs.Field("Guid").value_or("") + "|" + rs.Field("PlayerName").value_or("") + "|" +
                        rs.Field("IP").value_or("") + "|" + rs.Field("LastVisit").value_or("") + "\n");
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

// The same through a connection of its own, the way another program reads the file.
inline std::string NamesTable(const std::string& databasePath) {
    NamesDatabase db;
    db.Open(databasePath);
    return NamesTable(db);
}

// SQLite's own check of the file: "ok" when it is sound.
inline std::string IntegrityCheck(const std::string& databasePath) {
    NamesDatabase db;
    db.Open(databasePath);
    Recordset rs = db.OpenRecordset(CustomQuery("PRAGMA integrity_check"));
    return rs.Eof() ? "" : rs.Field("integrity_check").value_or("");
}

} // namespace corvanth::test
