#pragma once

#include "catalog/CatalogTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

class QIODevice;

// Index value -> the user's label for that disk (empty when it has none).
using DiskLabels = QHash<QString, QString>;

// The list of a copies window: records of the catalog (Index, Label, Filename, Size (bytes)),
// optionally in groups, each group opened by a heading row whose text the window supplies.
// Rows are mapped to records on demand, so a list of millions costs its record numbers only.
class CopiesListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IndexColumn, LabelColumn, FilenameColumn, SizeColumn, ColumnCount };
    using Heading = std::function<QString(qint64 group)>;

    explicit CopiesListModel(QObject* parent = nullptr);

    // records holds the groups one after another; groupStarts[g] is where group g starts
    // (empty: no groups, no headings). The table must outlive the list or the next setList.
    void setList(CatalogTablePtr table, std::vector<qint64> records,
                 std::vector<qint64> groupStarts = {}, Heading heading = Heading(),
                 Heading headingSize = Heading());
    void setLabels(const DiskLabels& labels);
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The record a row shows, or -1 for a heading row (and beyond the list).
    qint64 recordAt(int row) const;
    QString fullNameAt(int row) const;

    // The records of rows as catalog lines (index TAB full name TAB size CR LF); headings
    // are left out.
    QString catalogLines(const std::vector<int>& rows) const;
    // Every row as tab-separated text, one line each after a line of column names: headings
    // as a line of their own with the heading in the file-name column. False with the
    // device's reason when a write fails.
    bool writeTabSeparated(QIODevice& device, QString* error) const;

private:
    // The group a row falls in and the row's place in it (-1: the heading itself).
    void locate(int row, qint64* group, qint64* member) const;
    QString value(qint64 record, int column) const;

    CatalogTablePtr m_table;
    std::vector<qint64> m_records;
    std::vector<qint64> m_groupStarts;
    Heading m_heading;
    Heading m_headingSize;
    DiskLabels m_labels;
};
