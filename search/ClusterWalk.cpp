#include "ClusterWalk.h"

#include "ClusterQueries.h"
#include "Collation.h"
#include "NameText.h"
#include "NamesDatabase.h"
#include "Post.h"
#include "Recordset.h"
#include "StoredRow.h"
#include "TextCodec.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <unordered_set>
#include <vector>

namespace corvanth {
namespace {

using Clock = std::chrono::steady_clock;

// A row of the cluster, with the stored names its links are followed by (the address is its IP cell).
struct ReachedRow {
    ResultRow row;
    ClusterLink link;
    std::string storedName;
    std::string storedStrippedName;

    const std::string& ip() const { return row.Cell(ResultCell::IP); }
};

// The via text of a row a statement found, or nothing when the row does not share the link after all.
using ViaOf = std::function<std::optional<std::string>(const StoredRow&)>;

class Walk {
public:
    Walk(NamesDatabase& database, PostHost& host, const ClusterOptions& options)
        : database_(database), host_(host), options_(options), start_(host.now()), lastPump_(start_) {}

    void run(const Query& start) {
        follow(start, 0, LinkKind::Start, [](const StoredRow&) { return std::string(); });
        std::size_t levelBegin = 0;
        for (std::size_t hops = 1; hops <= options_.depth && walking(); ++hops) {
            const std::size_t levelEnd = rows_.size();
            if (levelBegin == levelEnd) break;
            std::unordered_map<std::string, std::string> strippedNames; // folded -> as shown
            for (std::size_t i = levelBegin; i < levelEnd && walking(); ++i) {
                // Copies: following a link adds rows, which may move the vector.
                const std::string ip = rows_[i].ip();
                const std::string name = rows_[i].storedName;
                followAddress(ip, hops);
                if (walking()) followName(name, hops);
                if (walking() && options_.guidLinks == GuidLinks::SameGuid) followGuids(name, ip, hops);
                if (options_.nameLinks == NameLinks::SamePlayerOrStrippedName &&
                    !rows_[i].storedStrippedName.empty()) {
                    std::string folded = FoldCase(rows_[i].storedStrippedName);
                    if (expandedStrippedNames_.insert(folded).second)
                        strippedNames.emplace(std::move(folded), DecodeName(rows_[i].storedStrippedName));
                }
            }
            if (walking() && !strippedNames.empty()) followStrippedNames(strippedNames, hops);
            levelBegin = levelEnd;
        }
    }

    ClusterEnd end() const { return end_; }
    const std::optional<std::string>& failure() const { return failure_; }
    std::vector<ReachedRow>& rows() { return rows_; }

private:
    bool walking() const { return end_ == ClusterEnd::Complete && !failure_; }

    void followAddress(const std::string& ip, std::size_t hops) {
        if (ip.empty()) return; // an empty address links nothing
        const std::string range = options_.addressLinks == AddressLinks::SameRange ? BroadIP(ip) : ip;
        std::string folded = FoldCase(range);
        if (!expandedAddresses_.insert(folded).second) return;
        if (range != ip) {
            // The range of the first three octets: "10.0.0.*" is every address that begins "10.0.0.".
            folded.pop_back();
            follow(AddressPrefixQuery(std::string_view(range).substr(0, range.size() - 1)), hops,
                   LinkKind::AddressRange, [&](const StoredRow& row) -> std::optional<std::string> {
                       if (!FoldCase(row.ip).starts_with(folded)) return std::nullopt;
                       return range;
                   });
        } else {
            follow(AddressLinkQuery(ip), hops, LinkKind::Address,
                   [&](const StoredRow& row) -> std::optional<std::string> {
                       if (FoldCase(row.ip) != folded) return std::nullopt;
                       return ip;
                   });
        }
    }

    void followName(const std::string& storedName, std::size_t hops) {
        if (storedName.empty()) return;
        const std::string folded = FoldCase(storedName);
        if (!expandedNames_.insert(folded).second) return;
        const std::string shown = DecodeName(storedName);
        follow(PlayerNameLinkQuery(storedName), hops, LinkKind::PlayerName,
               [&](const StoredRow& row) -> std::optional<std::string> {
                   if (FoldCase(row.name) != folded) return std::nullopt;
                   return shown;
               });
    }

    // The GUIDs seen with a row's pair, and the rows of the pairs seen with each GUID not followed yet.
    void followGuids(const std::string& storedName, const std::string& ip, std::size_t hops) {
        std::vector<std::string> guids;
        try {
            for (Recordset rs = database_.OpenRecordset(GuidsOfPairQuery(storedName, ip)); !rs.Eof();
                 rs.MoveNext())
                if (auto guid = rs.Field("Guid"); guid && expandedGuids_.insert(FoldCase(*guid)).second)
                    guids.push_back(std::move(*guid));
        } catch (const std::exception& e) {
            const std::string what = e.what();
            failure_ = what.empty() ? std::string("the statement failed") : what;
        }
        for (const std::string& guid : guids) {
            if (!walking()) return;
            follow(GuidSearchQuery(guid, GuidMatch::Exact), hops, LinkKind::Guid,
                   [&](const StoredRow&) -> std::optional<std::string> { return guid; });
        }
    }

    // The stripped names of one hop, many to a statement: that column has no index, so each statement
    // reads the whole table once.
    void followStrippedNames(const std::unordered_map<std::string, std::string>& shownByFolded,
                             std::size_t hops) {
        std::vector<std::string> ascii;
        std::vector<std::string> folded;
        for (const auto& [key, shown] : shownByFolded)
            (IsAscii(key) ? ascii : folded).push_back(key);
        const ViaOf via = [&](const StoredRow& row) -> std::optional<std::string> {
            const auto it = shownByFolded.find(FoldCase(row.stripped));
            if (it == shownByFolded.end()) return std::nullopt;
            return it->second;
        };
        for (const auto* names : {&ascii, &folded}) {
            const FoldedNames kind = names == &folded ? FoldedNames::Yes : FoldedNames::No;
            for (std::size_t first = 0; first < names->size() && walking(); first += kStrippedNamesPerQuery) {
                const auto chunkEnd =
                    names->begin() +
                    static_cast<std::ptrdiff_t>(std::min(names->size(), first + kStrippedNamesPerQuery));
                const std::vector<std::string> chunk(names->begin() + static_cast<std::ptrdiff_t>(first),
                                                     chunkEnd);
                follow(StrippedNameLinkQuery(chunk, kind), hops, LinkKind::StrippedName, via);
            }
        }
    }

    // Runs one statement; every row it finds that is not reached yet, and that `viaOf` accepts, joins
    // the cluster at `hops`.
    void follow(const Query& query, std::size_t hops, LinkKind kind, const ViaOf& viaOf) {
        try {
            Recordset rs = database_.OpenRecordset(query);
            const RowReader reader(rs);
            for (; !rs.Eof() && carryOn(); rs.MoveNext())
                consider(reader, hops, kind, viaOf);
        } catch (const std::exception& e) {
            const std::string what = e.what();
            failure_ = what.empty() ? std::string("the statement failed") : what;
        }
    }

    // The rows a search lists, keyed as a search keys them.
    void consider(const RowReader& reader, std::size_t hops, LinkKind kind, const ViaOf& viaOf) {
        const std::optional<StoredRow> stored = reader.Read(RowKey::Stored);
        if (!stored) return;
        std::string key = PairKey(stored->name, stored->ip);
        if (reachedKeys_.contains(key)) return;
        std::optional<std::string> via = viaOf(*stored);
        if (!via) return;
        if (rows_.size() >= options_.sizeLimit) {
            end_ = ClusterEnd::SizeLimit;
            return;
        }
        reachedKeys_.insert(key);
        rows_.push_back({ListedRow(*stored, std::move(key)),
                         {hops, kind, std::move(*via)},
                         std::string(stored->name),
                         std::string(stored->stripped)});
    }

    // Hands control to the host now and then; false when the walk must end.
    bool carryOn() {
        Clock::time_point now = host_.now();
        if (now - lastPump_ >= kPostYieldInterval) {
            host_.setMatches(rows_.size());
            host_.pumpEvents();
            now = host_.now();
            lastPump_ = now;
            if (host_.stopRequested()) end_ = ClusterEnd::Stopped;
        }
        if (walking() && now - start_ > kPostTimeLimit) end_ = ClusterEnd::TimeLimit;
        return walking();
    }

    NamesDatabase& database_;
    PostHost& host_;
    const ClusterOptions& options_;
    const Clock::time_point start_;
    Clock::time_point lastPump_;

    std::vector<ReachedRow> rows_;
    std::unordered_set<std::string> reachedKeys_;
    std::unordered_set<std::string> expandedAddresses_; // folded addresses or ranges
    std::unordered_set<std::string> expandedNames_;     // folded stored player names
    std::unordered_set<std::string> expandedStrippedNames_;
    std::unordered_set<std::string> expandedGuids_; // folded
    ClusterEnd end_ = ClusterEnd::Complete;
    std::optional<std::string> failure_;
};

} // namespace

ClusterOutcome ListCluster(NamesDatabase& database, ResultList& list, PostHost& host, const Query& start,
                           const ClusterOptions& options) {
    list.Clear();
    list.TurnSortingOff();
    Walk walk(database, host, options);
    walk.run(start);

    // By hop, then as the list sorts: its key cell and order, rows with equal cells in the order found.
    std::vector<ReachedRow>& rows = walk.rows();
    const std::size_t cell = list.SortKey();
    const bool ascending = list.SortOrder() == SortDirection::Ascending;
    std::stable_sort(rows.begin(), rows.end(), [&](const ReachedRow& a, const ReachedRow& b) {
        if (a.link.hops != b.link.hops) return a.link.hops < b.link.hops;
        const int c = CollateText(a.row.Cells[cell], b.row.Cells[cell]);
        return ascending ? c < 0 : c > 0;
    });

    ClusterOutcome outcome;
    outcome.end = walk.end();
    outcome.failure = walk.failure();
    list.Clear(); // a search started while the walk handed control away may have filled it
    for (ReachedRow& reached : rows) {
        outcome.links.emplace(*reached.row.ItemKey, std::move(reached.link));
        list.Add(std::move(reached.row));
    }
    outcome.matches = list.Count();
    host.setMatches(outcome.matches);
    if (list.Empty()) {
        ResultRow placeholder;
        placeholder.Cell(ResultCell::Name) = std::string(kNoMatchesText);
        list.Add(std::move(placeholder));
    }
    return outcome;
}

GuidLinks GuidLinksOf(NamesDatabase& database) {
    try {
        return database.OpenRecordset(AnyGuidQuery()).Eof() ? GuidLinks::None : GuidLinks::SameGuid;
    } catch (const std::exception&) {
        return GuidLinks::None; // a table made by another program may lack it
    }
}

std::optional<std::string> ClusterEndText(ClusterEnd end, const ClusterOptions& options) {
    switch (end) {
    case ClusterEnd::Complete:
        return std::nullopt;
    case ClusterEnd::SizeLimit:
        return "The cluster has more than " + std::to_string(options.sizeLimit) +
               " rows; the walk stopped there, and rows linked further are not listed.";
    case ClusterEnd::TimeLimit:
        return "The walk stopped after " + std::to_string(kPostTimeLimit.count()) +
               " seconds; rows linked further are not listed.";
    case ClusterEnd::Stopped:
        return "The walk was stopped; rows linked further are not listed.";
    }
    return std::nullopt;
}

} // namespace corvanth
