#include "disks/DisksModel.h"

#include <QLocale>

namespace {

const char* const kHeaders[DisksModel::ColumnCount] = {
    "Index", "Label", "Files", "Size", "Captured", "Volume", "Capacity", "Free", "Note"};

} // namespace

DisksModel::DisksModel(QObject* parent) : QAbstractTableModel(parent) {}

void DisksModel::setCatalog(const QString& catalogPath, const CatalogTablePtr& table)
{
    beginResetModel();
    m_catalogPath = catalogPath;
    m_table = table;
    m_disks = table ? countDisks(*table) : std::vector<DiskCount>();
    m_facts = catalogPath.isEmpty() ? DiskFactsFile() : DiskFactsFile::read(catalogPath);
    endResetModel();
}

void DisksModel::reloadFacts()
{
    m_facts = m_catalogPath.isEmpty() ? DiskFactsFile() : DiskFactsFile::read(m_catalogPath);
    if (!m_disks.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

QString DisksModel::indexAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_disks[size_t(row)].index : QString();
}

const DiskFacts* DisksModel::factsAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_facts.find(m_disks[size_t(row)].index) : nullptr;
}

qint64 DisksModel::totalRecords() const
{
    qint64 total = 0;
    for (const DiskCount& disk : m_disks)
        total += disk.records;
    return total;
}

qint64 DisksModel::totalBytes() const
{
    qint64 total = 0;
    for (const DiskCount& disk : m_disks)
        total += disk.bytes;
    return total;
}

int DisksModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_disks.size());
}

int DisksModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString DisksModel::readableSize(qint64 bytes)
{
    return bytes < 0 ? QString() : QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString DisksModel::exactSize(qint64 bytes)
{
    return bytes < 0 ? QString() : QLocale().toString(bytes) + QStringLiteral(" bytes");
}

QString DisksModel::text(int row, int column) const
{
    const DiskCount& disk = m_disks[size_t(row)];
    const DiskFacts* facts = m_facts.find(disk.index);
    switch (column) {
    case Index: return disk.index;
    case Files: return QLocale().toString(disk.records);
    case Size: return readableSize(disk.bytes);
    default: break;
    }
    if (!facts)
        return QString();
    switch (column) {
    case Label: return facts->label;
    case Note: return facts->note;
    case Captured: {
        if (!facts->capturedAt.isValid())
            return QString();
        // To the minute: the seconds are in the tooltip, and the column stays narrow.
        QString format = QLocale().dateTimeFormat(QLocale::ShortFormat);
        format.remove(QStringLiteral(":ss"));
        const QString when = QLocale().toString(facts->capturedAt.toLocalTime(), format);
        return facts->complete ? when : when + QStringLiteral(" (incomplete)");
    }
    case Volume:
        return facts->volume.fileSystemType.isEmpty()
                   ? facts->volume.name
                   : QStringLiteral("%1 (%2)").arg(facts->volume.name, facts->volume.fileSystemType).trimmed();
    case Capacity: return readableSize(facts->volume.capacity);
    case Free: return readableSize(facts->volume.freeBytes);
    default: return QString();
    }
}

// The exact figures behind a shortened text, for the tooltip and for screen readers.
QString DisksModel::detail(int row, int column) const
{
    const DiskCount& disk = m_disks[size_t(row)];
    const DiskFacts* facts = m_facts.find(disk.index);
    switch (column) {
    case Size: return exactSize(disk.bytes);
    case Files:
        if (facts && facts->files >= 0 && facts->files != disk.records)
            return QStringLiteral("%1 records in the catalog; the last capture wrote %2")
                .arg(QLocale().toString(disk.records), QLocale().toString(facts->files));
        return QStringLiteral("%1 records in the catalog").arg(QLocale().toString(disk.records));
    case Captured:
        if (!facts || !facts->capturedAt.isValid())
            return QString();
        return QStringLiteral("%1 from %2%3")
            .arg(facts->capturedAt.toString(Qt::ISODate), facts->root,
                 facts->complete ? QString() : QStringLiteral(", cancelled or failed before the end"));
    case Volume:
        return facts && !facts->volume.uuid.isEmpty() ? QStringLiteral("UUID %1").arg(facts->volume.uuid)
                                                      : QString();
    case Capacity: return facts ? exactSize(facts->volume.capacity) : QString();
    case Free: return facts ? exactSize(facts->volume.freeBytes) : QString();
    default: return QString();
    }
}

QVariant DisksModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        const QString more = detail(index.row(), index.column());
        return more.isEmpty() ? QVariant() : QVariant(more);
    }
    case Qt::TextAlignmentRole:
        if (index.column() == Files || index.column() == Size || index.column() == Capacity
            || index.column() == Free)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant DisksModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DisksModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && (index.column() == Label || index.column() == Note))
        result |= Qt::ItemIsEditable;
    return result;
}

bool DisksModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || (index.column() != Label && index.column() != Note))
        return false;
    const QString text = value.toString();
    if (text == this->text(index.row(), index.column()))
        return false;
    const bool label = index.column() == Label;
    QString error;
    if (!updateDiskFacts(m_catalogPath, indexAt(index.row()),
                         [&](DiskFacts& facts) { (label ? facts.label : facts.note) = text; }, &error)) {
        emit saveFailed(error);
        return false;
    }
    m_facts = DiskFactsFile::read(m_catalogPath);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}
