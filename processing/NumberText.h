#pragma once

#include "StartPosition.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

namespace corvanth {

// The separators of the user's number format, as the engine's number parser wants them.
NumberFormat NumberFormatOf(const QLocale& locale);

// A number rounded to a whole number, its digits grouped by threes with the locale's group
// separator, no decimals; 0 gives an empty text.
QString ThousandsFormat(double value, const QLocale& locale);

// A text such as ThousandsFormat writes (or the user types) read back as a number.
std::optional<double> ReadNumber(const QString& text, const QLocale& locale);

// The nearest whole number, halves to the even neighbour: 42.5 gives 42, 43.5 gives 44.
std::int64_t RoundHalfEven(double value);

inline constexpr int kMinTickInterval = 1;
inline constexpr int kMaxTickInterval = 65535;

// The progress tick's interval: a whole number of milliseconds from 1 to 65535 (blanks around it
// allowed); nothing for anything else.
std::optional<int> ParseTickInterval(const QString& text);

} // namespace corvanth
