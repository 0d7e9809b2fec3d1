#include "SqliteGuids.h"

#include "SqliteConnection.h"
#include "TextCodec.h"
#include "TextHash.h"
#include "VisitDate.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace corvanth {
namespace {

constexpr std::size_t kMostKnown = 100000;
// Names are at most a line long, so the keys stay far below what a PairTable can address.
constexpr std::size_t kMostKeyBytes = std::size_t{64} << 20;

// Letter case folded as the look-up compares: an ASCII text byte by byte, any other one code point at
// a time as FoldCase does, straight into `out`.
void AppendFolded(std::string& out, std::string_view text) {
    if (!IsAscii(text)) {
        for (std::size_t pos = 0; pos < text.size();)
            AppendUtf8(out, NextFoldedCodePoint(text, pos));
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + text.size());
    std::transform(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at), AsciiLower);
}

} // namespace

void SqliteGuids::CreateMissing(SqliteConnection& connection) {
    connection.exec(
        "CREATE TABLE IF NOT EXISTS Guids(Guid TEXT COLLATE NOCASE, PlayerName TEXT COLLATE NOCASE, "
        "IP TEXT COLLATE NOCASE, LastVisit TEXT);"
        "CREATE INDEX IF NOT EXISTS GuidsGuid ON Guids(Guid COLLATE NOCASE);"
        "CREATE INDEX IF NOT EXISTS GuidsIP ON Guids(IP COLLATE NOCASE);");
}

SqliteGuids::SqliteGuids(const SqliteConnection& connection)
    : select_(connection, "SELECT rowid, LastVisit FROM Guids WHERE Guid = ?1 COLLATE NOCASE AND "
                          "IP = ?3 COLLATE NOCASE AND fold(PlayerName) = ?2"),
      insert_(connection, "INSERT INTO Guids (Guid, PlayerName, IP, LastVisit) VALUES (?1, ?2, ?3, ?4)"),
      update_(connection, "UPDATE Guids SET LastVisit = ?1 WHERE rowid = ?2"),
      count_(connection, "SELECT count(*) FROM Guids"),
      all_(connection, "SELECT rowid, Guid, PlayerName, IP, LastVisit FROM Guids") {}

void SqliteGuids::makeKey(std::string_view guid, std::string_view foldedName, std::string_view ip) {
    // The folded GUID and the folded name, each after its length in four bytes, then the folded address:
    // two rows never share a key.
    key_.assign(sizeof(std::uint32_t), '\0');
    AppendFolded(key_, guid);
    const auto guidLength = static_cast<std::uint32_t>(key_.size() - sizeof(std::uint32_t));
    std::memcpy(key_.data(), &guidLength, sizeof guidLength);
    const auto nameLength = static_cast<std::uint32_t>(foldedName.size());
    key_.append(reinterpret_cast<const char*>(&nameLength), sizeof nameLength);
    key_ += foldedName;
    AppendFolded(key_, ip);
    hash_ = static_cast<std::size_t>(TextHash(key_));
}

void SqliteGuids::preload() {
    needsPreload_ = false;
    const std::int64_t rows = count_.step() ? count_.integer(0) : static_cast<std::int64_t>(kMostKnown) + 1;
    count_.reset();
    if (rows > static_cast<std::int64_t>(kMostKnown)) return;
    try {
        std::string name;
        while (all_.step()) {
            name.clear();
            AppendFolded(name, all_.text(2));
            makeKey(all_.text(1), name, all_.text(3));
            Known row{all_.integer(0), std::string(all_.text(4))};
            if (Known* known = known_.Find(key_, hash_))
                *known = std::move(row);
            else
                known_.Add(key_, hash_, std::move(row));
        }
    } catch (...) {
        all_.reset();
        known_.Clear();
        throw;
    }
    all_.reset();
    complete_ = true;
}

std::int64_t SqliteGuids::Count() {
    const std::int64_t rows = count_.step() ? count_.integer(0) : 0;
    count_.reset();
    return rows;
}

void SqliteGuids::Record(std::string_view guid, std::string_view storedName, std::string_view ip,
                         std::string_view lastVisit, Visit visit,
                         std::optional<std::string_view> foldedName) {
    if (needsPreload_) preload();
    if (foldedName) {
        foldedName_.assign(*foldedName);
    } else {
        foldedName_.clear();
        AppendFolded(foldedName_, storedName);
    }
    makeKey(guid, foldedName_, ip);
    Known* known = known_.Find(key_, hash_);
    if (!known) {
        if (known_.Size() >= kMostKnown || known_.KeyBytes() >= kMostKeyBytes) {
            known_.Clear();
            complete_ = false; // too many to hold: rows are looked up one by one
        }
        std::optional<Known> found;
        if (!complete_) {
            select_.bind(1, guid).bind(2, std::string_view(foldedName_)).bind(3, ip);
            try {
                if (select_.step()) found = Known{select_.integer(0), std::string(select_.text(1))};
            } catch (...) {
                select_.reset();
                throw;
            }
            select_.reset();
        }
        if (!found) {
            insert_.bindForRun(1, guid).bindForRun(2, storedName).bindForRun(3, ip).bindForRun(4, lastVisit);
            insert_.run();
            known_.Add(
                key_, hash_,
                Known{sqlite3_last_insert_rowid(sqlite3_db_handle(insert_.get())), std::string(lastVisit)});
            return;
        }
        known = &known_.Add(key_, hash_, std::move(*found));
    }
    if (known->lastVisit == lastVisit) return;
    if (visit == Visit::KeepLater && !IsLaterVisit(lastVisit, known->lastVisit)) return;
    update_.bindForRun(1, lastVisit).bind(2, known->row);
    update_.run();
    known->lastVisit.assign(lastVisit);
}

} // namespace corvanth
