#pragma once

#include "catalog/CatalogMatcher.h"
#include "catalog/CatalogQuery.h"
#include "catalog/RowSort.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

// The loaded catalog: records of three text fields ("Index", "Filename", "Size (bytes)") kept
// compact, and the rows a query leaves visible.
//
// Every committed value lives as UTF-8 in one contiguous buffer and a record is a run of
// offsets into it, so a million catalog lines cost little more than the file. Values are stored
// unpadded. The visible rows are all records, or the matching record positions of the last
// query; the record count, row access and the current row follow them. The table is shared
// between its data source, the grid and the search (CatalogTablePtr), and tells its views when
// the visible rows change.
class CatalogTable : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFieldCount = 3;
    // Widths in characters (UTF-16 code units).
    static constexpr int kIndexWidth = 5;
    static constexpr int kFilenameWidth = 32767;
    static constexpr int kSizeWidth = 30;

    static QString fieldName(int field);
    static int fieldWidth(int field);
    // Whether a UTF-8 value fits its field's width; if not, error names the field and width.
    static bool fitsField(int field, QByteArrayView value, QString* error = nullptr);

    explicit CatalogTable(QObject* parent = nullptr);
    ~CatalogTable() override;

    // Capacity hint for a bulk load: the number of records and bytes of text expected.
    void reserve(qint64 records, qint64 textBytes);

    // Adds one record of three UTF-8 values (the catalog reader decodes every line before it
    // stores it). A value longer than its field's width is refused with a description naming
    // the field and its width, and nothing is added. readAsWindows1252: the line was not valid
    // UTF-8 and the values are its Windows-1252 reading (so its bytes can be told again).
    bool appendRecord(QByteArrayView index, QByteArrayView name, QByteArrayView size,
                      QString* error = nullptr, bool readAsWindows1252 = false);
    // Appends every committed record of other, in order; other is left as it was.
    void appendRecords(const CatalogTable& other);
    // Drops every record, keeping the memory for the next records.
    void clear();

    // The most bytes any one buffer of a table may take. Growing past it throws
    // std::bad_alloc, as a failed allocation does. The machine's physical memory, so a catalog
    // larger than memory fails at once instead of paging or being killed; less when the
    // environment sets VELLUMARK_MEMORY_LIMIT (bytes), as the tests do.
    static qint64 capacityLimit();

    qint64 recordCount() const; // visible rows
    qint64 totalRecordCount() const { return m_recordCount; }

    // Values by visible row, for views; empty for a row at or beyond recordCount(). The UTF-8
    // view is valid until the table changes.
    QString valueAt(qint64 row, int field) const;
    QByteArrayView utf8At(qint64 row, int field) const;

    // Shows the records the query matches (every record for a None query) and makes the first
    // of them current.
    void setQuery(const CatalogQuery& query);
    const CatalogQuery& query() const { return m_query; }

    // The visible rows in the order sortedRows() gave for field (CatalogField as int),
    // descending or not, or in file order again (an empty order and field -1). The first row
    // becomes current. Setting a query goes back to file order.
    void setRowOrder(RowOrder order, int field, bool descending);
    int sortField() const { return m_sortField; }
    bool sortDescending() const { return m_sortDescending; }
    // The record shown at a row of the file-order view (the query's rows, in file order),
    // whatever the row order; -1 outside it.
    qint64 recordInFileOrder(qint64 row) const;

    // The current row: the first visible one, or -1 when none is visible.
    void moveFirst();
    qint64 currentRow() const { return m_current; }

    // The committed text, for scans over the whole buffer: record r occupies
    // [recordStarts()[r], recordStarts()[r + 1]) of text(), its fields in order.
    const char* text() const { return m_text.data(); }
    const qint64* recordStarts() const { return m_recordStart.data(); }
    // Two bytes a record: the byte lengths of its index value and of its size.
    const uchar* edgeLengths() const { return m_edgeLength.data(); }
    // One field of a committed record (not a row): its bytes and their number.
    const char* fieldData(qint64 record, int field, qsizetype* size) const
    {
        qint64 begin = m_recordStart[record];
        qint64 end = m_recordStart[record + 1];
        const uchar indexBytes = m_edgeLength[record * 2] & kIndexLengthMask;
        const uchar sizeBytes = m_edgeLength[record * 2 + 1];
        if (field == 0)
            end = begin + indexBytes;
        else if (field == kFieldCount - 1)
            begin = end - sizeBytes;
        else
            begin += indexBytes, end -= sizeBytes;
        *size = qsizetype(end - begin);
        return m_text.data() + begin;
    }

    // Whether a committed record's line was read as Windows-1252 (it was not valid UTF-8).
    bool readAsWindows1252(qint64 record) const
    {
        return (m_edgeLength[record * 2] & kWindows1252Flag) != 0;
    }

signals:
    // The visible rows changed (a query or a row order was set). Records committed after a view was attached
    // are not signalled: views are bound after loading.
    void visibleRowsChanged();

private:
    // A growable array of plain values that grows with realloc: at a million records a
    // std::vector's copy-on-grow would briefly need twice the memory.
    template <typename T>
    class PodArray
    {
    public:
        PodArray() = default;
        ~PodArray();
        PodArray(const PodArray&) = delete;
        PodArray& operator=(const PodArray&) = delete;
        void push(T value);
        void append(const T* values, qsizetype count);
        void reserve(qsizetype count);
        void resize(qsizetype count);
        void clear();
        qsizetype size() const { return m_size; }
        qsizetype capacity() const { return m_capacity; }
        T& operator[](qsizetype i) { return m_data[i]; }
        const T& operator[](qsizetype i) const { return m_data[i]; }
        const T* data() const { return m_data; }
        T* end() { return m_data + m_size; }

    private:
        T* m_data = nullptr;
        qsizetype m_size = 0;
        qsizetype m_capacity = 0;
    };

    qint64 recordAtRow(qint64 row) const;

    // Record r starts at m_recordStart[r] in m_text and ends where record r + 1 starts
    // (m_recordStart holds one entry more than there are records). Its index value takes the
    // first m_edgeLength[r * 2] bytes and its size the last m_edgeLength[r * 2 + 1]; the file
    // name lies between. Their widths (5 and 30 characters) keep both under 256 bytes, so a
    // record's layout costs two bytes. An index value takes at most 15 bytes, which leaves the
    // high bit of its length free for the Windows-1252 mark.
    static constexpr uchar kIndexLengthMask = 0x7F;
    static constexpr uchar kWindows1252Flag = 0x80;
    PodArray<char> m_text;
    PodArray<qint64> m_recordStart;
    PodArray<uchar> m_edgeLength;
    qint64 m_recordCount = 0;

    CatalogQuery m_query;
    RecordList m_visible; // records the query matched; unused for None
    RowOrder m_order;     // empty: file order
    int m_sortField = -1;
    bool m_sortDescending = false;
    qint64 m_current = -1;
};

using CatalogTablePtr = std::shared_ptr<CatalogTable>;
