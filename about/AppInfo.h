#pragma once

#include <QString>

namespace corvanth {

// The program's title and version as the About box shows them.
QString AppTitle();       // the application name
QString AppVersionText(); // major.minor.revision

} // namespace corvanth
