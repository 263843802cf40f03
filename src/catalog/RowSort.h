#pragma once

#include "catalog/CatalogQuery.h"

#include <QtGlobal>

#include <cstdlib>
#include <memory>

class CatalogTable;

// The visible rows of a table in an order of their own: at(i) is the file-order row shown at
// row i. Four bytes a row, and nothing else is kept.
class RowOrder
{
public:
    RowOrder() = default;
    // Takes a block from std::malloc holding size rows.
    RowOrder(quint32* rows, qint64 size) : m_rows(rows), m_size(size) {}

    qint64 size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    quint32 at(qint64 i) const { return m_rows.get()[i]; }

private:
    struct Free
    {
        void operator()(quint32* rows) const { std::free(rows); }
    };
    std::unique_ptr<quint32, Free> m_rows;
    qint64 m_size = 0;
};

// The table's visible rows, taken in file order, sorted by one field. Equal values keep their
// file order, in both directions; descending reverses the order of the values only.
//
// - Filename: letter case ignored the way the file-name search ignores it (two characters are
//   equal when their simple case foldings are), then by the folded characters' code points.
// - Index and Size (bytes): numbers first, by value (the numeric-text test decides what is a
//   number: "9.5", "-3", "1e3" are; "x" is not); then the texts that are not numbers, by their
//   bytes; then empty values. Descending puts empty values first.
//
// The keys are worked out on the fly from the table's text: while sorting, eight bytes a row
// are in use (a cheap key beside each row), which shrink to the four of the row order kept.
// Large tables are sorted on two cores. Throws std::bad_alloc when memory runs out.
RowOrder sortedRows(const CatalogTable& table, CatalogField field, bool descending);
