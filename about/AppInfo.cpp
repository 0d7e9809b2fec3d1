#include "AppInfo.h"

namespace corvanth {

QString AppTitle() {
    return QStringLiteral("Corvanth");
}

int AppVersionMajor() {
    return CORVANTH_VERSION_MAJOR;
}

int AppVersionMinor() {
    return CORVANTH_VERSION_MINOR;
}

int AppVersionRevision() {
    return CORVANTH_VERSION_REVISION;
}

QString AppVersionText() {
    return QStringLiteral("%1.%2.%3").arg(AppVersionMajor()).arg(AppVersionMinor()).arg(AppVersionRevision());
}

} // namespace corvanth
