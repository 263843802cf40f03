#pragma once

#include <QString>

// The index value a capture writes on every line, taken once when the capture starts. A value
// that is not a number at all becomes 1, as it always has; a value the loader could not read
// back (more than five characters, a blank at either end, a tab or line break, which would
// split or end the line) is refused before anything is written. The capture window and the
// shell's capture take it the same way.
namespace IndexValue {

// False with the reason when typed must be refused; otherwise *index is the value to write.
bool take(const QString& typed, QString* index, QString* error);

} // namespace IndexValue
