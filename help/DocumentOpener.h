#pragma once

#include <QString>

namespace corvanth {

// Opens a document with the program the system associates with it, without waiting and without
// reporting the outcome.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    virtual void open(const QString& path) = 0;
};

} // namespace corvanth
