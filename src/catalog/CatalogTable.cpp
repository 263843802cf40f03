#include "catalog/CatalogTable.h"

#include "catalog/CatalogMatcher.h"
#include "platform/core/HugePages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#include <limits>

namespace {

// UTF-16 code units of valid UTF-8: every byte that does not continue a sequence starts one
// unit, and a four-byte sequence needs a surrogate pair.
qsizetype utf16Length(const char* data, qsizetype size)
{
    qsizetype units = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const uchar c = uchar(data[i]);
        units += (c & 0xC0) != 0x80;
        units += c >= 0xF0;
    }
    return units;
}

qint64 physicalMemory()
{
#if defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize;
#endif
    return std::numeric_limits<qint64>::max();
}

} // namespace

qint64 CatalogTable::capacityLimit()
{
    static const qint64 memory = physicalMemory();
    const qint64 limit = qgetenv("VELLUMARK_MEMORY_LIMIT").toLongLong();
    return limit > 0 ? limit : memory;
}

// ---------------------------------------------------------------------------------------------
// PodArray

template <typename T>
CatalogTable::PodArray<T>::~PodArray()
{
    std::free(m_data);
}

template <typename T>
void CatalogTable::PodArray<T>::reserve(qsizetype count)
{
    if (count <= m_capacity)
        return;
    if (qint64(count) > CatalogTable::capacityLimit() / qint64(sizeof(T)))
        throw std::bad_alloc();
    // realloc of a large block moves pages instead of copying them (mremap on Linux).
    void* grown = std::realloc(m_data, size_t(count) * sizeof(T));
    if (!grown)
        throw std::bad_alloc();
    m_data = static_cast<T*>(grown);
    m_capacity = count;
    adviseHugePages(m_data, qint64(count) * qint64(sizeof(T)));
}

template <typename T>
void CatalogTable::PodArray<T>::push(T value)
{
    if (m_size == m_capacity)
        reserve(std::max<qsizetype>(64, m_capacity + m_capacity / 2));
    m_data[m_size++] = value;
}

template <typename T>
void CatalogTable::PodArray<T>::append(const T* values, qsizetype count)
{
    if (count <= 0)
        return;
    if (m_size + count > m_capacity) {
        // The values may lie in this very array, which is about to move.
        const bool inside = values >= m_data && values < m_data + m_capacity;
        const qsizetype offset = inside ? qsizetype(values - m_data) : 0;
        reserve(std::max<qsizetype>(m_size + count, m_capacity + m_capacity / 2));
        if (inside)
            values = m_data + offset;
    }
    std::memmove(m_data + m_size, values, size_t(count) * sizeof(T));
    m_size += count;
}

template <typename T>
void CatalogTable::PodArray<T>::resize(qsizetype count)
{
    reserve(count);
    m_size = count;
}

template <typename T>
void CatalogTable::PodArray<T>::clear()
{
    m_size = 0;
}

// ---------------------------------------------------------------------------------------------
// Fields

QString CatalogTable::fieldName(int field)
{
    switch (field) {
    case 0:
        return QStringLiteral("Index");
    case 1:
        return QStringLiteral("Filename");
    case 2:
        return QStringLiteral("Size (bytes)");
    }
    return QString();
}

bool CatalogTable::fitsField(int field, QByteArrayView value, QString* error)
{
    // Counting characters is only needed when the bytes could exceed the width.
    const int width = fieldWidth(field);
    if (value.size() <= width || utf16Length(value.data(), value.size()) <= width)
        return true;
    if (error) {
        *error = QStringLiteral("The value for field '%1' is longer than its width of %2 "
                                "characters")
                     .arg(fieldName(field))
                     .arg(width);
    }
    return false;
}

int CatalogTable::fieldWidth(int field)
{
    static constexpr int kWidths[kFieldCount] = {kIndexWidth, kFilenameWidth, kSizeWidth};
    return field >= 0 && field < kFieldCount ? kWidths[field] : 0;
}

CatalogTable::CatalogTable(QObject* parent) : QObject(parent)
{
    m_recordStart.push(0);
    m_text.reserve(256); // never a null buffer, even for an empty table
}

CatalogTable::~CatalogTable() = default;

void CatalogTable::reserve(qint64 records, qint64 textBytes)
{
    m_text.reserve(qsizetype(textBytes));
    m_recordStart.reserve(qsizetype(records + 1));
    m_edgeLength.reserve(qsizetype(records * 2));
}

// ---------------------------------------------------------------------------------------------
// Adding records

bool CatalogTable::appendRecord(QByteArrayView index, QByteArrayView name, QByteArrayView size,
                                QString* error, bool readAsWindows1252)
{
    // Bytes never number fewer than the characters they spell, so most values need no count.
    const bool short_ = index.size() <= kIndexWidth && name.size() <= kFilenameWidth
                        && size.size() <= kSizeWidth;
    if (!short_
        && (!fitsField(0, index, error) || !fitsField(1, name, error) || !fitsField(2, size, error)))
        return false;
    const qsizetype bytes = index.size() + name.size() + size.size();
    if (m_text.size() + bytes > m_text.capacity())
        m_text.reserve(std::max(m_text.size() + bytes, m_text.capacity() + m_text.capacity() / 2));
    char* out = m_text.end();
    for (const QByteArrayView value : {index, name, size}) {
        if (!value.isEmpty())
            std::memcpy(out, value.data(), size_t(value.size()));
        out += value.size();
    }
    m_text.resize(m_text.size() + bytes);
    m_edgeLength.push(uchar(index.size()) | (readAsWindows1252 ? kWindows1252Flag : 0));
    m_edgeLength.push(uchar(size.size()));
    m_recordStart.push(m_recordStart[m_recordCount] + index.size() + name.size() + size.size());
    ++m_recordCount;
    return true;
}

void CatalogTable::appendRecords(const CatalogTable& other)
{
    const qint64 count = other.m_recordCount;
    if (count == 0)
        return;
    const qint64 shift = m_recordStart[m_recordCount];
    m_text.append(other.m_text.data(), qsizetype(other.m_recordStart[count]));
    m_edgeLength.append(other.m_edgeLength.data(), qsizetype(count * 2));
    m_recordStart.reserve(m_recordStart.size() + qsizetype(count));
    for (qint64 r = 1; r <= count; ++r)
        m_recordStart.push(other.m_recordStart[r] + shift);
    m_recordCount += count;
}

void CatalogTable::clear()
{
    m_text.clear();
    m_edgeLength.clear();
    m_recordStart.resize(1);
    m_recordCount = 0;
    m_visible = RecordList();
    m_query = CatalogQuery();
    m_order = RowOrder();
    m_sortField = -1;
    m_sortDescending = false;
    m_current = -1;
}

// ---------------------------------------------------------------------------------------------
// Rows

qint64 CatalogTable::recordCount() const
{
    return m_query.isNone() ? m_recordCount : m_visible.size();
}

qint64 CatalogTable::recordInFileOrder(qint64 row) const
{
    if (row < 0 || row >= recordCount())
        return -1;
    return m_query.isNone() ? row : m_visible.at(row);
}

qint64 CatalogTable::recordAtRow(qint64 row) const
{
    if (m_order.isEmpty() || row < 0 || row >= m_order.size())
        return recordInFileOrder(row);
    return recordInFileOrder(m_order.at(row));
}

void CatalogTable::setRowOrder(RowOrder order, int field, bool descending)
{
    m_order = std::move(order);
    m_sortField = field;
    m_sortDescending = descending;
    moveFirst();
    emit visibleRowsChanged();
}

QString CatalogTable::valueAt(qint64 row, int field) const
{
    return QString::fromUtf8(utf8At(row, field));
}

QByteArrayView CatalogTable::utf8At(qint64 row, int field) const
{
    const qint64 record = recordAtRow(row);
    if (record < 0 || field < 0 || field >= kFieldCount)
        return QByteArrayView();
    qsizetype size = 0;
    const char* data = fieldData(record, field, &size);
    return QByteArrayView(data, size);
}

void CatalogTable::setQuery(const CatalogQuery& query)
{
    m_visible = query.isNone() ? RecordList() : matchingRecords(*this, query);
    m_query = query;
    m_order = RowOrder();
    m_sortField = -1;
    m_sortDescending = false;
    moveFirst();
    emit visibleRowsChanged();
}

void CatalogTable::moveFirst()
{
    m_current = recordCount() > 0 ? 0 : -1;
}
