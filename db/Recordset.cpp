#include "Recordset.h"

#include "NamesDatabase.h"
#include "SqliteConnection.h"
#include "TextCodec.h"

namespace corvanth {

namespace {

constexpr std::size_t kIdleStatementsPerText = 4;

bool EqualsFoldedAscii(std::string_view folded, std::string_view name) {
    if (folded.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c += 32;
        if (c != folded[i]) return false;
    }
    return true;
}

} // namespace

Recordset::Recordset(std::shared_ptr<SqliteConnection> connection, std::shared_ptr<ConnectionLife> life,
                     SqliteStatement statement, std::string reuseKey)
    : connection_(std::move(connection)), life_(std::move(life)), statement_(std::move(statement)),
      reuseKey_(std::move(reuseKey)) {
    const int n = statement_.columnCount();
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(statement_.get(), i);
        names_.emplace_back(name ? name : "");
        foldedNames_.push_back(FoldCase(names_.back()));
        const char* declared = sqlite3_column_decltype(statement_.get(), i);
        boolean_.push_back(declared && EqualsIgnoringCase(declared, "BOOLEAN"));
    }
    eof_ = !statement_.step();
}

Recordset::~Recordset() {
    if (!statement_ || reuseKey_.empty() || !alive()) return;
    statement_.reset();
    auto& idle = life_->idleStatements[reuseKey_];
    if (idle.size() < kIdleStatementsPerText) idle.push_back(std::move(statement_));
}

bool Recordset::alive() const {
    return life_ && life_->open;
}

void Recordset::MoveNext() {
    if (eof_) return;
    if (!alive()) {
        eof_ = true;
        return;
    }
    try {
        eof_ = !statement_.step();
    } catch (...) {
        eof_ = true;
        throw;
    }
}

int Recordset::indexOf(std::string_view name) const {
    if (IsAscii(name)) {
        for (std::size_t i = 0; i < foldedNames_.size(); ++i)
            if (EqualsFoldedAscii(foldedNames_[i], name)) return static_cast<int>(i);
        return -1;
    }
    const std::string folded = FoldCase(name);
    for (std::size_t i = 0; i < foldedNames_.size(); ++i)
        if (foldedNames_[i] == folded) return static_cast<int>(i);
    return -1;
}

std::optional<std::string> Recordset::Field(std::string_view name) const {
    const int i = indexOf(name);
    if (i < 0 || eof_ || !alive() || statement_.isNull(i)) return std::nullopt;
    if (boolean_[i]) {
        const int type = sqlite3_column_type(statement_.get(), i);
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
            return std::string(sqlite3_column_double(statement_.get(), i) != 0 ? "True" : "False");
    }
    return std::string(statement_.text(i));
}

} // namespace corvanth
