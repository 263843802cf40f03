#pragma once

#include "catalog/CatalogTable.h"
#include "catalog/DiskCounts.h"
#include "catalog/DiskFacts.h"

#include <QAbstractTableModel>

#include <vector>

// The rows of the Disks window: one per index value of the shown catalog, its records and
// bytes counted from the loaded table, the rest from the catalog's side file (lines of index
// values the catalog does not hold are not shown). Label and Note are edited in place and
// saved to the side file at once; a save that fails is reported through saveFailed() and the
// old text stays.
class DisksModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Index, Label, Files, Size, Captured, Volume, Capacity, Free, Note, ColumnCount };

    explicit DisksModel(QObject* parent = nullptr);

    // Counts the table's disks and reads the side file of catalogPath.
    void setCatalog(const QString& catalogPath, const CatalogTablePtr& table);
    // Reads the side file again (after a capture or re-capture wrote it).
    void reloadFacts();

    const QString& catalogPath() const { return m_catalogPath; }
    const CatalogTablePtr& table() const { return m_table; }
    // The side file's state; its error names the cause when it could not be read.
    const DiskFactsFile& facts() const { return m_facts; }

    QString indexAt(int row) const;
    // The side-file line of a row's disk, or null.
    const DiskFacts* factsAt(int row) const;
    qint64 totalRecords() const;
    qint64 totalBytes() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // A size as people read it ("1.5 GB"), and as exact bytes ("1,500,000,000 bytes").
    static QString readableSize(qint64 bytes);
    static QString exactSize(qint64 bytes);

signals:
    void saveFailed(const QString& message);

private:
    QString text(int row, int column) const;
    QString detail(int row, int column) const;

    QString m_catalogPath;
    CatalogTablePtr m_table;
    std::vector<DiskCount> m_disks;
    DiskFactsFile m_facts;
};
