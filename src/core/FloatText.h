#pragma once

#include <QString>
#include <QStringView>

// The general number text of the read-outs: rounded to 15 significant digits, no trailing zeros and no
// decimal separator for whole numbers; fixed notation from 0.0001 up to 15 integer digits, otherwise
// scientific with the shortest exponent ("1E15", "1.5E-5"). "NAN", "INF" and "-INF" for the rest.
[[nodiscard]] QString FloatToStr(double value, QStringView decimalSeparator = u".");
