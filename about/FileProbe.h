#pragma once

#include <QString>

namespace corvanth {

// Whether a file exists.
class FileProbe {
public:
    virtual ~FileProbe() = default;
    virtual bool exists(const QString& path) const = 0;
};

} // namespace corvanth
