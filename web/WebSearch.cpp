#include "WebSearch.h"

#include "AddressRules.h"
#include "ClusterGraph.h"
#include "FixedPostHost.h"
#include "NameText.h"
#include "WebPostHost.h"

#include <QByteArray>
#include <QString>
#include <QTextStream>

namespace corvanth {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Json(std::string_view text) {
    return JsonString(Text(text)).toStdString();
}

// A copy of the list in its shown order, every address masked (sorting off, so the order stays).
std::unique_ptr<ResultList> MaskedCopy(const ResultList& list) {
    auto masked = std::make_unique<ResultList>();
    list.ForEachRow([&](const ResultRow& row) {
        ResultRow copy = row;
        copy.Cell(ResultCell::IP) = MaskAddress(row.Cell(ResultCell::IP));
        masked->Add(std::move(copy));
    });
    return masked;
}

bool ViaIsAddress(LinkKind kind) {
    return kind == LinkKind::Address || kind == LinkKind::AddressRange;
}

// One row of a reply, left open for a cluster row's link.
void AppendCells(std::string& out, const PackedResult::Cells& cells, AddressView view) {
    const std::string_view referee = cells[static_cast<std::size_t>(ResultCell::Referee)];
    const std::string_view ip = cells[static_cast<std::size_t>(ResultCell::IP)];
    out += "{\"Name\":" + Json(cells[0]) + ",\"StripName\":" + Json(cells[1]) +
           ",\"IP\":" + Json(view == AddressView::Masked ? MaskAddress(ip) : std::string(ip)) +
           ",\"LastConnection\":" + Json(cells[3]) + ",\"Referee\":" +
           (referee == "True"    ? "true"
            : referee == "False" ? "false"
                                 : "null");
}

// A cluster row's Hops and Via (null for a row the walk links to nothing).
void AppendLink(std::string& out, const ClusterLink* link, AddressView view) {
    if (!link) {
        out += ",\"Hops\":null,\"Via\":null";
        return;
    }
    const bool mask = view == AddressView::Masked && ViaIsAddress(link->kind);
    out += ",\"Hops\":" + std::to_string(link->hops) +
           ",\"Via\":" + Json(mask ? MaskAddress(link->via) : link->via);
}

PackedResult::Cells CellsOf(const ResultRow& row) {
    PackedResult::Cells cells;
    for (std::size_t i = 0; i < kResultCellCount; ++i)
        cells[i] = row.Cells[i];
    return cells;
}

std::string Head(std::size_t total, std::size_t page, bool timedOut) {
    std::string out = "{\"total\":" + std::to_string(total) + ",\"page\":" + std::to_string(page);
    if (timedOut) out += ",\"timedOut\":true";
    return out + ",\"rows\":[";
}

} // namespace

WebSearchResult RunWebSearch(NamesDatabase& database, const WebSearchRequest& request, ClientWatch* client) {
    WebSearchResult result;
    ResultList list;
    WebPostHost host(request.by == SearchBy::Name ? request.aliases : Aliases::Off, client);
    if (request.by == SearchBy::Name) {
        result.outcome = Post(database, list, host, NameSearchQuery(EncodeName(request.pattern)),
                              ClearFirst::Yes, AliasCheck::AllowAliases);
    } else {
        result.outcome = Post(database, list, host, IpSearchQuery(request.pattern), ClearFirst::Yes,
                              AliasCheck::ForbidAliases);
    }
    if (host.stopRequested())
        result.outcome.failure = kClientGoneText;
    else
        result.rows = PackedResult(list);
    return result;
}

WebSearchResult SortedResult(const WebSearchResult& result, std::size_t cell, SortDirection order) {
    const std::unique_ptr<ResultList> list = result.rows.ToList(AddressView::Full);
    list->HeaderClicked(cell);
    if (list->SortOrder() != order) list->HeaderClicked(cell);
    return WebSearchResult{PackedResult(*list), result.outcome, result.run};
}

std::string ResultJson(const PackedResult& rows, std::size_t total, std::size_t page, AddressView view,
                       bool timedOut) {
    std::string out = Head(total, page, timedOut);
    const std::size_t first = (page - 1) * kRowsPerPage;
    for (std::size_t i = first; total > 0 && i < rows.Count() && i < first + kRowsPerPage; ++i) {
        if (i > first) out += ",";
        AppendCells(out, rows.Row(i), view);
        out += "}";
    }
    return out + "]}";
}

std::string ClusterJson(const ResultList& list, const ClusterOutcome& cluster, AddressView view) {
    std::string out = Head(cluster.matches, 1, cluster.end == ClusterEnd::TimeLimit);
    for (std::size_t i = 0; cluster.matches > 0 && i < list.Count() && i < kRowsPerPage; ++i) {
        if (i > 0) out += ",";
        const ResultRow& row = list.Row(i);
        const auto link = row.ItemKey ? cluster.links.find(*row.ItemKey) : cluster.links.end();
        AppendCells(out, CellsOf(row), view);
        AppendLink(out, link == cluster.links.end() ? nullptr : &link->second, view);
        out += "}";
    }
    return out + "]}";
}

std::string ResultText(const PackedResult& rows, OutputFormat format, ListContent content, AddressView view) {
    QByteArray bytes;
    {
        QTextStream stream(&bytes);
        WriteResults(*rows.ToList(view), format, content, stream);
    }
    return bytes.toStdString();
}

std::string RefereesJson(const ResultList& list, AddressView view) {
    std::string out = "[";
    list.ForEachRow([&](const ResultRow& row) {
        if (out.size() > 1) out += ",";
        AppendCells(out, CellsOf(row), view);
        out += "}";
    });
    return out + "]";
}

std::string ClusterDot(const ResultList& list, const ClusterOutcome& outcome, const ClusterOptions& options,
                       AddressView view) {
    QByteArray bytes;
    {
        QTextStream stream(&bytes);
        if (view == AddressView::Masked) {
            ClusterOutcome masked = outcome;
            for (auto& [key, link] : masked.links)
                if (ViaIsAddress(link.kind)) link.via = MaskAddress(link.via);
            WriteClusterGraph(*MaskedCopy(list), masked, options, stream);
        } else {
            WriteClusterGraph(list, outcome, options, stream);
        }
    }
    return bytes.toStdString();
}

} // namespace corvanth
