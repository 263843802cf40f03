#include "catalog/CatalogMatcher.h"

#include "catalog/CaseBlindText.h"
#include "catalog/CatalogTable.h"
#include "platform/core/SideBySide.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

using namespace CaseBlind;

// Records [begin, end).
struct RecordRange
{
    qint64 begin = 0;
    qint64 end = 0;
};

// One pass over the whole text: find(from, end, &length) returns the next hit of a piece every
// match contains; a hit is mapped to its record through the record starts, and when it lies
// inside the searched field, matches(data, size) decides on the field. Either way the search
// goes on with the next record: every later hit in the field would decide the same.
template <typename Find, typename Matches>
void findInText(const CatalogTable& table, int field, const Find& find, const Matches& matches,
                const RecordRange& range, std::vector<qint64>* result)
{
    const qint64 recordCount = range.end;
    const char* const base = table.text();
    const qint64* starts = table.recordStarts();
    const char* const end = base + starts[recordCount];
    auto fieldBounds = [&](qint64 r, qint64* begin, qint64* stop) {
        qsizetype size = 0;
        const char* data = table.fieldData(r, field, &size);
        *begin = data - base;
        *stop = *begin + size;
    };
    qint64 r = range.begin;
    const char* from = base;
    if (r < recordCount) {
        qint64 b, e;
        fieldBounds(r, &b, &e);
        from = base + b;
    }
    while (r < recordCount) {
        qsizetype length = 0;
        const char* hit = find(from, end, &length);
        if (!hit)
            break;
        const qint64 at = hit - base;
        // The record holding the hit: usually the next few, otherwise a binary search.
        int steps = 0;
        while (starts[r + 1] <= at && steps < 8) {
            ++r;
            ++steps;
        }
        if (starts[r + 1] <= at)
            r = qint64(std::upper_bound(starts + r + 1, starts + recordCount + 1, at) - starts) - 1;
        qint64 fieldBegin, fieldEnd;
        fieldBounds(r, &fieldBegin, &fieldEnd);
        if (at < fieldBegin) {
            from = base + fieldBegin;
            continue;
        }
        if (at + length <= fieldEnd && matches(base + fieldBegin, qsizetype(fieldEnd - fieldBegin)))
            result->push_back(r);
        ++r;
        if (r < recordCount) {
            fieldBounds(r, &fieldBegin, &fieldEnd);
            from = base + fieldBegin;
        }
    }
}

// Contains with letter case ignored, for the records of one range; built once per search and
// shared by the threads that scan the ranges. An ASCII pattern whose letters have only ASCII
// case variants is found in the whole buffer directly. Otherwise (letters beyond ASCII, or
// ASCII letters that match letters beyond it: 'k' and the Kelvin sign) a piece of the pattern
// finds the candidate fields, which are compared as text.
class ContainsSearch
{
public:
    ContainsSearch(const CatalogTable& table, int field, const QString& pattern)
        : m_table(table),
          m_field(field),
          m_text(pattern),
          m_needle(m_text.anchor().wholePattern ? pattern.toUtf8() : QByteArray()),
          m_run(m_text.anchor().kind == PatternAnchor::Kind::AsciiRun ? m_text.anchor().asciiRun
                                                                      : QByteArray()),
          m_spellings(m_text.anchor().spellings)
    {
    }

    void run(const RecordRange& range, std::vector<qint64>* result) const
    {
        const PatternAnchor& anchor = m_text.anchor();
        if (anchor.wholePattern) {
            const auto find = [&](const char* from, const char* end, qsizetype* length) {
                *length = m_needle.size();
                return m_needle.find(from, end);
            };
            findInText(m_table, m_field, find, [](const char*, qsizetype) { return true; },
                       range, result);
            return;
        }
        const auto matches = [&](const char* data, qsizetype size) { return m_text.isIn(data, size); };
        if (anchor.kind == PatternAnchor::Kind::None) {
            for (qint64 r = range.begin; r < range.end; ++r) {
                qsizetype size = 0;
                const char* data = m_table.fieldData(r, m_field, &size);
                if (matches(data, size))
                    result->push_back(r);
            }
        } else if (anchor.kind == PatternAnchor::Kind::AsciiRun) {
            const auto find = [&](const char* from, const char* end, qsizetype* length) {
                *length = m_run.size();
                return m_run.find(from, end);
            };
            findInText(m_table, m_field, find, matches, range, result);
        } else {
            const auto find = [&](const char* from, const char* end, qsizetype* length) {
                return m_spellings.find(from, end, length);
            };
            findInText(m_table, m_field, find, matches, range, result);
        }
    }

private:
    const CatalogTable& m_table;
    int m_field;
    FieldText m_text; // decides a candidate field
    FoldedNeedle m_needle;
    FoldedNeedle m_run;
    SpellingFinder m_spellings;
};

// The records matching in each of a few ranges, scanned side by side, in order.
template <typename Scan>
RecordList scanInRanges(qint64 recordCount, const Scan& scan)
{
    // A scan of a few thousand records takes less than starting a thread.
    const int parts = recordCount >= 2048 ? int(std::min<unsigned>(usableCores(), 8)) : 1;
    std::vector<std::vector<qint64>> found(static_cast<size_t>(parts));
    runInParts(parts, [&](int p) {
        scan(RecordRange{recordCount * p / parts, recordCount * (p + 1) / parts}, &found[size_t(p)]);
    });
    return RecordList(std::move(found));
}

} // namespace

RecordList::RecordList(std::vector<std::vector<qint64>> pieces) : m_pieces(std::move(pieces))
{
    for (const auto& piece : m_pieces)
        m_size += qint64(piece.size());
}

RecordList matchingRecords(const CatalogTable& table, const CatalogQuery& query)
{
    const qint64 recordCount = table.totalRecordCount();
    const int field = int(query.field);

    if (query.match == CatalogQuery::Match::Equals) {
        const QByteArray v = query.text.toUtf8();
        return scanInRanges(recordCount, [&](const RecordRange& range, std::vector<qint64>* result) {
            for (qint64 r = range.begin; r < range.end; ++r) {
                qsizetype size = 0;
                const char* data = table.fieldData(r, field, &size);
                if (size == v.size() && std::memcmp(data, v.constData(), size_t(size)) == 0)
                    result->push_back(r);
            }
        });
    }
    if (query.match == CatalogQuery::Match::None || query.text.isEmpty()) {
        // Every record contains the empty text.
        std::vector<qint64> all(static_cast<size_t>(recordCount));
        for (qint64 r = 0; r < recordCount; ++r)
            all[size_t(r)] = r;
        std::vector<std::vector<qint64>> pieces;
        pieces.push_back(std::move(all));
        return RecordList(std::move(pieces));
    }
    const ContainsSearch search(table, field, query.text);
    return scanInRanges(recordCount, [&](const RecordRange& range, std::vector<qint64>* result) {
        search.run(range, result);
    });
}
