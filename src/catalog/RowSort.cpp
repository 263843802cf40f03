#include "catalog/RowSort.h"

#include "catalog/CaseBlindText.h"
#include "catalog/CatalogTable.h"
#include "catalog/SortKeys.h"
#include "platform/core/SideBySide.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

using namespace SortKeys;

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
template <typename Work> void inRunPieces(quint64* elements, qint64 count, int keyShift, Work work)
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
template <typename Run> void forEachTie(quint64* begin, quint64* end, int keyShift, Run run)
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
    template <typename Key> void fill(quint64* elements, Key key) const
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
    template <typename Compare> void settle(quint64* begin, quint64* end, Compare compare) const
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
                              ? asciiAgreement(name, size, reference, referenceSize, depth, *agreed)
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
