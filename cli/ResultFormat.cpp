#include "ResultFormat.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace corvanth {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The five cells of a row, then the extra columns' cells.
using RowTexts = std::vector<QString>;

RowTexts Texts(const ResultRow& row, const ExtraColumns* extra) {
    RowTexts texts;
    for (const std::string& cell : row.Cells)
        texts.push_back(FromUtf8(cell));
    if (extra) {
        for (QString& cell : extra->cells(row))
            texts.push_back(std::move(cell));
    }
    return texts;
}

RowTexts Headers(const ExtraColumns* extra) {
    RowTexts texts;
    for (std::string_view header : kResultHeaders)
        texts.push_back(FromUtf8(header));
    if (extra) texts.insert(texts.end(), extra->headers.begin(), extra->headers.end());
    return texts;
}

// Columns are measured in code points.
qsizetype Width(const QString& text) {
    return static_cast<qsizetype>(text.toUcs4().size());
}

void WriteTable(const RowTexts& headers, const std::vector<RowTexts>& rows, QTextStream& out) {
    const std::size_t columns = headers.size();
    std::vector<RowTexts> shown;
    shown.reserve(rows.size() + 1);
    shown.push_back(headers);
    for (const auto& row : rows) {
        RowTexts visible;
        for (const QString& cell : row)
            visible.push_back(VisibleText(cell));
        shown.push_back(std::move(visible));
    }
    std::vector<qsizetype> widths(columns, 0);
    for (const auto& row : shown)
        for (std::size_t c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], Width(row[c]));

    auto writeLine = [&](const RowTexts& row) {
        QString line;
        for (std::size_t c = 0; c < columns; ++c) {
            if (c > 0) line += QStringLiteral("  ");
            line += row[c];
            if (c + 1 < columns) line += QString(widths[c] - Width(row[c]), QLatin1Char(' '));
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << '\n';
    };
    writeLine(shown.front());
    RowTexts rule;
    for (std::size_t c = 0; c < columns; ++c)
        rule.push_back(QString(widths[c], QLatin1Char('-')));
    writeLine(rule);
    for (std::size_t i = 1; i < shown.size(); ++i)
        writeLine(shown[i]);
}

void WriteCsv(const RowTexts& headers, const std::vector<RowTexts>& rows, QTextStream& out) {
    auto writeRecord = [&](const RowTexts& row) {
        QStringList fields;
        for (const auto& text : row)
            fields << CsvField(text);
        out << fields.join(QLatin1Char(',')) << "\r\n";
    };
    writeRecord(headers);
    for (const auto& row : rows)
        writeRecord(row);
}

void WriteJson(const RowTexts& headers, const std::vector<RowTexts>& rows, QTextStream& out) {
    if (rows.empty()) {
        out << "[]\n";
        return;
    }
    out << "[\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out << "  {";
        for (std::size_t c = 0; c < headers.size(); ++c) {
            if (c > 0) out << ", ";
            out << JsonString(headers[c]) << ": " << JsonString(rows[i][c]);
        }
        out << (i + 1 < rows.size() ? "},\n" : "}\n");
    }
    out << "]\n";
}

} // namespace

QString VisibleText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\r') {
            out += QStringLiteral("\\r");
        } else if (u == '\n') {
            out += QStringLiteral("\\n");
        } else if (u == '\t') {
            out += QStringLiteral("\\t");
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x%1").arg(static_cast<int>(u), 2, 16, QLatin1Char('0'));
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<OutputFormat> ParseOutputFormat(const QString& name) {
    if (name == QLatin1String("table")) return OutputFormat::Table;
    if (name == QLatin1String("csv")) return OutputFormat::Csv;
    if (name == QLatin1String("json")) return OutputFormat::Json;
    return std::nullopt;
}

QString CsvField(const QString& text) {
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quote) return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString JsonString(const QString& text) {
    // The characters JSON writes with a short escape; other control characters become \u00XX.
    static constexpr std::array<std::pair<char16_t, const char*>, 7> kShort = {{{'"', "\\\""},
                                                                                {'\\', "\\\\"},
                                                                                {'\b', "\\b"},
                                                                                {'\f', "\\f"},
                                                                                {'\n', "\\n"},
                                                                                {'\r', "\\r"},
                                                                                {'\t', "\\t"}}};
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        const auto escape =
            std::find_if(kShort.begin(), kShort.end(), [u](const auto& e) { return e.first == u; });
        if (escape != kShort.end())
            out += QLatin1String(escape->second);
        else if (u < 0x20)
            out += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    out += QLatin1Char('"');
    return out;
}

void WriteResults(const ResultList& list, OutputFormat format, ListContent content, QTextStream& out,
                  const ExtraColumns* extra) {
    std::vector<RowTexts> rows;
    const bool machine = format != OutputFormat::Table;
    if (!(machine && content == ListContent::NoMatchesRow)) {
        rows.reserve(list.Count());
        for (std::size_t i = 0; i < list.Count(); ++i)
            rows.push_back(Texts(list.Row(i), extra));
    }
    switch (format) {
    case OutputFormat::Table:
        WriteTable(Headers(extra), rows, out);
        break;
    case OutputFormat::Csv:
        WriteCsv(Headers(extra), rows, out);
        break;
    case OutputFormat::Json:
        WriteJson(Headers(extra), rows, out);
        break;
    }
}

} // namespace corvanth
