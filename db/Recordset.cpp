#include "Recordset.h"

#include "NamesDatabase.h"
#include "SqliteConnection.h"
#include "TextCodec.h"

namespace corvanth {

Recordset::Recordset(std::shared_ptr<SqliteConnection> connection, std::shared_ptr<const ConnectionLife> life,
                     SqliteStatement statement)
    : connection_(std::move(connection)), life_(std::move(life)), statement_(std::move(statement)) {
    const int n = statement_.columnCount();
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(statement_.get(), i);
        names_.emplace_back(name ? name : "");
        const char* declared = sqlite3_column_decltype(statement_.get(), i);
        boolean_.push_back(declared && EqualsIgnoringCase(declared, "BOOLEAN"));
    }
    eof_ = !statement_.step();
}

bool Recordset::alive() const { return life_ && life_->open; }

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
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (EqualsIgnoringCase(names_[i], name)) return static_cast<int>(i);
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
