#pragma once

#include "RecordCursor.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// A cursor over the rows of one query, positioned on the first row when opened. Eof() is true at once
// for an empty result and after MoveNext() has passed the last row. Fields are looked up by name,
// ignoring letter case. A column declared BOOLEAN reads as the word True or False. When the database
// is closed while a cursor is open, the cursor simply reaches its end.
class Recordset {
public:
    explicit Recordset(std::unique_ptr<RecordCursor> cursor);
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    bool Eof() const { return eof_; }
    // Throws DatabaseError when the next row cannot be produced (the cursor is then at its end).
    void MoveNext();

    bool HasField(std::string_view name) const { return indexOf(name) >= 0; }
    // The value as text; nothing for NULL or a column the result lacks.
    std::optional<std::string> Field(std::string_view name) const;

    // The index of a column (looked up by name as Field does), or -1 when the result lacks it.
    int indexOf(std::string_view name) const;
    // The value of column `index` (from indexOf) as text pointing into the current row, valid until
    // MoveNext(); nothing for NULL, for -1 and at the end. Walks of many rows read their cells this way,
    // without copying them or looking their names up again.
    std::optional<std::string_view> View(int index) const {
        if (index < 0 || eof_) return std::nullopt;
        return cursor_->Value(index);
    }

private:
    std::unique_ptr<RecordCursor> cursor_;
    std::vector<std::string> foldedNames_;
    bool eof_ = true;
};

} // namespace corvanth
