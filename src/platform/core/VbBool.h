#pragma once

#include <QtGlobal>

// Booleans that cross the data source's and the walker's interfaces are 16-bit integers with
// True = -1 and False = 0, as the rest of the program's interfaces expect.
using VbBool = qint16;
constexpr VbBool VbTrue = -1;
constexpr VbBool VbFalse = 0;
