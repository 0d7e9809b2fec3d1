#pragma once

#include <QString>

namespace corvanth {

// The program's title and version as the About box shows them.
QString AppTitle();       // "Corvanth"
QString AppVersionText(); // "0.7.5": major.minor.revision
int AppVersionMajor();
int AppVersionMinor();
int AppVersionRevision();

} // namespace corvanth
