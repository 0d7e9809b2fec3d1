#pragma once

#include "NamesDatabase.h"

#include <string>

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
