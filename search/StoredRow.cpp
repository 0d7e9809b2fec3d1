#include "StoredRow.h"

#include "NameText.h"
#include "Recordset.h"

#include <charconv>

namespace corvanth {

std::string PairKey(std::string_view storedName, std::string_view storedIp) {
    char length[24];
    const auto digits = std::to_chars(length, length + sizeof length, storedName.size()).ptr - length;
    std::string key;
    key.reserve(static_cast<std::size_t>(digits) + 1 + storedName.size() + storedIp.size());
    key.append(length, static_cast<std::size_t>(digits)).append(1, ':').append(storedName).append(storedIp);
    return key;
}

std::optional<StoredPair> PairOfKey(std::string_view key) {
    const std::size_t colon = key.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    std::size_t nameSize = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + colon, nameSize);
    if (error != std::errc() || end != key.data() + colon) return std::nullopt;
    const std::string_view rest = key.substr(colon + 1);
    if (nameSize > rest.size()) return std::nullopt;
    return StoredPair{rest.substr(0, nameSize), rest.substr(nameSize)};
}

ResultRow ListedRow(const StoredRow& stored, RowKey keyed) {
    if (keyed == RowKey::Stored) return ListedRow(stored, PairKey(stored.name, stored.ip));
    ResultRow row;
    row.Cell(ResultCell::Name) = DecodeName(stored.name);
    row.Cell(ResultCell::StripName) = DecodeName(stored.stripped);
    row.Cell(ResultCell::IP) = stored.ip;
    row.Cell(ResultCell::LastConnection) = stored.lastVisit;
    row.Cell(ResultCell::Referee) = stored.ref;
    return row;
}

ResultRow ListedRow(const StoredRow& stored, std::string key) {
    ResultRow row = ListedRow(stored, RowKey::None);
    row.ItemKey = std::move(key);
    return row;
}

RowReader::RowReader(const Recordset& rs)
    : rs_(rs), name_(rs.indexOf("PlayerName")), stripped_(rs.indexOf("StrippedName")), ip_(rs.indexOf("IP")),
      lastVisit_(rs.indexOf("LastVisit")), ref_(rs.indexOf("Ref")) {}

std::optional<StoredRow> RowReader::Read(RowKey keyed) const {
    const std::optional<std::string_view> name = rs_.View(name_); // nothing: no such column, or NULL
    if (!name || (keyed == RowKey::Stored && ip_ < 0)) return std::nullopt;
    return StoredRow{*name, rs_.View(stripped_).value_or(std::string_view()),
                     Ip().value_or(std::string_view()), rs_.View(lastVisit_).value_or(std::string_view()),
                     rs_.View(ref_).value_or(std::string_view())};
}

std::optional<std::string_view> RowReader::Ip() const {
    return rs_.View(ip_);
}

} // namespace corvanth
