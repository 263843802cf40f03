#pragma once

#include "catalog/CatalogTable.h"

#include <QAbstractTableModel>
#include <QMetaObject>

// The database window's grid model: one row per visible row of the bound catalog table, one
// column per field, headed by the field name. Values are read from the table on demand, so
// binding a million-record catalog costs nothing until rows are painted. The model resets
// whenever the table's visible rows change. It shares the table; it never owns it alone.
//
// Sorting (a header click) puts the table's visible rows in order by one column; the order
// lives in the table, so everything that reads rows (the open action, copying) sees the rows
// as shown. Column -1 is file order. A query on the table goes back to file order.
class CatalogGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CatalogGridModel(QObject* parent = nullptr);

    // Binds the model to a table (or to none), resetting the view.
    void setRecordSet(const CatalogTablePtr& records);
    CatalogTablePtr recordSet() const { return m_records; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The column the rows are sorted by, -1 for file order.
    int sortColumn() const;

signals:
    // A sort could not be done (memory ran out); the rows stay as they were.
    void sortFailed(const QString& reason);

private:
    void refresh();

    CatalogTablePtr m_records;
    QMetaObject::Connection m_filterConnection;
    // Sizes as of the last reset: the view must never see counts move without a reset.
    int m_rows = 0;
    int m_columns = 0;
};
