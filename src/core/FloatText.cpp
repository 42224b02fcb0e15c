#include "core/FloatText.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

constexpr int significantDigits = 15;

} // namespace

QString FloatToStr(double value, QStringView decimalSeparator) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");

    // d.dddddddddddddde±x, rounded once, independent of the C locale.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                         significantDigits - 1);
    if (ec != std::errc())
        return {};
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    const bool negative = text.front() == '-';
    const std::size_t mantissaStart = negative ? 1 : 0;
    const std::size_t ePos = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    exponent);

    // The significant digits without the point and without trailing zeros.
    QString digits;
    for (std::size_t i = mantissaStart; i < ePos; ++i) {
        if (text[i] != '.')
            digits.append(QLatin1Char(text[i]));
    }
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString out;
    if (negative)
        out.append(QLatin1Char('-'));
    const int integerDigits = exponent + 1;
    if (integerDigits > significantDigits || integerDigits < -3) {
        out.append(digits.front());
        if (digits.size() > 1) {
            out.append(decimalSeparator);
            out.append(QStringView(digits).mid(1));
        }
        out.append(QLatin1Char('E'));
        out.append(QString::number(exponent));
    } else if (integerDigits <= 0) {
        out.append(QLatin1Char('0'));
        out.append(decimalSeparator);
        out.append(QString(-integerDigits, QLatin1Char('0')));
        out.append(digits);
    } else if (digits.size() <= integerDigits) {
        out.append(digits);
        out.append(QString(integerDigits - digits.size(), QLatin1Char('0')));
    } else {
        out.append(QStringView(digits).left(integerDigits));
        out.append(decimalSeparator);
        out.append(QStringView(digits).mid(integerDigits));
    }
    return out;
}
