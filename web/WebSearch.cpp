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

void AppendRow(std::string& out, const ResultRow& row, AddressView view, const ClusterOutcome* cluster) {
    const std::string& referee = row.Cell(ResultCell::Referee);
    const std::string& ip = row.Cell(ResultCell::IP);
    out += "{\"Name\":" + Json(row.Cell(ResultCell::Name)) +
           ",\"StripName\":" + Json(row.Cell(ResultCell::StripName)) +
           ",\"IP\":" + Json(view == AddressView::Masked ? MaskAddress(ip) : ip) +
           ",\"LastConnection\":" + Json(row.Cell(ResultCell::LastConnection)) + ",\"Referee\":" +
           (referee == "True"    ? "true"
            : referee == "False" ? "false"
                                 : "null");
    if (cluster) {
        const auto link = row.ItemKey ? cluster->links.find(*row.ItemKey) : cluster->links.end();
        if (link == cluster->links.end()) {
            out += ",\"Hops\":null,\"Via\":null";
        } else {
            const std::string& via = link->second.via;
            const bool mask = view == AddressView::Masked && ViaIsAddress(link->second.kind);
            out += ",\"Hops\":" + std::to_string(link->second.hops) +
                   ",\"Via\":" + Json(mask ? MaskAddress(via) : via);
        }
    }
    out += "}";
}

} // namespace

WebSearchResult RunWebSearch(NamesDatabase& database, const WebSearchRequest& request, ClientWatch* client) {
    WebSearchResult result;
    WebPostHost host(request.by == SearchBy::Name ? request.aliases : Aliases::Off, client);
    if (request.by == SearchBy::Name) {
        result.outcome = Post(database, *result.list, host, NameSearchQuery(EncodeName(request.pattern)),
                              ClearFirst::Yes, AliasCheck::AllowAliases);
    } else {
        result.outcome = Post(database, *result.list, host, IpSearchQuery(request.pattern), ClearFirst::Yes,
                              AliasCheck::ForbidAliases);
    }
    if (host.stopRequested()) result.outcome.failure = kClientGoneText;
    return result;
}

std::string ResultJson(const ResultList& list, std::size_t total, std::size_t page, AddressView view,
                       const ClusterOutcome* cluster, bool timedOut) {
    std::string out = "{\"total\":" + std::to_string(total) + ",\"page\":" + std::to_string(page);
    if (timedOut) out += ",\"timedOut\":true";
    out += ",\"rows\":[";
    const std::size_t first = (page - 1) * kRowsPerPage;
    for (std::size_t i = first; total > 0 && i < list.Count() && i < first + kRowsPerPage; ++i) {
        if (i > first) out += ",";
        AppendRow(out, list.Row(i), view, cluster);
    }
    return out + "]}";
}

std::string ResultText(const ResultList& list, OutputFormat format, ListContent content, AddressView view) {
    QByteArray bytes;
    {
        QTextStream stream(&bytes);
        if (view == AddressView::Masked) {
            WriteResults(*MaskedCopy(list), format, content, stream);
        } else {
            WriteResults(list, format, content, stream);
        }
    }
    return bytes.toStdString();
}

std::string RefereesJson(const ResultList& list, AddressView view) {
    std::string out = "[";
    list.ForEachRow([&](const ResultRow& row) {
        if (out.size() > 1) out += ",";
        AppendRow(out, row, view, nullptr);
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

void SortList(ResultList& list, std::size_t cell, SortDirection order) {
    list.HeaderClicked(cell);
    if (list.SortOrder() != order) list.HeaderClicked(cell);
}

} // namespace corvanth
