#pragma once

#include <QString>

namespace corvanth {

// A number of seconds as hours:minutes:seconds, each part with at least two digits. Hours are
// rounded down, so -5 seconds read "-01:59:55" (one hour back, then 59 minutes and 55 seconds).
QString ReturnTime(double totalSeconds);

} // namespace corvanth
