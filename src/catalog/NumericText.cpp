#include "catalog/NumericText.h"

#include <QLocale>
#include <QString>

#include <cmath>

bool numericValue(QStringView text, double* value)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    // The user's own locale first, then the C locale, so "1.5" reads as a number on a German
    // system too. Both accept their group separator only where it groups digits.
    for (const QLocale& locale : {QLocale::system(), QLocale::c()}) {
        bool ok = false;
        const double number = locale.toDouble(trimmed, &ok);
        // QLocale also reads "inf" and "nan"; they are not numbers here, and neither is an
        // overflow.
        if (ok && std::isfinite(number)) {
            if (value)
                *value = number;
            return true;
        }
    }
    return false;
}

bool isNumericText(QStringView text)
{
    return numericValue(text, nullptr);
}
