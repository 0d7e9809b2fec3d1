#include "ResultFormat.h"

#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
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

// Writes UTF-8 bytes to the stream: straight to its device when it has one (its buffered text is
// flushed first), else through the stream's own text.
class ByteSink {
public:
    explicit ByteSink(QTextStream& out) : out_(out) {
        out_.flush();
        buffer_.reserve(2 * kChunk);
    }
    ~ByteSink() { flush(); }
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    void append(std::string_view bytes) {
        buffer_.append(bytes);
        if (buffer_.size() >= kChunk) flush();
    }
    void appendText(const QString& text) {
        const QByteArray bytes = text.toUtf8();
        append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    void flush() {
        if (buffer_.empty()) return;
        if (QIODevice* device = out_.device())
            device->write(buffer_.data(), static_cast<qint64>(buffer_.size()));
        else
            out_ << FromUtf8(buffer_);
        buffer_.clear();
    }

    QTextStream& out_;
    std::string buffer_;
};

bool IsAsciiText(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// CsvField on UTF-8 bytes. Text other than ASCII goes through QString, as the stream would write it.
// What a byte asks of a CSV field: nothing, quotes around it (1), or the way through QString (2).
constexpr std::array<unsigned char, 256> kCsvByte = [] {
    std::array<unsigned char, 256> table{};
    for (const char c : {',', '"', '\r', '\n'})
        table[static_cast<unsigned char>(c)] = 1;
    for (std::size_t b = 0x80; b < 0x100; ++b)
        table[b] = 2;
    return table;
}();

void AppendCsvField(ByteSink& sink, std::string_view text) {
    unsigned char needs = 0;
    for (const char c : text)
        needs |= kCsvByte[static_cast<unsigned char>(c)];
    if (needs & 2) {
        sink.appendText(CsvField(FromUtf8(text)));
        return;
    }
    const bool quote = needs != 0;
    if (!quote) {
        sink.append(text);
        return;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    sink.append(quoted);
}

// JsonString on UTF-8 bytes, with the same rule for text other than ASCII.
void AppendJsonString(ByteSink& sink, std::string_view text) {
    if (!IsAsciiText(text)) {
        sink.appendText(JsonString(FromUtf8(text)));
        return;
    }
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    sink.append(out);
}

// The referee mark as JSON: the words the database gives for a BOOLEAN column as true and false, no
// mark as null, any other text (a custom query's own column) as a string.
void AppendJsonReferee(ByteSink& sink, std::string_view text) {
    if (text == "True")
        sink.append("true");
    else if (text == "False")
        sink.append("false");
    else if (text.empty())
        sink.append("null");
    else
        AppendJsonString(sink, text);
}

// CSV and JSON are written row by row from the list, without holding the whole text.
void StreamCsv(const ResultList& list, bool withRows, const ExtraColumns* extra, QTextStream& out) {
    ByteSink sink(out);
    auto writeRecord = [&](const std::vector<std::string_view>& cells, const std::vector<QString>& more) {
        bool first = true;
        for (const std::string_view cell : cells) {
            if (!first) sink.append(",");
            first = false;
            AppendCsvField(sink, cell);
        }
        for (const QString& cell : more) {
            sink.append(",");
            sink.appendText(CsvField(cell));
        }
        sink.append("\r\n");
    };
    const std::vector<std::string_view> headers(kResultHeaders.begin(), kResultHeaders.end());
    writeRecord(headers, extra ? extra->headers : std::vector<QString>{});
    if (!withRows) return;
    list.ForEachRow([&](const ResultRow& row) {
        for (std::size_t c = 0; c < kResultCellCount; ++c) {
            if (c > 0) sink.append(",");
            AppendCsvField(sink, row.Cells[c]);
        }
        if (extra) {
            for (const QString& cell : extra->cells(row)) {
                sink.append(",");
                sink.appendText(CsvField(cell));
            }
        }
        sink.append("\r\n");
    });
}

void StreamJson(const ResultList& list, bool withRows, const ExtraColumns* extra, QTextStream& out) {
    ByteSink sink(out);
    if (!withRows || list.Count() == 0) {
        sink.append("[]\n");
        return;
    }
    std::vector<std::string> headers;
    for (const std::string_view header : kResultHeaders)
        headers.emplace_back(header);
    sink.append("[\n");
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const ResultRow& row = list.Row(i);
        sink.append("  {");
        for (std::size_t c = 0; c < kResultCellCount; ++c) {
            if (c > 0) sink.append(", ");
            AppendJsonString(sink, headers[c]);
            sink.append(": ");
            if (c == static_cast<std::size_t>(ResultCell::Referee))
                AppendJsonReferee(sink, row.Cells[c]);
            else
                AppendJsonString(sink, row.Cells[c]);
        }
        if (extra) {
            const std::vector<QString> more = extra->cells(row);
            for (std::size_t c = 0; c < more.size() && c < extra->headers.size(); ++c) {
                sink.append(", ");
                sink.appendText(JsonString(extra->headers[c]));
                sink.append(": ");
                const JsonType type = c < extra->types.size() ? extra->types[c] : JsonType::String;
                if (more[c].isEmpty())
                    sink.append("null");
                else if (type == JsonType::Number)
                    sink.appendText(more[c]);
                else
                    sink.appendText(JsonString(more[c]));
            }
        }
        sink.append(i + 1 < list.Count() ? "},\n" : "}\n");
    }
    sink.append("]\n");
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
    const bool withRows = content != ListContent::NoMatchesRow;
    switch (format) {
    case OutputFormat::Table: {
        std::vector<RowTexts> rows;
        rows.reserve(list.Count());
        for (std::size_t i = 0; i < list.Count(); ++i)
            rows.push_back(Texts(list.Row(i), extra));
        WriteTable(Headers(extra), rows, out);
        break;
    }
    case OutputFormat::Csv:
        StreamCsv(list, withRows, extra, out);
        break;
    case OutputFormat::Json:
        StreamJson(list, withRows, extra, out);
        break;
    }
}

} // namespace corvanth
