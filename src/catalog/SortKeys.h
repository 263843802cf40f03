#pragma once

#include <QtGlobal>

// The orders the grid sorts by, on a field's UTF-8 bytes as the catalog table holds them: cheap
// keys that order most values by themselves, and full comparisons for the values they cannot
// tell apart. Used by sortedRows().
namespace SortKeys {

constexpr uchar foldAscii(uchar c)
{
    return c >= 'A' && c <= 'Z' ? uchar(c | 0x20) : c;
}

// File names: letter case ignored (simple case folding), then code point order.

// Bytes [from, from + count) of the name's folded UTF-8 as a big-endian number, zero past the
// name's end.
quint64 foldedBytesAt(const char* name, qsizetype size, qsizetype from, int count);
// Folded names compared: < 0, 0 or > 0.
int compareFolded(const char* a, qsizetype aSize, const char* b, qsizetype bSize);
// How many bytes from from on the name spells as reference does, up to limit, ASCII only and
// letter case ignored.
qsizetype asciiAgreement(const char* name, qsizetype size, const char* reference,
                         qsizetype referenceSize, qsizetype from, qsizetype limit);

// Index values and sizes: numbers by value, then other texts by their bytes, then empty values.

int compareValues(const char* a, qsizetype aSize, const char* b, qsizetype bSize);
// The key of a value in keyBits bits (33 or more): its class in the top two, then the leading
// bits of the number (or of the text), then a last bit set when those may not tell it apart
// from a different value.
quint64 valueKey(const char* text, qsizetype size, int keyBits);

} // namespace SortKeys
