#include "catalog/RowSort.h"

#include "catalog/CaseBlindText.h"
#include "catalog/CatalogTable.h"
#include "catalog/NumericText.h"
#include "platform/core/SideBySide.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

// While sorting, each row is one 64-bit element: a cheap key in the high bits and the row in
// the low bits. Sorting elements as plain numbers orders them by key and, for equal keys, by
// row, which is file order: no stable sort and no buffer are needed. Keys that cannot tell two
// values apart are settled afterwards within their runs, from the table's text.
struct Layout
{
    int rowBits = 1;
    int keyBits = 63;
    quint64 rowMask = 1;
    quint64 keyMask = 0; // keyBits ones

    explicit Layout(qint64 rows)
    {
        while (rowBits < 32 && (qint64(1) << rowBits) < rows)
            ++rowBits;
        keyBits = 64 - rowBits;
        rowMask = (quint64(1) << rowBits) - 1;
        keyMask = ~quint64(0) >> rowBits;
    }
    quint64 keyOf(quint64 element) const { return element >> rowBits; }
    quint32 rowOf(quint64 element) const { return quint32(element & rowMask); }
};

constexpr qint64 kSideBySideFrom = 1 << 15;
constexpr qint64 kSmallRun = 96;
// How many rows ahead a pass over rows in random places fetches their text.
constexpr qint64 kAhead = 32;

int partsFor(qint64 count)
{
    return count >= kSideBySideFrom ? int(std::min<unsigned>(usableCores(), 2)) : 1;
}

// Sorts elements as numbers; a large range is split around its median and the halves sorted
// side by side.
void sortElements(quint64* begin, quint64* end)
{
    if (end - begin >= kSideBySideFrom && partsFor(end - begin) > 1) {
        quint64* middle = begin + (end - begin) / 2;
        std::nth_element(begin, middle, end);
        runSideBySide([&] { std::sort(begin, middle); }, [&] { std::sort(middle, end); });
        return;
    }
    std::sort(begin, end);
}

// Runs work(begin, end) on [0, count) in one or two pieces side by side; a cut is moved on to
// where the key (element >> keyShift) changes, so no run of equal keys is split.
template <typename Work>
void inRunPieces(quint64* elements, qint64 count, int keyShift, Work work)
{
    if (partsFor(count) < 2) {
        work(elements, elements + count);
        return;
    }
    qint64 cut = count / 2;
    while (cut < count && (elements[cut] >> keyShift) == (elements[cut - 1] >> keyShift))
        ++cut;
    runSideBySide([&] { work(elements, elements + cut); },
                  [&] { work(elements + cut, elements + count); });
}

// Calls run(begin, end) for every run of two or more elements with equal keys (element >>
// keyShift).
template <typename Run>
void forEachTie(quint64* begin, quint64* end, int keyShift, Run run)
{
    while (begin < end) {
        quint64* stop = begin + 1;
        const quint64 key = *begin >> keyShift;
        while (stop < end && (*stop >> keyShift) == key)
            ++stop;
        if (stop - begin > 1)
            run(begin, stop);
        begin = stop;
    }
}

// ---------------------------------------------------------------------------------------------
// File names: folded UTF-8 bytes

constexpr uchar foldAscii(uchar c)
{
    return c >= 'A' && c <= 'Z' ? uchar(c | 0x20) : c;
}

// The next code point of valid UTF-8 at p (the table holds nothing else), and p moved past it.
char32_t nextCodePoint(const char*& p, const char* end)
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

char32_t nextFolded(const char*& p, const char* end)
{
    const char32_t c = nextCodePoint(p, end);
    return c < 0x80 ? foldAscii(uchar(c)) : QChar::toCaseFolded(c);
}

int utf8Of(char32_t c, uchar* out)
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
inline quint64 foldAsciiWord(quint64 word)
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
    while (at < end && uchar(name[at]) < 0x80
           && foldAscii(uchar(name[at])) == foldAscii(uchar(reference[at])))
        ++at;
    return at - from;
}

// ---------------------------------------------------------------------------------------------
// Index and Size: numbers, then other texts, then empty values

enum ValueClass { Number = 0, Text = 1, Empty = 2 };

struct Value
{
    ValueClass kind = Empty;
    bool digits = false; // plain decimal digits, compared as such
    double number = 0;
};

Value valueOf(const char* text, qsizetype size)
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
int compareDigits(const char* a, qsizetype aSize, const char* b, qsizetype bSize)
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
quint64 orderedBits(double number)
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

// ---------------------------------------------------------------------------------------------

class Sorter
{
public:
    Sorter(const CatalogTable& table, CatalogField field, bool descending, qint64 rows)
        : m_table(table), m_field(int(field)), m_descending(descending), m_rows(rows),
          m_layout(rows), m_allRecords(table.query().isNone())
    {
    }

    RowOrder run()
    {
        if (m_rows == 0)
            return RowOrder();
        auto* elements = static_cast<quint64*>(std::malloc(size_t(m_rows) * sizeof(quint64)));
        if (!elements)
            throw std::bad_alloc();
        try {
            if (m_field == int(CatalogField::Filename))
                sortNames(elements);
            else
                sortValues(elements);
        } catch (...) {
            std::free(elements);
            throw;
        }
        // The rows move down into the first half of the block, which then shrinks to it.
        auto* rows = reinterpret_cast<quint32*>(elements);
        for (qint64 i = 0; i < m_rows; ++i) {
            const quint32 row = m_layout.rowOf(elements[i]);
            std::memcpy(rows + i, &row, sizeof row); // behind every element still to be read
        }
        void* shrunk = std::realloc(rows, size_t(m_rows) * sizeof(quint32));
        return RowOrder(static_cast<quint32*>(shrunk ? shrunk : rows), m_rows);
    }

private:
    qint64 recordOf(quint32 row) const
    {
        return m_allRecords ? qint64(row) : m_table.recordInFileOrder(row);
    }

    // The field of file-order row.
    const char* fieldOf(quint32 row, qsizetype* size) const
    {
        return m_table.fieldData(recordOf(row), m_field, size);
    }

    void prefetchRecord(quint32 row) const
    {
        const qint64 record = recordOf(row);
        __builtin_prefetch(m_table.recordStarts() + record);
        __builtin_prefetch(m_table.edgeLengths() + 2 * record);
    }

    // The name's first bytes (read to see whether they are ASCII) and those from depth on.
    void prefetchName(quint32 row, qsizetype depth) const
    {
        qsizetype size = 0;
        const char* name = fieldOf(row, &size);
        __builtin_prefetch(name);
        __builtin_prefetch(name + std::min(depth, size));
    }

    // Fills elements[row] from key(row) for every row, in one or two parts side by side.
    template <typename Key>
    void fill(quint64* elements, Key key) const
    {
        const int parts = partsFor(m_rows);
        runInParts(parts, [&](int part) {
            const qint64 begin = m_rows * part / parts;
            const qint64 end = m_rows * (part + 1) / parts;
            for (qint64 row = begin; row < end; ++row)
                elements[row] = (key(quint32(row)) << m_layout.rowBits) | quint64(row);
        });
    }

    quint64 directed(quint64 key) const { return m_descending ? ~key & m_layout.keyMask : key; }

    // Ties on the key settled from the text, rows in file order where the values are equal.
    template <typename Compare>
    void settle(quint64* begin, quint64* end, Compare compare) const
    {
        std::sort(begin, end, [&](quint64 a, quint64 b) {
            qsizetype aSize = 0, bSize = 0;
            const char* aText = fieldOf(m_layout.rowOf(a), &aSize);
            const char* bText = fieldOf(m_layout.rowOf(b), &bSize);
            const int c = compare(aText, aSize, bText, bSize);
            if (c != 0)
                return m_descending ? c > 0 : c < 0;
            return m_layout.rowOf(a) < m_layout.rowOf(b);
        });
    }

    void sortValues(quint64* elements) const
    {
        const int keyBits = m_layout.keyBits;
        fill(elements, [&](quint32 row) {
            qsizetype size = 0;
            const char* text = fieldOf(row, &size);
            return directed(valueKey(text, size, keyBits));
        });
        sortElements(elements, elements + m_rows);
        // Runs that agree on all but the last key bit are settled when one of them is inexact.
        const int shift = m_layout.rowBits + 1;
        const quint64 inexactBit = quint64(!m_descending) << m_layout.rowBits;
        inRunPieces(elements, m_rows, shift, [&](quint64* begin, quint64* end) {
            forEachTie(begin, end, shift, [&](quint64* first, quint64* last) {
                // Sorted by that bit: an inexact element sits at one end of the run.
                const quint64 at = m_descending ? *first : *(last - 1);
                if ((at & (quint64(1) << m_layout.rowBits)) == inexactBit)
                    settle(first, last, compareValues);
            });
        });
    }

    void sortNames(quint64* elements) const
    {
        const int keyBytes = m_layout.keyBits / 8;
        const int pad = m_layout.keyBits - 8 * keyBytes;
        const qsizetype start = commonAsciiPrefix();
        fill(elements, [&](quint32 row) {
            qsizetype size = 0;
            const char* name = fieldOf(row, &size);
            return directed(foldedBytesAt(name, size, start, keyBytes) << pad);
        });
        sortElements(elements, elements + m_rows);
        inRunPieces(elements, m_rows, m_layout.rowBits, [&](quint64* begin, quint64* end) {
            refineNames(begin, end, start, keyBytes, pad);
        });
    }

    // Runs of equal keys for the folded bytes from depth on: a run whose key ends in padding
    // holds equal names; a short run is settled by comparing names; a long one gets keys for
    // the next bytes and is sorted again.
    void refineNames(quint64* begin, quint64* end, qsizetype depth, int keyBytes, int pad) const
    {
        struct Run
        {
            quint64* begin;
            quint64* end;
            qsizetype depth;
        };
        std::vector<Run> pending;
        auto addTies = [&](quint64* from, quint64* to, qsizetype at) {
            forEachTie(from, to, m_layout.rowBits, [&](quint64* first, quint64* last) {
                const quint64 key = directed(m_layout.keyOf(*first));
                if (((key >> pad) & 0xFF) != 0)
                    pending.push_back({first, last, at});
            });
        };
        addTies(begin, end, depth);
        while (!pending.empty()) {
            const Run run = pending.back();
            pending.pop_back();
            if (run.end - run.begin <= kSmallRun) {
                // The names agree on their folded bytes up to the end of the tied key; where
                // those are ASCII in every name, they are its first bytes and are passed over.
                qsizetype shared = run.depth + keyBytes;
                for (const quint64* e = run.begin; e < run.end && shared > 0; ++e) {
                    if (e + 2 * kAhead < run.end)
                        prefetchRecord(m_layout.rowOf(e[2 * kAhead]));
                    if (e + kAhead < run.end)
                        prefetchName(m_layout.rowOf(e[kAhead]), shared);
                    qsizetype size = 0;
                    const char* name = fieldOf(m_layout.rowOf(*e), &size);
                    if (size < shared || !CaseBlind::isAscii(name, shared))
                        shared = 0;
                }
                settle(run.begin, run.end,
                       [shared](const char* a, qsizetype aSize, const char* b, qsizetype bSize) {
                           return compareFolded(a + shared, aSize - shared, b + shared,
                                                bSize - shared);
                       });
                continue;
            }
            qsizetype next = run.depth + keyBytes;
            const qint64 count = run.end - run.begin;
            // Names often share long stretches (a folder's path): while reading the keys, see
            // how far all of them agree with the first, and when that is beyond the key, read
            // the keys again from where they part instead of sorting by equal keys.
            qsizetype firstSize = 0;
            const char* first = fieldOf(m_layout.rowOf(*run.begin), &firstSize);
            const bool firstAscii = CaseBlind::isAscii(first, std::min(firstSize, next));
            qsizetype agreed = firstAscii ? 64 : 0;
            for (int pass = 0; pass < 2; ++pass) {
                refreshKeys(run.begin, count, next, keyBytes, pad,
                            agreed > keyBytes ? first : nullptr, firstSize, &agreed);
                if (pass == 1 || agreed <= keyBytes)
                    break;
                next += agreed;
                agreed = 0;
            }
            std::sort(run.begin, run.end);
            addTies(run.begin, run.end, next);
        }
    }

    // New keys for the folded bytes from depth on; with a reference name, *agreed becomes how
    // far (at most its value) every name agrees with it from depth on, ASCII only.
    void refreshKeys(quint64* elements, qint64 count, qsizetype depth, int keyBytes, int pad,
                     const char* reference, qsizetype referenceSize, qsizetype* agreed) const
    {
        for (qint64 i = 0; i < count; ++i) {
            // Rows lie anywhere in the table: their offsets are fetched far ahead, their text
            // half as far.
            if (i + 2 * kAhead < count)
                prefetchRecord(m_layout.rowOf(elements[i + 2 * kAhead]));
            if (i + kAhead < count)
                prefetchName(m_layout.rowOf(elements[i + kAhead]), depth);
            const quint32 row = m_layout.rowOf(elements[i]);
            qsizetype size = 0;
            const char* name = fieldOf(row, &size);
            const quint64 key = directed(foldedBytesAt(name, size, depth, keyBytes) << pad);
            elements[i] = (key << m_layout.rowBits) | row;
            if (reference && *agreed > 0) {
                *agreed = CaseBlind::isAscii(name, std::min(size, depth))
                              ? asciiAgreement(name, size, reference, referenceSize, depth,
                                               *agreed)
                              : 0;
            }
        }
    }

    // How many leading bytes every name shares, as far as they are ASCII (where folding keeps
    // positions): the keys start there.
    qsizetype commonAsciiPrefix() const
    {
        qsizetype firstSize = 0;
        const char* first = fieldOf(0, &firstSize);
        qsizetype common = 0;
        while (common < firstSize && uchar(first[common]) < 0x80)
            ++common;
        const int parts = partsFor(m_rows);
        std::vector<qsizetype> found(size_t(parts), common);
        runInParts(parts, [&](int part) {
            qsizetype shared = common;
            const qint64 end = m_rows * (part + 1) / parts;
            for (qint64 row = m_rows * part / parts; row < end && shared > 0; ++row) {
                qsizetype size = 0;
                const char* name = fieldOf(quint32(row), &size);
                qsizetype i = 0;
                const qsizetype limit = std::min(shared, size);
                while (i < limit && foldAscii(uchar(name[i])) == foldAscii(uchar(first[i])))
                    ++i;
                shared = i;
            }
            found[size_t(part)] = shared;
        });
        return *std::min_element(found.begin(), found.end());
    }

    const CatalogTable& m_table;
    const int m_field;
    const bool m_descending;
    const qint64 m_rows;
    const Layout m_layout;
    const bool m_allRecords; // file-order row r is record r
};

} // namespace

RowOrder sortedRows(const CatalogTable& table, CatalogField field, bool descending)
{
    const qint64 rows = std::min<qint64>(table.recordCount(), qint64(1) << 32);
    return Sorter(table, field, descending, rows).run();
}
