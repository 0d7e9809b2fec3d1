#include "SqliteNames.h"

#include "SqliteCursor.h"

#include "DatabaseError.h"
#include "NameText.h"
#include "SqlDialect.h"
#include "SqlFunction.h"
#include "SqliteConnection.h"
#include "SqliteReadOnly.h"
#include "TextCodec.h"
#include "TextHash.h"
#include "VisitDate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace corvanth {
namespace {

constexpr std::size_t kMaxCachedPairs = 100000;
// Names are at most a line long, so the keys stay far below what a PairTable can address.
constexpr std::size_t kMaxCachedKeyBytes = std::size_t{64} << 20;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS Names(PlayerName TEXT COLLATE NOCASE, StrippedName TEXT COLLATE NOCASE, "
    "IP TEXT COLLATE NOCASE, LastVisit TEXT, Ref BOOLEAN NOT NULL DEFAULT 0);"
    "CREATE INDEX IF NOT EXISTS NamesPlayerNameIP ON Names(PlayerName COLLATE NOCASE, IP COLLATE NOCASE);"
    "CREATE INDEX IF NOT EXISTS NamesIP ON Names(IP COLLATE NOCASE);";

constexpr std::int64_t kPreloadRows = 100000;

// The tag under which a walk binds its AddressFilter, and the walk itself.
constexpr const char* kAddressFilterTag = "AddressFilter";
const std::string kAddressWalk = "SELECT * FROM Names WHERE kept_address(IP, ?1);";

// kept_address(IP, filter): 1 when the bound filter keeps the address, 0 for NULL. Without a filter
// bound by the walk (a user's statement) the statement fails.
void RegisterAddressFilter(sqlite3* db) {
    auto kept = [](const SqlArgs& args) -> std::optional<std::int64_t> {
        const auto* keep = args.pointer<AddressFilter>(1, kAddressFilterTag);
        if (!keep) throw DatabaseError("kept_address() is only for the program's own table walk");
        const auto ip = args.text(0);
        return ip && keep->Keeps(*ip) ? 1 : 0;
    };
    if (RegisterSqlFunction(db, "kept_address", 2, kept, SQLITE_UTF8 | SQLITE_DIRECTONLY) != SQLITE_OK)
        throw DatabaseError(std::string("cannot register the SQL functions: ") + sqlite3_errmsg(db));
}

void AppendAsciiLower(std::string& out, std::string_view text) {
    const std::size_t at = out.size();
    out.resize(at + text.size());
    std::transform(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at), AsciiLower);
}

// The cache key of a pair, folded the way the look-up statements compare it (whatever collation the
// table's columns declare): a name of ASCII letters as NOCASE does, any other name through fold(); the
// address as NOCASE does. The folded name's length comes first (four bytes), so two pairs never share a
// key.
template <typename Key> void MakePairKey(Key& key, std::string_view name, std::string_view ip) {
    std::string& bytes = key.bytes;
    bytes.assign(sizeof(std::uint32_t), '\0');
    if (IsAscii(name)) {
        AppendAsciiLower(bytes, name);
    } else {
        for (std::size_t pos = 0; pos < name.size();) // FoldCase, straight into the key
            AppendUtf8(bytes, NextFoldedCodePoint(name, pos));
    }
    const auto length = static_cast<std::uint32_t>(bytes.size() - sizeof(std::uint32_t));
    std::memcpy(bytes.data(), &length, sizeof length);
    AppendAsciiLower(bytes, ip);
    key.hash = static_cast<std::size_t>(TextHash(bytes));
}

// The stored form of a name (EncodeName), built only when the name has an apostrophe to replace.
std::string_view StoredName(std::string_view name, std::string& scratch) {
    if (name.find('\'') == std::string_view::npos) return name;
    scratch = EncodeName(name);
    return scratch;
}

} // namespace

struct SqliteNames::Statements {
    SqliteStatement selectPair, selectPairFolded, insert, updateRow, refRow;
    SqliteStatement begin, commit, dataVersion, deleteRow, count, allPairs;
};

SqliteNames::~SqliteNames() {
    try {
        Close();
    } catch (...) {
        // Closing must not throw from a destructor; the batch was committed or is lost with the file.
    }
}

void SqliteNames::SetBusyTimeout(std::chrono::milliseconds timeout) {
    requireOpen();
    sqlite3_busy_timeout(connection_->get(), static_cast<int>(timeout.count()));
}

SqliteNames::SqliteNames(const std::string& path, IfMissing ifMissing, FileReading reading) {
    struct stat file {};
    if (ifMissing == IfMissing::Refuse && ::stat(path.c_str(), &file) != 0)
        throw DatabaseError(path +
                            (errno == ENOENT ? " does not exist" : ": " + std::string(std::strerror(errno))));
    auto connection = std::make_shared<SqliteConnection>(path, ifMissing);
    try {
        connection->exec("PRAGMA schema_version;");
    } catch (const DatabaseError& e) {
        if (sqlite3_errcode(connection->get()) == SQLITE_NOTADB)
            throw DatabaseError(path + " is not a database this program can use: " + e.what());
        throw DatabaseError("cannot read " + path + ": " + e.what());
    }
    sqlite3_busy_timeout(connection->get(), static_cast<int>(kBusyTimeout.count()));
    try {
        // Reading the file through a memory map (unless told otherwise) spares a copy of every page a
        // search scans. A new file
        // gets pages of 8 KiB: a first import, which dirties most pages of a growing table, then commits
        // in half as many WAL frames (each two writes); a file that exists keeps the size it has. A file
        // that must exist already (what a copy reads) is not changed.
        // Every commit reaches the disk before it returns (the WAL is synced): a run journals its
        // position right after its last commit, and that position must never be ahead of the rows
        // a power loss leaves. The sync the closing checkpoint would make comes earlier instead.
        if (ifMissing == IfMissing::Create)
            connection->exec("PRAGMA page_size=8192; PRAGMA journal_mode=WAL;");
        connection->exec(reading == FileReading::Mapped
                             ? "PRAGMA synchronous=FULL; PRAGMA mmap_size=268435456;"
                             : "PRAGMA synchronous=FULL; PRAGMA mmap_size=0;");
        RegisterDialect(connection->get());
        RegisterAddressFilter(connection->get());
        if (ifMissing == IfMissing::Create) {
            // One commit (one sync) for the whole schema; a failure leaves it to the closing connection,
            // which rolls it back.
            connection->exec("BEGIN");
            connection->exec(kSchema);
            SqliteGuids::CreateMissing(*connection);
            connection->exec("COMMIT");
        }
    } catch (const DatabaseError& e) {
        throw DatabaseError("cannot prepare " + path + ": " + e.what());
    }
    const auto hasTable = [&](const char* name) {
        SqliteStatement find(*connection,
                             "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
        find.bind(1, std::string_view(name));
        return find.step();
    };
    if (ifMissing == IfMissing::Refuse && !hasTable("Names"))
        throw DatabaseError(path + " holds no table Names");
    auto s = std::make_unique<Statements>();
    const SqliteConnection& c = *connection;
    s->selectPair = SqliteStatement(
        c,
        "SELECT rowid, LastVisit FROM Names WHERE PlayerName = ?1 COLLATE NOCASE AND IP = ?2 COLLATE NOCASE");
    s->selectPairFolded = SqliteStatement(
        c, "SELECT rowid, LastVisit FROM Names WHERE IP = ?2 COLLATE NOCASE AND fold(PlayerName) = ?1");
    s->insert = SqliteStatement(
        c, "INSERT INTO Names (PlayerName, StrippedName, IP, LastVisit) VALUES (?1, ?2, ?3, ?4)");
    s->updateRow = SqliteStatement(c, "UPDATE Names SET LastVisit = ?1 WHERE rowid = ?2");
    s->refRow = SqliteStatement(c, "UPDATE Names SET Ref = 1 WHERE rowid = ?1");
    s->begin = SqliteStatement(c, "BEGIN IMMEDIATE");
    s->commit = SqliteStatement(c, "COMMIT");
    s->dataVersion = SqliteStatement(c, "PRAGMA data_version");
    s->deleteRow = SqliteStatement(c, "DELETE FROM Names WHERE rowid = ?1");
    s->count = SqliteStatement(c, "SELECT count(*) FROM Names");
    s->allPairs = SqliteStatement(
        c,
        "SELECT rowid, PlayerName, IP, LastVisit FROM Names WHERE PlayerName IS NOT NULL AND IP IS NOT NULL");
    // A file that must exist already may be older than table Guids; it is read, never written.
    auto guids =
        ifMissing == IfMissing::Create || hasTable("Guids") ? std::make_unique<SqliteGuids>(c) : nullptr;
    path_ = path;
    connection_ = std::move(connection);
    statements_ = std::move(s);
    guids_ = std::move(guids);
    life_ = std::make_shared<ConnectionLife>();
    inBatch_ = false;
    dataVersion_ = -1;
    forgetCachedRows();
}

void SqliteNames::Close() {
    if (!connection_) return;
    std::string failure;
    try {
        Commit();
    } catch (const DatabaseError& e) {
        failure = e.what();
    }
    life_->open = false;
    life_->idleStatements.clear();
    statements_.reset();
    guids_.reset();
    online_.reset();
    connection_.reset();
    life_.reset();
    inBatch_ = false;
    forgetCachedRows();
    if (!failure.empty()) throw DatabaseError("closing the database: " + failure);
}

void SqliteNames::requireOpen() const {
    if (!connection_) throw DatabaseError("the names database is not open");
}

void SqliteNames::forgetCachedRows() {
    if (connection_ && !unwrittenRows_.empty()) writeLastVisits();
    if (guids_) guids_->Forget();
    pairRows_.Clear();
    knownRows_.clear();
    unwrittenRows_.clear();
    cacheComplete_ = false;
    needsPreload_ = true;
}

void SqliteNames::preloadPairs() {
    needsPreload_ = false;
    keyNamed_ = false; // the key is made of every row in turn
    auto& count = statements_->count;
    const std::int64_t rows = count.step() ? count.integer(0) : kPreloadRows + 1;
    count.reset();
    if (rows > kPreloadRows) return; // too many to hold: pairs are looked up one by one
    auto& all = statements_->allPairs;
    try {
        while (all.step()) {
            const PairRow row = knowRow(all.integer(0), all.text(3));
            MakePairKey(keyScratch_, all.text(1), all.text(2));
            auto* rows = pairRows_.Find(keyScratch_.bytes, keyScratch_.hash);
            if (!rows) rows = &pairRows_.Add(keyScratch_.bytes, keyScratch_.hash, {});
            rows->push_back(row);
        }
    } catch (...) {
        all.reset();
        pairRows_.Clear();
        knownRows_.clear();
        throw;
    }
    all.reset();
    cacheComplete_ = true;
}

void SqliteNames::writeLastVisits() {
    auto& update = statements_->updateRow;
    for (const PairRow& row : unwrittenRows_) {
        if (!row.known->unwritten) continue;
        update.bindForRun(1, row.known->lastVisit).bind(2, row.id);
        update.run();
        row.known->unwritten = false;
    }
    unwrittenRows_.clear();
}

SqliteNames::PairRow SqliteNames::knowRow(std::int64_t id, std::string_view lastVisit) {
    KnownRow& known = knownRows_[id];
    known = KnownRow{std::string(lastVisit)};
    return PairRow{id, &known};
}

void SqliteNames::ensureBatch() {
    requireOpen();
    if (inBatch_ && !sqlite3_get_autocommit(connection_->get())) return;
    if (sqlite3_get_autocommit(connection_->get())) {
        statements_->begin.run();
    }
    inBatch_ = true;
    batchStart_ = std::chrono::steady_clock::now();
    // Holding the write lock now: whatever another program wrote before is visible, and nothing more
    // can come until the batch is committed.
    auto& v = statements_->dataVersion;
    const std::int64_t version = v.step() ? v.integer(0) : -1;
    v.reset();
    if (version != dataVersion_) {
        forgetCachedRows();
        dataVersion_ = version;
    }
}

void SqliteNames::Checkpoint() {
    if (!connection_ || !inBatch_) return;
    if (std::chrono::steady_clock::now() - batchStart_ >= commitInterval_) Commit();
}

void SqliteNames::Commit() {
    if (!connection_) return;
    writeLastVisits();
    if (!sqlite3_get_autocommit(connection_->get())) statements_->commit.run();
    inBatch_ = false;
}

std::vector<SqliteNames::PairRow>& SqliteNames::rowsOfPair(std::string_view name, std::string_view ip) {
    if (pairRows_.Size() >= kMaxCachedPairs || pairRows_.KeyBytes() >= kMaxCachedKeyBytes) {
        forgetCachedRows();
        needsPreload_ = false; // more pairs than the cache holds: look them up one by one
    } else if (needsPreload_) {
        preloadPairs();
    }
    MakePairKey(keyScratch_, name, ip);
    keyName_.assign(name); // reuses its storage
    keyNamed_ = true;
    if (auto* rows = pairRows_.Find(keyScratch_.bytes, keyScratch_.hash)) return *rows;
    if (cacheComplete_)
        return pairRows_.Add(keyScratch_.bytes, keyScratch_.hash, {}); // every pair is cached: a new one
    std::vector<PairRow> rows;
    const bool ascii = IsAscii(name);
    SqliteStatement& select = ascii ? statements_->selectPair : statements_->selectPairFolded;
    const std::string folded = ascii ? std::string() : FoldCase(name);
    select.bind(1, ascii ? name : std::string_view(folded)).bind(2, ip);
    try {
        while (select.step())
            rows.push_back(knowRow(select.integer(0), select.text(1)));
    } catch (...) {
        select.reset();
        throw;
    }
    select.reset();
    return pairRows_.Add(keyScratch_.bytes, keyScratch_.hash, std::move(rows));
}

void SqliteNames::RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) {
    ensureBatch();
    const std::string_view name = StoredName(playerName, nameScratch_);
    auto& rows = rowsOfPair(name, ip);
    if (rows.empty()) {
        insertRow(name, StripName(name), ip, lastVisit, rows);
        return;
    }
    for (const PairRow& row : rows) {
        KnownRow& known = *row.known;
        if (known.lastVisit == lastVisit) continue; // the row holds (or will hold) this date text
        known.lastVisit.assign(lastVisit);
        if (!known.unwritten) {
            known.unwritten = true;
            unwrittenRows_.push_back(row);
        }
    }
}

void SqliteNames::insertRow(std::string_view name, std::string_view stripped, std::string_view ip,
                            std::string_view lastVisit, std::vector<PairRow>& rows) {
    auto& insert = statements_->insert;
    insert.bindForRun(1, name).bindForRun(2, stripped).bindForRun(3, ip).bindForRun(4, lastVisit);
    insert.run();
    rows.push_back(knowRow(sqlite3_last_insert_rowid(connection_->get()), lastVisit));
}

void SqliteNames::MergeRow(const NamesRow& row) {
    ensureBatch();
    const std::string lastVisit = row.lastVisit.value_or(std::string());
    auto& rows = rowsOfPair(row.playerName, row.ip);
    if (rows.empty()) {
        insertRow(row.playerName, row.strippedName ? *row.strippedName : StripName(row.playerName), row.ip,
                  lastVisit, rows);
    } else {
        for (const PairRow& pairRow : rows) {
            KnownRow& known = *pairRow.known;
            if (!IsLaterVisit(lastVisit, known.lastVisit)) continue; // the stored visit is the later one
            known.lastVisit = lastVisit;
            if (!known.unwritten) {
                known.unwritten = true;
                unwrittenRows_.push_back(pairRow);
            }
        }
    }
    if (row.referee)
        for (const PairRow& pairRow : rows)
            statements_->refRow.bind(1, pairRow.id).run();
}

void SqliteNames::MarkReferee(std::string_view playerName, std::string_view ip) {
    ensureBatch();
    const std::string_view name = StoredName(playerName, nameScratch_);
    auto& mark = statements_->refRow;
    for (const PairRow& row : rowsOfPair(name, ip))
        mark.bind(1, row.id).run();
}

void SqliteNames::RecordGuid(std::string_view guid, std::string_view playerName, std::string_view ip,
                             std::string_view lastVisit) {
    ensureBatch();
    if (!guids_) throw DatabaseError(path_ + " holds no table Guids");
    const std::string_view name = StoredName(playerName, nameScratch_);
    // A run records a pair's visit just before its GUID: the pair's key holds the name folded already
    // (after its length in four bytes).
    std::optional<std::string_view> folded;
    if (keyNamed_ && name == keyName_) {
        std::uint32_t length = 0;
        std::memcpy(&length, keyScratch_.bytes.data(), sizeof length);
        folded = std::string_view(keyScratch_.bytes).substr(sizeof length, length);
    }
    guids_->Record(guid, name, ip, lastVisit, SqliteGuids::Visit::Newest, folded);
}

void SqliteNames::MergeGuid(std::string_view guid, std::string_view storedName, std::string_view ip,
                            std::string_view lastVisit) {
    ensureBatch();
    if (!guids_) throw DatabaseError(path_ + " holds no table Guids");
    guids_->Record(guid, storedName, ip, lastVisit, SqliteGuids::Visit::KeepLater);
}

std::optional<std::int64_t> SqliteNames::GuidCount() {
    requireOpen();
    if (!guids_) return std::nullopt;
    return guids_->Count();
}

bool SqliteNames::HasOnlineTable() {
    requireOpen();
    if (online_) return true;
    SqliteStatement find(
        *connection_, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'Online' COLLATE NOCASE");
    return find.step();
}

void SqliteNames::PublishOnline(const OnlineServer& server, std::span<const OnlineSlot> slots) {
    ensureBatch();
    if (!online_) online_ = std::make_unique<SqliteOnline>(*connection_);
    online_->Publish(server, slots);
}

std::int64_t SqliteNames::DeleteAllRecords() {
    ensureBatch();
    writeLastVisits();
    std::vector<std::int64_t> rows;
    {
        SqliteStatement walk(*connection_, "SELECT rowid FROM Names WHERE PlayerName LIKE '*'");
        while (walk.step())
            rows.push_back(walk.integer(0));
    }
    for (const std::int64_t row : rows)
        statements_->deleteRow.bind(1, row).run();
    if (guids_) connection_->exec("DELETE FROM Guids"); // the GUIDs seen with the names go with them
    forgetCachedRows();
    Commit();
    return static_cast<std::int64_t>(rows.size());
}

Recordset SqliteNames::OpenRecordset(const Query& query) {
    requireOpen();
    writeLastVisits(); // a query sees every visit recorded so far
    SqliteStatement statement;
    std::string reuseKey;
    if (query.userText) {
        statement = PrepareReadOnly(*connection_, TranslateQuery(query.sql));
    } else {
        reuseKey = query.sql;
        statement = ownStatement(reuseKey);
    }
    for (std::size_t i = 0; i < query.params.size(); ++i) {
        if (query.params[i])
            statement.bind(static_cast<int>(i + 1), std::string_view(*query.params[i]));
        else
            statement.bind(static_cast<int>(i + 1), std::nullopt);
    }
    return Recordset(
        std::make_unique<SqliteCursor>(connection_, life_, std::move(statement), std::move(reuseKey)));
}

SqliteStatement SqliteNames::ownStatement(const std::string& sql) {
    auto& idle = life_->idleStatements[sql];
    if (idle.empty()) return SqliteStatement(*connection_, sql);
    SqliteStatement statement = std::move(idle.back());
    idle.pop_back();
    return statement;
}

Recordset SqliteNames::OpenAddressWalk(const AddressFilter& keep) {
    requireOpen();
    writeLastVisits(); // the walk sees every visit recorded so far
    SqliteStatement statement = ownStatement(kAddressWalk);
    statement.bindPointer(1, &keep, kAddressFilterTag);
    return Recordset(std::make_unique<SqliteCursor>(connection_, life_, std::move(statement), kAddressWalk));
}

std::string SqliteNames::Identity() {
    requireOpen();
    struct stat file {};
    if (::stat(path_.c_str(), &file) != 0)
        throw DatabaseError("cannot read " + path_ + ": " + std::string(std::strerror(errno)));
    return "sqlite " + std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino);
}

std::int64_t SqliteNames::RowCount() {
    requireOpen();
    writeLastVisits();
    auto& c = statements_->count;
    const std::int64_t n = c.step() ? c.integer(0) : 0;
    c.reset();
    return n;
}

} // namespace corvanth
