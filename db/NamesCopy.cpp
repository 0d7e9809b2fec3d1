#include "NamesCopy.h"

#include "DatabaseError.h"

#include <optional>
#include <string>

namespace corvanth {
namespace {

constexpr std::int64_t kProgressEvery = 5000;

} // namespace

CopySummary CopyNames(NamesDatabase& from, NamesDatabase& to, CopyProgress& progress) {
    if (from.Identity() == to.Identity())
        throw DatabaseError("--from and --to name the same database: there is nothing to copy");
    CopySummary summary;
    const std::optional<std::int64_t> guidRows = from.GuidCount();
    const std::int64_t total = from.RowCount() + guidRows.value_or(0);
    progress.rowsCopied(0, total);
    for (Recordset rs = from.OpenRecordset(Query{"SELECT * FROM Names;", {}}); !rs.Eof(); rs.MoveNext()) {
        NamesRow row;
        auto name = rs.Field("PlayerName");
        auto ip = rs.Field("IP");
        if (!name || !ip) {
            ++summary.skipped;
            continue;
        }
        row.playerName = std::move(*name);
        row.ip = std::move(*ip);
        row.strippedName = rs.Field("StrippedName");
        row.lastVisit = rs.Field("LastVisit");
        row.referee = rs.Field("Ref") == "True";
        to.MergeRow(row);
        to.Checkpoint();
        if (++summary.copied % kProgressEvery == 0)
            progress.rowsCopied(summary.copied + summary.skipped, total);
    }
    if (guidRows) {
        for (Recordset rs = from.OpenRecordset(Query{"SELECT * FROM Guids;", {}}); !rs.Eof(); rs.MoveNext()) {
            const auto guid = rs.Field("Guid");
            const auto name = rs.Field("PlayerName");
            const auto ip = rs.Field("IP");
            if (!guid || !name || !ip) {
                ++summary.skipped;
                continue;
            }
            to.MergeGuid(*guid, *name, *ip, rs.Field("LastVisit").value_or(std::string()));
            to.Checkpoint();
            if (++summary.guids % kProgressEvery == 0)
                progress.rowsCopied(summary.copied + summary.guids + summary.skipped, total);
        }
    }
    to.Commit();
    progress.rowsCopied(summary.copied + summary.guids + summary.skipped, total);
    return summary;
}

} // namespace corvanth
