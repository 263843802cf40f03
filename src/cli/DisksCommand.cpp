#include "cli/DisksCommand.h"

#include "catalog/CatalogScan.h"
#include "catalog/DiskFacts.h"
#include "cli/Console.h"
#include "cli/RecordFilter.h"
#include "platform/core/FileChannel.h"

#include <QByteArray>

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

namespace {

struct Disk
{
    qint64 files = 0;
    quint64 bytes = 0;
};

// Index values that are numbers by their value, then the others by their text.
bool before(const QByteArray& a, const QByteArray& b)
{
    const auto x = RecordFilter::number(a), y = RecordFilter::number(b);
    if (x && y)
        return *x != *y ? *x < *y : a < b;
    if (x || y)
        return bool(x);
    return a < b;
}

// A text as one TAB-separated field: TAB and line breaks as \t, \n and \r.
QByteArray oneField(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return shown.toUtf8();
}

} // namespace

int runDisks(const QString& catalog)
{
    FileChannel channel;
    QString error;
    if (!channel.open(catalog, FileChannel::Mode::Input, &error)) {
        Console::error(QStringLiteral("%1: %2").arg(catalog, error));
        return Console::kError;
    }
    FileChannelCloser closer(channel);

    std::map<QByteArray, Disk> disks;
    QByteArray scratch;
    qint64 lines = 0;
    QString stop;
    const bool read = CatalogScan::forEachBlock(
        channel, &error, CatalogScan::kPieceSize,
        [&](const char* data, qsizetype size, qsizetype skip, bool last) {
            return CatalogScan::forEachLine(
                data, size, skip, last,
                [&](qsizetype begin, qsizetype end, const qsizetype* tabs, int tabCount, bool high) {
                    ++lines;
                    CatalogScan::LineFields line;
                    if (!CatalogScan::lineFields(data, begin, end, tabs, tabCount, high, &scratch,
                                                 &line, &stop)) {
                        stop = QStringLiteral("%1: line %2: %3").arg(catalog).arg(lines).arg(stop);
                        return false;
                    }
                    Disk& disk = disks[line.fields[0].toByteArray()];
                    ++disk.files;
                    const quint64 bytes = RecordFilter::number(line.fields[2]).value_or(0);
                    disk.bytes = bytes > std::numeric_limits<quint64>::max() - disk.bytes
                                     ? std::numeric_limits<quint64>::max()
                                     : disk.bytes + bytes;
                    return true;
                });
        });
    if (!read && stop.isEmpty())
        stop = QStringLiteral("%1: %2").arg(catalog, error);

    // Label, time of capture and free space from the side file, where it has them.
    const DiskFactsFile facts = DiskFactsFile::read(catalog);
    if (facts.state() == DiskFactsFile::State::Unreadable && stop.isEmpty())
        stop = facts.error();

    std::vector<QByteArray> order;
    for (const auto& entry : disks)
        order.push_back(entry.first);
    std::sort(order.begin(), order.end(), before);
    QByteArray out("index\tlabel\tfiles\tbytes\tcaptured\tfree at capture\n");
    for (const QByteArray& index : order) {
        const Disk& disk = disks[index];
        const DiskFacts* known = facts.find(QString::fromUtf8(index));
        QByteArray label, captured, free;
        if (known) {
            label = oneField(known->label);
            if (known->capturedAt.isValid())
                captured = known->capturedAt.toString(Qt::ISODateWithMs).toUtf8();
            if (known->volume.freeBytes >= 0)
                free = QByteArray::number(known->volume.freeBytes);
        }
        out += index + '\t' + label + '\t' + QByteArray::number(disk.files) + '\t'
               + QByteArray::number(disk.bytes) + '\t' + captured + '\t' + free + '\n';
    }
    if (!Console::out(out, &error) && stop.isEmpty())
        stop = error;
    if (!stop.isEmpty()) {
        Console::error(stop);
        return Console::kError;
    }
    return disks.empty() ? Console::kNothing : Console::kFound;
}
