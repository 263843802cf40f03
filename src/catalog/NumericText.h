#pragma once

#include <QStringView>

// Whether a text is a number, the one test the walker (index-value box) and the catalog's
// first-line check share. Surrounding blanks, a sign, the decimal and group separators of the
// system locale or of the C locale, and an exponent are accepted. Empty or blank text, "inf"
// and "nan" are not numbers.
bool isNumericText(QStringView text);

// The text as a number when isNumericText() accepts it.
bool numericValue(QStringView text, double* value);
