#include "NumberText.h"

#include <cmath>

namespace corvanth {
namespace {

char32_t FirstCodePoint(const QString& text, char32_t fallback) {
    const auto points = text.toUcs4();
    return points.isEmpty() ? fallback : static_cast<char32_t>(points.front());
}

} // namespace

NumberFormat NumberFormatOf(const QLocale& locale) {
    NumberFormat format;
    format.groupSeparator = FirstCodePoint(locale.groupSeparator(), U',');
    format.decimalSeparator = FirstCodePoint(locale.decimalPoint(), U'.');
    return format;
}

QString ThousandsFormat(double value, const QLocale& locale) {
    if (!std::isfinite(value)) return {};
    const long long whole = std::llround(value);
    if (whole == 0) return {};
    const QString digits = QString::number(whole < 0 ? -static_cast<unsigned long long>(whole)
                                                     : static_cast<unsigned long long>(whole));
    const QString separator = locale.groupSeparator();
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 * separator.size() + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return whole < 0 ? QLatin1Char('-') + grouped : grouped;
}

std::optional<double> ReadNumber(const QString& text, const QLocale& locale) {
    return ParseLocaleNumber(text.toStdString(), NumberFormatOf(locale));
}

std::int64_t RoundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    double whole = below + 1.0;
    if (fraction < 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) == 0.0)) whole = below;
    return static_cast<std::int64_t>(whole);
}

std::optional<int> ParseTickInterval(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 5) return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    }
    const int value = trimmed.toInt();
    if (value < kMinTickInterval || value > kMaxTickInterval) return std::nullopt;
    return value;
}

} // namespace corvanth
