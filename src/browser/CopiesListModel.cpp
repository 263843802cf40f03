#include "browser/CopiesListModel.h"

#include <QFont>
#include <QIODevice>

#include <algorithm>
#include <climits>

CopiesListModel::CopiesListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CopiesListModel::setList(CatalogTablePtr table, std::vector<qint64> records,
                              std::vector<qint64> groupStarts, Heading heading, Heading headingSize)
{
    beginResetModel();
    m_table = std::move(table);
    m_records = std::move(records);
    m_groupStarts = std::move(groupStarts);
    m_heading = std::move(heading);
    m_headingSize = std::move(headingSize);
    endResetModel();
}

void CopiesListModel::setLabels(const DiskLabels& labels)
{
    m_labels = labels;
    if (rowCount() > 0)
        emit dataChanged(index(0, LabelColumn), index(rowCount() - 1, LabelColumn));
}

void CopiesListModel::clear()
{
    setList(nullptr, {});
}

int CopiesListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    // A view counts rows in int: a longer list shows its first INT_MAX rows.
    return int(std::min<qint64>(qint64(m_records.size() + m_groupStarts.size()), INT_MAX));
}

int CopiesListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void CopiesListModel::locate(int row, qint64* group, qint64* member) const
{
    if (m_groupStarts.empty()) {
        *group = -1;
        *member = row;
        return;
    }
    // The last group whose heading row is at or before row.
    qint64 low = 0, high = qint64(m_groupStarts.size()) - 1;
    while (low < high) {
        const qint64 mid = (low + high + 1) / 2;
        if (m_groupStarts[size_t(mid)] + mid <= row)
            low = mid;
        else
            high = mid - 1;
    }
    *group = low;
    const qint64 heading = m_groupStarts[size_t(low)] + low;
    *member = row == heading ? -1 : m_groupStarts[size_t(low)] + (row - heading - 1);
}

qint64 CopiesListModel::recordAt(int row) const
{
    if (row < 0 || row >= rowCount() || !m_table)
        return -1;
    qint64 group = 0, member = 0;
    locate(row, &group, &member);
    return member < 0 ? -1 : m_records[size_t(member)];
}

QString CopiesListModel::value(qint64 record, int column) const
{
    static constexpr int kFieldOf[ColumnCount] = {0, -1, 1, 2};
    if (column == LabelColumn)
        return m_labels.value(value(record, IndexColumn));
    if (column < 0 || column >= ColumnCount)
        return QString();
    qsizetype size = 0;
    const char* data = m_table->fieldData(record, kFieldOf[column], &size);
    return QString::fromUtf8(data, size);
}

QString CopiesListModel::fullNameAt(int row) const
{
    const qint64 record = recordAt(row);
    return record < 0 ? QString() : value(record, FilenameColumn);
}

QVariant CopiesListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || !m_table)
        return QVariant();
    qint64 group = 0, member = 0;
    locate(index.row(), &group, &member);
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (member < 0) {
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return QVariant();
        if (index.column() == FilenameColumn && m_heading)
            return m_heading(group);
        if (index.column() == SizeColumn && m_headingSize)
            return m_headingSize(group);
        return QVariant();
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return value(m_records[size_t(member)], index.column());
    return QVariant();
}

QVariant CopiesListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case IndexColumn:
        return CatalogTable::fieldName(0);
    case LabelColumn:
        return tr("Label");
    case FilenameColumn:
        return CatalogTable::fieldName(1);
    case SizeColumn:
        return CatalogTable::fieldName(2);
    }
    return QVariant();
}

QString CopiesListModel::catalogLines(const std::vector<int>& rows) const
{
    QString text;
    for (int row : rows) {
        const qint64 record = recordAt(row);
        if (record < 0)
            continue;
        text += value(record, IndexColumn) + QLatin1Char('\t') + value(record, FilenameColumn)
                + QLatin1Char('\t') + value(record, SizeColumn) + QLatin1String("\r\n");
    }
    return text;
}

bool CopiesListModel::writeTabSeparated(QIODevice& device, QString* error) const
{
    QByteArray block;
    auto flush = [&](bool always) {
        if (!always && block.size() < (1 << 20))
            return true;
        if (device.write(block) != block.size()) {
            *error = device.errorString();
            return false;
        }
        block.clear();
        return true;
    };
    for (int c = 0; c < ColumnCount; ++c)
        block += headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toUtf8()
                 + (c + 1 < ColumnCount ? "\t" : "\r\n");
    for (int row = 0; row < rowCount(); ++row) {
        for (int c = 0; c < ColumnCount; ++c)
            block += data(index(row, c)).toString().toUtf8() + (c + 1 < ColumnCount ? "\t" : "\r\n");
        if (!flush(false))
            return false;
    }
    return flush(true);
}
