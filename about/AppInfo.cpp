#include "AppInfo.h"

#include "ProgramIdentity.h"

namespace corvanth {

QString AppTitle() {
    return QString::fromUtf8(identity::Application);
}

QString AppVersionText() {
    return QString::fromUtf8(identity::Version);
}

} // namespace corvanth
