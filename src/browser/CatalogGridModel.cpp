#include "browser/CatalogGridModel.h"

#include "catalog/RowSort.h"

#include <limits>
#include <new>

CatalogGridModel::CatalogGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void CatalogGridModel::setRecordSet(const CatalogTablePtr& records)
{
    beginResetModel();
    disconnect(m_filterConnection);
    m_records = records;
    if (m_records)
        m_filterConnection = connect(m_records.get(), &CatalogTable::visibleRowsChanged, this,
                                     &CatalogGridModel::refresh);
    m_rows = 0;
    m_columns = 0;
    if (m_records) {
        // A view row is an int; a table beyond that is shown up to the limit.
        m_rows = int(qMin<qint64>(m_records->recordCount(), std::numeric_limits<int>::max()));
        m_columns = CatalogTable::kFieldCount;
    }
    endResetModel();
}

void CatalogGridModel::refresh()
{
    // The table has already changed when it tells us; rebinding re-reads its sizes.
    setRecordSet(m_records);
}

int CatalogGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CatalogGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant CatalogGridModel::data(const QModelIndex& index, int role) const
{
    if (!m_records || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    // Records are only ever added before a view is bound, but never read past what exists.
    if (index.row() >= m_records->recordCount())
        return QVariant();
    return m_records->valueAt(index.row(), index.column());
}

QVariant CatalogGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The first click on a header sorts ascending, whatever the style's habit.
    if (role == Qt::InitialSortOrderRole && orientation == Qt::Horizontal)
        return int(Qt::AscendingOrder);
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (!m_records || section < 0 || section >= m_columns)
            return QVariant();
        return CatalogTable::fieldName(section);
    }
    return QVariant();
}

int CatalogGridModel::sortColumn() const
{
    return m_records ? m_records->sortField() : -1;
}

void CatalogGridModel::sort(int column, Qt::SortOrder order)
{
    if (!m_records)
        return;
    const bool descending = order == Qt::DescendingOrder;
    if (column < 0 || column >= m_columns) {
        if (m_records->sortField() >= 0)
            m_records->setRowOrder(RowOrder(), -1, false);
        return;
    }
    if (column == m_records->sortField() && descending == m_records->sortDescending())
        return;
    try {
        RowOrder rows = sortedRows(*m_records, CatalogField(column), descending);
        m_records->setRowOrder(std::move(rows), column, descending);
    } catch (const std::bad_alloc&) {
        emit sortFailed(tr("There is not enough memory to sort %1 rows.")
                            .arg(m_records->recordCount()));
    }
}
