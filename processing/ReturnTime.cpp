#include "ReturnTime.h"

#include <cmath>
#include <cstdlib>

namespace corvanth {
namespace {

// At least two digits, a minus sign before the digits, a fraction rounded to the nearest whole.
QString TwoDigits(double value) {
    const long long whole = std::llround(value);
    QString digits = QString::number(std::llabs(whole));
    if (digits.size() < 2) digits.prepend(QLatin1Char('0'));
    return whole < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

QString ReturnTime(double totalSeconds) {
    const double hours = std::floor(totalSeconds / 3600.0);
    const double rest = totalSeconds - hours * 3600.0;
    const double minutes = std::floor(rest / 60.0);
    const double seconds = rest - minutes * 60.0;
    return TwoDigits(hours) + QLatin1Char(':') + TwoDigits(minutes) + QLatin1Char(':') + TwoDigits(seconds);
}

} // namespace corvanth
