#include "catalog/SortKeys.h"

#include "catalog/CaseBlindText.h"
#include "catalog/NumericText.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cstring>

namespace SortKeys {

// ---------------------------------------------------------------------------------------------
// File names: folded UTF-8 bytes

// The next code point of valid UTF-8 at p (the table holds nothing else), and p moved past it.
static char32_t nextCodePoint(const char*& p, const char* end)
{
    const uchar lead = uchar(*p++);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra && p < end; ++i)
        c = (c << 6) | (uchar(*p++) & 0x3F);
    return c;
}

static char32_t nextFolded(const char*& p, const char* end)
{
    const char32_t c = nextCodePoint(p, end);
    return c < 0x80 ? foldAscii(uchar(c)) : QChar::toCaseFolded(c);
}

static int utf8Of(char32_t c, uchar* out)
{
    if (c < 0x80)
        return out[0] = uchar(c), 1;
    if (c < 0x800)
        return out[0] = uchar(0xC0 | (c >> 6)), out[1] = uchar(0x80 | (c & 0x3F)), 2;
    if (c < 0x10000) {
        out[0] = uchar(0xE0 | (c >> 12));
        out[1] = uchar(0x80 | ((c >> 6) & 0x3F));
        out[2] = uchar(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = uchar(0xF0 | (c >> 18));
    out[1] = uchar(0x80 | ((c >> 12) & 0x3F));
    out[2] = uchar(0x80 | ((c >> 6) & 0x3F));
    out[3] = uchar(0x80 | (c & 0x3F));
    return 4;
}

// Bytes [from, from + count) of the name's folded UTF-8 as a big-endian number, zero past the
// name's end. Folding keeps ASCII at its length, so an ASCII stretch is read in place; beyond
// ASCII a character may fold to a different length, and the name is folded from its start.
quint64 foldedBytesAt(const char* name, qsizetype size, qsizetype from, int count)
{
    quint64 key = 0;
    const qsizetype until = from + count;
    if (CaseBlind::isAscii(name, std::min(size, until))) {
        for (qsizetype at = from; at < until; ++at)
            key = (key << 8) | (at < size ? foldAscii(uchar(name[at])) : 0);
        return key;
    }
    const char* p = name;
    const char* const end = name + size;
    qsizetype at = 0;
    while (p < end && at < until) {
        uchar bytes[4];
        const int n = utf8Of(nextFolded(p, end), bytes);
        for (int i = 0; i < n && at < until; ++i, ++at) {
            if (at >= from)
                key = (key << 8) | bytes[i];
        }
    }
    for (; at < until; ++at)
        key <<= 8;
    return key;
}

// Eight ASCII bytes with their capital letters made small, all at once: a byte of 'A' to 'Z'
// gets 0x20. Only for words without a byte of 0x80 or more.
static inline quint64 foldAsciiWord(quint64 word)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    const quint64 atLeastA = word + ones * (0x80 - 'A');
    const quint64 pastZ = word + ones * (0x80 - 'Z' - 1);
    const quint64 capitals = atLeastA & ~pastZ & (ones * 0x80);
    return word | (capitals >> 2);
}

// Folded names compared character by character: < 0, 0 or > 0.
int compareFolded(const char* a, qsizetype aSize, const char* b, qsizetype bSize)
{
    const char* const aEnd = a + aSize;
    const char* const bEnd = b + bSize;
    // Eight bytes at a time while both sides are ASCII.
    while (aEnd - a >= 8 && bEnd - b >= 8) {
        quint64 wa = 0, wb = 0;
        std::memcpy(&wa, a, 8);
        std::memcpy(&wb, b, 8);
        if ((wa | wb) & 0x8080808080808080ULL)
            break;
        const quint64 differ = foldAsciiWord(wa) ^ foldAsciiWord(wb);
        if (differ) {
            const int at = __builtin_ctzll(differ) / 8; // the first byte in memory
            const uchar fa = foldAscii(uchar(a[at]));
            const uchar fb = foldAscii(uchar(b[at]));
            return fa < fb ? -1 : 1;
        }
        a += 8, b += 8;
    }
    while (a < aEnd && b < bEnd) {
        const uchar ca = uchar(*a);
        const uchar cb = uchar(*b);
        if ((ca | cb) < 0x80) { // both ASCII, the usual case
            const uchar fa = foldAscii(ca);
            const uchar fb = foldAscii(cb);
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++a, ++b;
            continue;
        }
        const char32_t fa = nextFolded(a, aEnd);
        const char32_t fb = nextFolded(b, bEnd);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return (a < aEnd) - (b < bEnd);
}

// How many bytes from from on the name spells as reference does, up to limit, ASCII only and
// letter case ignored.
qsizetype asciiAgreement(const char* name, qsizetype size, const char* reference,
                         qsizetype referenceSize, qsizetype from, qsizetype limit)
{
    const qsizetype end = std::min({size, referenceSize, from + limit});
    qsizetype at = from;
    while (at < end && uchar(name[at]) < 0x80 &&
           foldAscii(uchar(name[at])) == foldAscii(uchar(reference[at])))
        ++at;
    return at - from;
}

// ---------------------------------------------------------------------------------------------
// Index and Size: numbers, then other texts, then empty values

enum ValueClass
{
    Number = 0,
    Text = 1,
    Empty = 2
};

struct Value
{
    ValueClass kind = Empty;
    bool digits = false; // plain decimal digits, compared as such
    double number = 0;
};

static Value valueOf(const char* text, qsizetype size)
{
    Value value;
    if (size == 0)
        return value;
    value.kind = Number;
    value.digits = true;
    for (qsizetype i = 0; i < size; ++i) {
        const uchar c = uchar(text[i]);
        if (c < '0' || c > '9') {
            value.digits = false;
            break;
        }
        value.number = value.number * 10 + (c - '0');
    }
    if (!value.digits && !numericValue(QString::fromUtf8(text, size), &value.number))
        value.kind = Text;
    return value;
}

// Digit strings by the number they spell, however long.
static int compareDigits(const char* a, qsizetype aSize, const char* b, qsizetype bSize)
{
    while (aSize > 1 && *a == '0')
        ++a, --aSize;
    while (bSize > 1 && *b == '0')
        ++b, --bSize;
    if (aSize != bSize)
        return aSize < bSize ? -1 : 1;
    const int c = std::memcmp(a, b, size_t(aSize));
    return (c > 0) - (c < 0);
}

int compareValues(const char* a, qsizetype aSize, const char* b, qsizetype bSize)
{
    const Value va = valueOf(a, aSize);
    const Value vb = valueOf(b, bSize);
    if (va.kind != vb.kind)
        return va.kind < vb.kind ? -1 : 1;
    if (va.kind == Number) {
        if (va.digits && vb.digits)
            return compareDigits(a, aSize, b, bSize);
        return (va.number > vb.number) - (va.number < vb.number);
    }
    if (va.kind == Text) {
        const int c = std::memcmp(a, b, size_t(std::min(aSize, bSize)));
        return c != 0 ? (c > 0) - (c < 0) : (aSize > bSize) - (aSize < bSize);
    }
    return 0;
}

// Doubles as unsigned numbers in the same order.
static quint64 orderedBits(double number)
{
    if (number == 0)
        number = 0; // -0 and 0 are one value
    quint64 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

// The key of a value in keyBits bits: its class in the top two, then the leading bits of the
// number (or of the text), then one bit set when those leading bits may not tell it apart from
// a different value.
quint64 valueKey(const char* text, qsizetype size, int keyBits)
{
    const Value value = valueOf(text, size);
    const int bodyBits = keyBits - 3;
    quint64 body = 0;
    bool inexact = false;
    if (value.kind == Number) {
        const quint64 bits = orderedBits(value.number);
        body = bits >> (64 - bodyBits);
        // Digit strings of up to fifteen digits are exact doubles.
        inexact = !value.digits || size > 15 || (bits << bodyBits) != 0;
    } else if (value.kind == Text) {
        const int bytes = bodyBits / 8;
        for (int i = 0; i < bytes; ++i)
            body = (body << 8) | (i < size ? uchar(text[i]) : 0);
        body <<= bodyBits - 8 * bytes;
        inexact = size > bytes;
    }
    return (quint64(value.kind) << (keyBits - 2)) | (body << 1) | quint64(inexact);
}

} // namespace SortKeys
