#pragma once

#include "FileProbe.h"

namespace corvanth {

// The real file system.
class LocalFileProbe : public FileProbe {
public:
    bool exists(const QString& path) const override;
};

} // namespace corvanth
