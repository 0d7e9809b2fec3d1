#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

// The rows of one query as one kind of database produces them. Recordset is the face the rest of the
// program sees; each backend has its own cursor behind it.
class RecordCursor {
public:
    virtual ~RecordCursor() = default;

    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int column) const = 0;
    // False once the last row has been passed (or at once for an empty result).
    virtual bool HasRow() const = 0;
    // Throws DatabaseError when the next row cannot be produced.
    virtual void Next() = 0;
    // The value as text, nothing for NULL; a boolean column reads True or False. The text stays valid
    // until Next() (it points into the current row; nothing is copied).
    virtual std::optional<std::string_view> Value(int column) const = 0;
};

} // namespace corvanth
