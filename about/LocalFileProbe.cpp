#include "LocalFileProbe.h"

#include <QFileInfo>

namespace corvanth {

bool LocalFileProbe::exists(const QString& path) const {
    return QFileInfo(path).isFile();
}

} // namespace corvanth
