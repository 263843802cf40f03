#include "browser/CatalogGridModel.h"

#include <limits>

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
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (!m_records || section < 0 || section >= m_columns)
            return QVariant();
        return CatalogTable::fieldName(section);
    }
    return QVariant();
}
