#include "Recordset.h"

#include "TextCodec.h"

namespace corvanth {

namespace {

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

Recordset::Recordset(std::unique_ptr<RecordCursor> cursor) : cursor_(std::move(cursor)) {
    const int n = cursor_->ColumnCount();
    for (int i = 0; i < n; ++i)
        foldedNames_.push_back(FoldCase(cursor_->ColumnName(i)));
    eof_ = !cursor_->HasRow();
}

Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::MoveNext() {
    if (eof_) return;
    try {
        cursor_->Next();
        eof_ = !cursor_->HasRow();
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
    const std::optional<std::string_view> value = View(indexOf(name));
    if (!value) return std::nullopt;
    return std::string(*value);
}

} // namespace corvanth
