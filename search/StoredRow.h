#pragma once

#include "ResultRow.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

class Recordset;

// Whether a list row carries its key: a search's and a cluster's rows do, the referee list's do not.
enum class RowKey { Stored, None };

// The texts of one row of table Names as stored (NULL as empty text), pointing into a statement's
// current row or into a copy of it.
struct StoredRow {
    std::string_view name, stripped, ip, lastVisit, ref;
};

// The key of the row of a stored name and address, the one every list row found by a statement
// carries. The name's length comes first, so no two pairs share a key ("Bob1" from 12.3.4.5 and
// "Bob11" from 2.3.4.5 differ).
std::string PairKey(std::string_view storedName, std::string_view storedIp);

// The stored name and address a key was made of (pointing into the key); nothing for a text that
// PairKey does not make.
struct StoredPair {
    std::string_view name, ip;
};
std::optional<StoredPair> PairOfKey(std::string_view key);

// The list row of a stored row: the names decoded as shown, the other cells as stored, keyed by
// PairKey of the name and address when `keyed` asks for it.
ResultRow ListedRow(const StoredRow& stored, RowKey keyed);
// The same, keyed by `key`, which must be PairKey(stored.name, stored.ip): for a caller that looked
// the key up before making the row.
ResultRow ListedRow(const StoredRow& stored, std::string key);

// Reads the rows a list shows from a statement's result, its columns looked up once.
class RowReader {
public:
    explicit RowReader(const Recordset& rs);

    // The current row, or nothing when a list does not show it: its player name is NULL (or the
    // result has no such column), or a keyed row's result has no address column. Valid until the
    // cursor moves.
    std::optional<StoredRow> Read(RowKey keyed) const;
    // Only the current row's address (nothing for NULL), for a walk that picks rows by it first.
    std::optional<std::string_view> Ip() const;

private:
    const Recordset& rs_;
    int name_, stripped_, ip_, lastVisit_, ref_;
};

} // namespace corvanth
