#include "cli/CopiesCommand.h"

#include "catalog/CatalogSource.h"
#include "catalog/CopyKey.h"
#include "catalog/DiskFacts.h"
#include "catalog/FileCopies.h"
#include "cli/Console.h"
#include "platform/core/FileChannel.h"

#include <QByteArray>

#include <algorithm>
#include <limits>
#include <new>

namespace {

QByteArrayView field(const CatalogTable& table, qint64 record, int which)
{
    qsizetype size = 0;
    const char* data = table.fieldData(record, which, &size);
    return QByteArrayView(data, size);
}

// One record as its catalog line, with the bytes the file holds: a line that was not UTF-8
// goes out as its own Windows-1252 bytes again.
void appendLine(QByteArray* out, const CatalogTable& table, qint64 record)
{
    for (int f = 0; f < CatalogTable::kFieldCount; ++f) {
        const QByteArrayView value = field(table, record, f);
        if (table.readAsWindows1252(record))
            out->append(CopyKey::windows1252Bytes(value));
        else
            out->append(value);
        out->append(f + 1 < CatalogTable::kFieldCount ? '\t' : '\n');
    }
}

// The whole catalog, checked and loaded as File > Open does; null with the reason otherwise.
CatalogTablePtr load(const QString& path, QString* error)
{
    FileChannel channel;
    CatalogSource source(channel);
    QString failure;
    QObject::connect(&source, &CatalogSource::failed, [&](const QString& message) {
        if (failure.isEmpty())
            failure = message;
    });
    QString unreadable;
    if (!source.validate(path, &unreadable)) {
        *error = QStringLiteral("%1: %2").arg(path, unreadable.isEmpty() ? failure : unreadable);
        return {};
    }
    source.load(path);
    if (!failure.isEmpty() || !source.records()) {
        *error = QStringLiteral("%1: %2").arg(path, failure);
        return {};
    }
    return source.records();
}

QString diskName(const DiskFactsFile& facts, const QString& index)
{
    const DiskFacts* known = facts.find(index);
    if (!known || known->label.isEmpty())
        return QStringLiteral("disk %1").arg(index);
    return QStringLiteral("disk %1 (%2)").arg(index, known->label);
}

int duplicates(const CatalogTable& table, const CopiesRequest& request)
{
    DuplicateFilter filter;
    filter.minimumSize = qint64(std::min<quint64>(request.minimumSize, std::numeric_limits<qint64>::max()));
    const Duplicates found = FileCopies::duplicates(table, filter);
    QByteArray out;
    qint64 waste = 0;
    for (const DuplicateGroup& group : found.groups) {
        if (!out.isEmpty())
            out += '\n';
        for (qint64 i = group.first; i < group.first + group.count; ++i)
            appendLine(&out, table, found.records[size_t(i)]);
        waste += group.waste;
    }
    QString error;
    if (!Console::out(out, &error)) {
        Console::error(error);
        return Console::kError;
    }
    Console::note(QStringLiteral("%1 groups of copies; the copies beyond one of each take %2 bytes\n")
                      .arg(found.groups.size())
                      .arg(waste)
                      .toUtf8());
    return found.groups.empty() ? Console::kNothing : Console::kFound;
}

int onlyOn(const CatalogTable& table, const CopiesRequest& request)
{
    const OnlyOnDisk found = FileCopies::onlyOnDisk(table, request.onlyOn);
    if (found.disk.files == 0) {
        Console::note(QStringLiteral("no record has the index value %1\n").arg(request.onlyOn).toUtf8());
        return Console::kNothing;
    }
    // The list is folder by folder; the shell gets file order.
    std::vector<qint64> records;
    for (qint64 record : found.records) {
        if (quint64(CopyKey::bytesOf(field(table, record, 2))) >= request.minimumSize)
            records.push_back(record);
    }
    std::sort(records.begin(), records.end());
    QByteArray out;
    qint64 bytes = 0;
    for (qint64 record : records) {
        appendLine(&out, table, record);
        bytes += CopyKey::bytesOf(field(table, record, 2));
    }
    QString error;
    if (!Console::out(out, &error)) {
        Console::error(error);
        return Console::kError;
    }
    const DiskFactsFile facts = DiskFactsFile::read(request.catalog);
    QString summary = QStringLiteral("%1 files, %2 bytes on %3 have no copy on another disk (of %4 files, %5 bytes)\n")
                          .arg(records.size())
                          .arg(bytes)
                          .arg(diskName(facts, request.onlyOn))
                          .arg(found.disk.files)
                          .arg(found.disk.bytes);
    for (const DiskShare& share : found.copiesOn)
        summary += QStringLiteral("%1: holds a copy of %2 of its files, %3 bytes\n")
                       .arg(diskName(facts, share.index))
                       .arg(share.files)
                       .arg(share.bytes);
    Console::note(summary.toUtf8());
    return records.empty() ? Console::kNothing : Console::kFound;
}

} // namespace

int runCopies(const CopiesRequest& request)
{
    try {
        QString error;
        const CatalogTablePtr table = load(request.catalog, &error);
        if (!table) {
            Console::error(error);
            return Console::kError;
        }
        return request.onlyOn.isEmpty() ? duplicates(*table, request) : onlyOn(*table, request);
    } catch (const std::bad_alloc&) {
        Console::error(QStringLiteral("Not enough memory to open %1").arg(request.catalog));
        return Console::kError;
    }
}
