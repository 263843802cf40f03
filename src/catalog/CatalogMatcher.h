#pragma once

#include "catalog/CatalogQuery.h"

#include <QtGlobal>

#include <vector>

class CatalogTable;

// Record numbers in ascending order, kept in the pieces the scan's threads found them in, so
// that joining them costs neither a copy nor fresh memory.
class RecordList
{
public:
    RecordList() = default;
    explicit RecordList(std::vector<std::vector<qint64>> pieces);

    qint64 size() const { return m_size; }
    qint64 at(qint64 i) const
    {
        for (size_t p = 0;; ++p) {
            const qint64 n = qint64(m_pieces[p].size());
            if (i < n)
                return m_pieces[p][size_t(i)];
            i -= n;
        }
    }

private:
    std::vector<std::vector<qint64>> m_pieces;
    qint64 m_size = 0;
};

// The committed records of the table that the query matches, ascending; every record for a
// None query. Contains ignores letter case the way QString does (simple case folding, so the
// Kelvin sign matches 'k' and the long s matches 's'); Equals compares exactly.
RecordList matchingRecords(const CatalogTable& table, const CatalogQuery& query);
