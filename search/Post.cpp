#include "Post.h"

#include "AliasPatterns.h"
#include "LargeArray.h"
#include "NamesDatabase.h"
#include "Recordset.h"
#include "StoredRow.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

namespace corvanth {
namespace {

using Clock = std::chrono::steady_clock;

// Shared by a call and the alias queries it starts, so that a walk made of many short nested
// queries still hands control to the host regularly.
struct YieldState {
    Clock::time_point lastPump;
};

// The list row for the reader's current row, or nothing when the row is not to be listed: besides
// what RowReader asks of a row, a keyed row's key must not be in `list` yet (checked before the row is
// made, as most rows an alias query finds again are already listed).
std::optional<ResultRow> ReadRow(const RowReader& reader, RowKey keyed, const ResultList* list) {
    const std::optional<StoredRow> stored = reader.Read(keyed);
    if (!stored) return std::nullopt;
    if (keyed == RowKey::None) return ListedRow(*stored, RowKey::None);
    std::string key = PairKey(stored->name, stored->ip);
    if (list && list->ContainsKey(key)) return std::nullopt;
    return ListedRow(*stored, std::move(key));
}

// A keyed row a table walk keeps until its pattern's turn comes: the stored name, stripped name,
// address, last visit and referee one after another in one text (NULL as empty text, which is how a
// list row shows it). A fraction of the size of a list row, which is made from it once, in the list.
class WalkedRow {
public:
    explicit WalkedRow(const StoredRow& stored) {
        const std::array<std::string_view, kResultCellCount> cells = {stored.name, stored.stripped, stored.ip,
                                                                      stored.lastVisit, stored.ref};
        std::size_t size = 0;
        for (const std::string_view cell : cells)
            size += cell.size();
        text_.reserve(size);
        for (std::size_t i = 0; i < kResultCellCount; ++i) {
            text_.append(cells[i]);
            ends_[i] = static_cast<std::uint32_t>(text_.size());
        }
    }
    std::string_view Cell(ResultCell cell) const {
        const auto i = static_cast<std::size_t>(cell);
        const std::uint32_t start = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(start, ends_[i] - start);
    }
    // The list row ReadRow makes of the same row.
    ResultRow Row() const {
        return ListedRow(StoredRow{Cell(ResultCell::Name), Cell(ResultCell::StripName), Cell(ResultCell::IP),
                                   Cell(ResultCell::LastConnection), Cell(ResultCell::Referee)},
                         RowKey::Stored);
    }
    bool Listed() const { return listed_; }
    // Once in the list the text is let go, so that the list's next rows can use its memory.
    void MarkListed() {
        listed_ = true;
        std::string().swap(text_);
    }

private:
    std::string text_;
    std::array<std::uint32_t, kResultCellCount> ends_{};
    bool listed_ = false; // by the first pattern that takes it
};

// BroadIP(ip) written into `scratch` (the address itself when it has fewer than three dots).
std::string_view BroadPattern(std::string_view ip, std::string& scratch) {
    const auto three = FirstThreeOctets(ip);
    if (!three) return ip;
    scratch.assign(*three);
    scratch += '*';
    return scratch;
}

std::string FailureText(const std::exception& e) {
    const std::string what = e.what();
    return what.empty() ? std::string("the statement failed") : what;
}

// Lets pending events run when a yield is due; false when the host asks the walk to stop.
bool Turn(PostHost& host, YieldState& yield) {
    const Clock::time_point now = host.now();
    if (now - yield.lastPump >= kPostYieldInterval) {
        host.pumpEvents();
        yield.lastPump = host.now();
    }
    return !host.stopRequested();
}

// What a widened walk lists, in order: the aliases of an address pattern (its index), or a row found
// while the aliases were not asked for (its index in Widening::rows). Steps stay small, as there may
// be one for each row found.
struct AliasStep {
    enum class Kind : std::uint8_t { Pattern, Row } kind;
    std::size_t index;
};

struct Widening {
    AliasPatterns patterns;
    LargeArray<AliasStep> steps;
    LargeArray<ResultRow> rows;
};

// Below this many patterns the look-ups are cheap whatever the table; from it on, the table is walked
// when it has at most kRowsPerSavedLookup rows per pattern the walk answers (on a million rows with
// one pattern per 64 rows, the look-ups were still the faster way).
constexpr std::size_t kFewestWalkedPatterns = 1024;
constexpr std::int64_t kRowsPerSavedLookup = 16;
// A table walk looks at the clock once per this many rows, the listing of aliases once per this many
// patterns.
constexpr unsigned kRowsPerTurn = 64;

PostOutcome Walk(NamesDatabase& database, ResultList& list, PostHost& host, const Query& query,
                 ClearFirst clearFirst, AliasCheck aliasCheck, YieldState& yield);

// The rows each pattern of a table walk takes, in one block: pattern i's rows are
// ids[start[i]] to ids[start[i + 1]] (exclusive), indexes into the walk's rows.
struct TakenRows {
    std::vector<std::uint32_t> start;
    LargeArray<std::uint32_t> ids;

    // From (pattern, row) pairs in table order; each pattern's rows keep that order.
    void Fill(std::size_t patterns, const LargeArray<std::pair<std::uint32_t, std::uint32_t>>& pairs) {
        start.assign(patterns + 1, 0);
        for (const auto& [pattern, row] : pairs)
            ++start[pattern + 1];
        for (std::size_t i = 0; i < patterns; ++i)
            start[i + 1] += start[i];
        ids.resize(pairs.size());
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (const auto& [pattern, row] : pairs)
            ids[next[pattern]++] = row;
    }
    std::uint32_t* begin(std::size_t pattern) { return ids.data() + start[pattern]; }
    std::uint32_t* end(std::size_t pattern) { return ids.data() + start[pattern + 1]; }
};

// The addresses a table walk is after: those some exact or /24 pattern takes.
class OwnedAddresses : public AddressFilter {
public:
    explicit OwnedAddresses(const AliasPatterns& patterns) : patterns_(patterns) {}
    bool Keeps(std::string_view ip) const override {
        const auto [exact, firstThree] = patterns_.OwnersOf(ip);
        return exact || firstThree;
    }

private:
    const AliasPatterns& patterns_;
};

// Rows of the table taken by the walkable patterns: `taken` lists the rows of each pattern in the
// order its own address search gives them. False when the walk did not reach the end.
bool WalkTable(NamesDatabase& database, PostHost& host, YieldState& yield, AliasPatterns& patterns,
               LargeArray<WalkedRow>& rows, TakenRows& taken) {
    LargeArray<std::pair<std::uint32_t, std::uint32_t>> pairs; // (pattern, row)
    try {
        const OwnedAddresses owned(patterns);
        Recordset rs = database.OpenAddressWalk(owned);
        const RowReader reader(rs);
        rows.reserve(patterns.WalkableCount()); // every pattern takes the row it came from
        pairs.reserve(patterns.WalkableCount());
        // The clock is looked at every few rows: the walk passes over most of the table at once.
        unsigned rowsSinceTurn = 0;
        for (; !rs.Eof(); rs.MoveNext()) {
            if (++rowsSinceTurn == kRowsPerTurn) {
                rowsSinceTurn = 0;
                if (!Turn(host, yield)) return false;
            }
            const std::optional<std::string_view> ip = reader.Ip();
            if (!ip) continue;
            const auto [exact, firstThree] = patterns.OwnersOf(*ip);
            if (!exact && !firstThree) continue;
            const std::optional<StoredRow> stored = reader.Read(RowKey::Stored);
            if (!stored) continue; // not a row a search lists
            const auto id = static_cast<std::uint32_t>(rows.size());
            if (exact) pairs.emplace_back(static_cast<std::uint32_t>(*exact), id);
            if (firstThree) pairs.emplace_back(static_cast<std::uint32_t>(*firstThree), id);
            rows.emplace_back(*stored);
        }
    } catch (const std::exception&) {
        return false;
    }
    taken.Fill(patterns.Count(), pairs);
    // The table gives a pattern's rows in table order; a /24's address search gives them in the
    // order of its index: by address ignoring ASCII letter case, then in table order.
    auto folded = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    auto addressBefore = [&](std::size_t a, std::size_t b) {
        const std::string_view x = rows[a].Cell(ResultCell::IP);
        const std::string_view y = rows[b].Cell(ResultCell::IP);
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [&](char p, char q) {
            return folded(static_cast<unsigned char>(p)) < folded(static_cast<unsigned char>(q));
        });
    };
    for (std::size_t i = 0; i < patterns.Count(); ++i)
        if (patterns.ShapeOf(i) == AliasPatterns::Shape::FirstThreeOctets)
            std::stable_sort(taken.begin(i), taken.end(i), addressBefore);
    return true;
}

// Lists the steps of a widened walk in their order: each pattern's rows as its own address search
// finds them, skipping rows already listed. Many exact or /24 patterns are answered by one walk over
// the table; the others (and all of them when there are few) by their address search.
void ListAliases(NamesDatabase& database, ResultList& list, PostHost& host, Widening& widening,
                 YieldState& yield) {
    AliasPatterns& patterns = widening.patterns;
    LargeArray<WalkedRow> rows;
    TakenRows taken;
    bool walked = false;
    if (patterns.WalkableCount() >= kFewestWalkedPatterns) {
        std::int64_t tableRows = 0;
        try {
            tableRows = database.RowCount();
        } catch (const std::exception&) {
            tableRows = -1;
        }
        if (tableRows >= 0 &&
            tableRows <= static_cast<std::int64_t>(patterns.WalkableCount()) * kRowsPerSavedLookup) {
            walked = WalkTable(database, host, yield, patterns, rows, taken);
            if (!walked) {
                if (host.stopRequested()) return;
                rows.clear();
            }
        }
    }
    list.Reserve(list.Count() + std::max(rows.size() + widening.rows.size(), widening.steps.size()));
    unsigned stepsSinceTurn = 0;
    for (AliasStep& step : widening.steps) {
        if (++stepsSinceTurn == kRowsPerTurn) {
            stepsSinceTurn = 0;
            if (!Turn(host, yield)) return;
        }
        if (step.kind == AliasStep::Kind::Row) {
            list.Add(std::move(widening.rows[step.index]));
            continue;
        }
        const std::size_t pattern = step.index;
        if (walked && patterns.ShapeOf(pattern) != AliasPatterns::Shape::Other) {
            // A row taken by two patterns is listed by the first one (or not at all, when its key is
            // listed already: a row added later would not be listed either).
            for (const std::uint32_t* id = taken.begin(pattern); id != taken.end(pattern); ++id) {
                WalkedRow& row = rows[*id];
                if (row.Listed()) continue;
                list.Add(row.Row());
                row.MarkListed();
            }
        } else {
            Walk(database, list, host, IpSearchQuery(patterns.Pattern(pattern)), ClearFirst::No,
                 AliasCheck::ForbidAliases, yield);
        }
    }
}

PostOutcome Walk(NamesDatabase& database, ResultList& list, PostHost& host, const Query& query,
                 ClearFirst clearFirst, AliasCheck aliasCheck, YieldState& yield) {
    PostOutcome outcome;
    if (clearFirst == ClearFirst::Yes) {
        list.Clear();
        list.TurnSortingOff();
    }

    std::optional<Recordset> rs;
    try {
        rs.emplace(database.OpenRecordset(query));
    } catch (const std::exception& e) {
        // A statement that cannot run ends at once as an empty result.
        outcome.failure = FailureText(e);
    }

    // The aliases of the rows found are listed after the walk, each address pattern once; rows found
    // while the aliases are not asked for keep their place among them.
    Widening widening;
    if (rs) {
        const RowReader reader(*rs);
        std::string broad;
        const Clock::time_point start = host.now();
        while (!rs->Eof()) {
            Clock::time_point now = host.now();
            if (now - yield.lastPump >= kPostYieldInterval) {
                host.pumpEvents();
                now = host.now();
                yield.lastPump = now;
            }
            if (host.stopRequested()) break;
            if (now - start > kPostTimeLimit) {
                outcome.timedOut = true;
                break;
            }

            const bool aliases =
                aliasCheck == AliasCheck::AllowAliases && host.aliasesTicked() && host.aliasesEnabled();
            if (aliases) {
                // The row itself comes into the list through its address pattern, which it matches.
                if (const std::optional<std::string_view> ip = reader.Ip()) {
                    const std::string_view pattern = host.broadTicked() ? BroadPattern(*ip, broad) : *ip;
                    if (widening.patterns.Add(pattern))
                        widening.steps.push_back({AliasStep::Kind::Pattern, widening.patterns.Count() - 1});
                }
            } else if (widening.steps.empty()) {
                if (std::optional<ResultRow> row = ReadRow(reader, RowKey::Stored, &list))
                    list.Add(std::move(*row));
            } else if (std::optional<ResultRow> row = ReadRow(reader, RowKey::Stored, nullptr)) {
                widening.rows.push_back(std::move(*row));
                widening.steps.push_back({AliasStep::Kind::Row, widening.rows.size() - 1});
            }

            try {
                rs->MoveNext();
            } catch (const std::exception& e) {
                outcome.failure = FailureText(e); // the cursor is at its end now
            }
        }
    }
    rs.reset();
    if (!widening.steps.empty() && !host.stopRequested()) ListAliases(database, list, host, widening, yield);

    outcome.matches = list.Count();
    host.setMatches(outcome.matches);
    if (clearFirst == ClearFirst::Yes) {
        if (list.Empty()) {
            ResultRow placeholder;
            placeholder.Cell(ResultCell::Name) = std::string(kNoMatchesText);
            list.Add(std::move(placeholder));
        }
        // A long sort lets events run as the walk does.
        list.TurnSortingOn([&] { Turn(host, yield); });
    }
    return outcome;
}

} // namespace

PostOutcome Post(NamesDatabase& database, ResultList& list, PostHost& host, const Query& query,
                 ClearFirst clearFirst, AliasCheck aliasCheck) {
    YieldState yield{host.now()};
    return Walk(database, list, host, query, clearFirst, aliasCheck, yield);
}

std::string BroadIP(std::string_view ip) {
    std::string broad;
    return std::string(BroadPattern(ip, broad));
}

Outcome<Done> ListReferees(NamesDatabase& database, ResultList& list) {
    list.Clear();
    try {
        Recordset rs = database.OpenRecordset(RefereeQuery());
        const RowReader reader(rs);
        while (!rs.Eof()) {
            if (std::optional<ResultRow> row = ReadRow(reader, RowKey::None, &list))
                list.Add(std::move(*row));
            rs.MoveNext();
        }
    } catch (const std::exception& e) {
        return Outcome<Done>::Failed(FailureText(e));
    }
    return Outcome<Done>::Of({});
}

} // namespace corvanth
