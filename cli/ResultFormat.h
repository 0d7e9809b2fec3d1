#pragma once

#include "ResultList.h"

#include <QString>
#include <QTextStream>

#include <functional>
#include <optional>
#include <vector>

namespace corvanth {

// How the command line prints the result list.
//   table: aligned columns under the five headers, for reading; control characters in a cell (such
//          as the carriage return that may end a date text) are shown as \r, \n, \t or \xNN.
//   csv:   RFC 4180: a header row of the five column names, CRLF line ends, a field quoted (with
//          its quotes doubled) when it holds a comma, a quote, CR or LF; cell texts exactly.
//   json:  an array of objects with the keys "Name", "StripName", "IP", "Last Connection",
//          "Referee", in that order: texts as strings (exactly), Referee as true or false (null when the
//          row has no mark; a custom query's other texts as strings), the extra columns as their type
//          says, an empty extra cell as null.
enum class OutputFormat { Table, Csv, Json };

// "table", "csv" or "json"; nothing for any other text.
std::optional<OutputFormat> ParseOutputFormat(const QString& name);

// What the list holds: result rows, or only the row that says that nothing was found. That row is
// shown in a table, as the window shows it; CSV and JSON, meant for other programs, carry no rows then.
enum class ListContent { Rows, NoMatchesRow };

// What JSON writes an extra column's cells as.
enum class JsonType { String, Number };

// Columns a listing shows after the five (a cluster's Hops and Via): their headers, JSON types, and each
// row's cells.
struct ExtraColumns {
    std::vector<QString> headers;
    std::vector<JsonType> types;
    std::function<std::vector<QString>(const ResultRow&)> cells;
};

void WriteResults(const ResultList& list, OutputFormat format, ListContent content, QTextStream& out,
                  const ExtraColumns* extra = nullptr);

// A cell as a table shows it: control characters made visible (\r, \n, \t, \xNN), so they cannot break
// the layout.
QString VisibleText(const QString& text);

// One field of a CSV record, quoted when needed.
QString CsvField(const QString& text);
// A JSON string literal, quotes included.
QString JsonString(const QString& text);

} // namespace corvanth
