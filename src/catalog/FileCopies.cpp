#include "catalog/FileCopies.h"

#include "catalog/CatalogTable.h"
#include "platform/core/SideBySide.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace {

constexpr qint64 kStride = 1 << 16;
// Hashing and sorting take the first 85 of the 100 steps of progress.
constexpr int kIndexProgress = 85;

QByteArrayView field(const CatalogTable& table, qint64 record, int which)
{
    qsizetype size = 0;
    const char* data = table.fieldData(record, which, &size);
    return QByteArrayView(data, size);
}

qint64 bytesOf(const CatalogTable& table, qint64 record)
{
    return CopyKey::bytesOf(field(table, record, 2));
}

int partsFor(qint64 work)
{
    return work >= 4 * kStride ? int(std::min<unsigned>(usableCores(), 8)) : 1;
}

// Index values in display order: numbers by value first, then the rest by text.
bool indexLess(const QByteArray& a, const QByteArray& b)
{
    bool aNumber = false, bNumber = false;
    const double x = a.toDouble(&aNumber);
    const double y = b.toDouble(&bNumber);
    if (aNumber != bNumber)
        return aNumber;
    if (aNumber && x != y)
        return x < y;
    return a < b;
}

void finish(const CopySearchControl& control)
{
    if (control.progress)
        control.progress(100);
}

} // namespace

namespace FileCopies {

qint64 findRecord(const CatalogTable& table, QByteArrayView index, QByteArrayView fullName,
                  QByteArrayView size)
{
    for (qint64 r = 0; r < table.totalRecordCount(); ++r) {
        if (field(table, r, 2) == size && field(table, r, 0) == index && field(table, r, 1) == fullName)
            return r;
    }
    return -1;
}

OtherCopies otherCopies(const CatalogTable& table, qint64 record, const CopySearchControl& control)
{
    OtherCopies result;
    const qint64 n = table.totalRecordCount();
    if (record < 0 || record >= n)
        return result;
    const QByteArray size = field(table, record, 2).toByteArray();
    const QByteArray index = field(table, record, 0).toByteArray();
    const int parts = partsFor(n);
    std::vector<std::vector<qint64>> found(static_cast<size_t>(parts));
    std::atomic<bool> stopped{false};
    runInParts(parts, [&](int p) {
        CopyKey::Comparer comparer(table);
        const qint64 begin = n * p / parts, end = n * (p + 1) / parts;
        for (qint64 r = begin; r < end; ++r) {
            if ((r - begin) % kStride == 0) {
                if (stopped || (control.cancelled && control.cancelled())) {
                    stopped = true;
                    return;
                }
                if (p == 0 && control.progress)
                    control.progress(int(100 * (r - begin) / (end - begin)));
            }
            // The size first: it rules out nearly every record at the cost of a compare.
            if (field(table, r, 2) == size && field(table, r, 0) != index && comparer.same(record, r))
                found[size_t(p)].push_back(r);
        }
    });
    result.cancelled = stopped;
    if (!result.cancelled) {
        for (const auto& piece : found)
            result.records.insert(result.records.end(), piece.begin(), piece.end());
    }
    finish(control);
    return result;
}

OnlyOnDisk onlyOnDisk(const CatalogTable& table, const QString& index, const CopySearchControl& control)
{
    OnlyOnDisk result;
    result.disk.index = result.atRisk.index = index;
    CopyIndex keys;
    if (!keys.build(table, control, kIndexProgress)) {
        result.cancelled = true;
        return result;
    }
    const int disk = keys.diskOf(index.toUtf8());
    const size_t diskCount = keys.disks().size();
    struct Part
    {
        std::vector<qint64> atRisk;
        std::vector<DiskShare> shares;
        DiskShare disk;
    };
    const int parts = partsFor(keys.size());
    std::vector<Part> found(static_cast<size_t>(parts));
    if (disk >= 0) {
        runInParts(parts, [&](int p) {
            Part& part = found[size_t(p)];
            part.shares.resize(diskCount);
            CopyClasses classes(table);
            auto mine = [&](const CopyIndex::Entry& e) { return int(e.disk) == disk; };
            auto keep = [&](const CopyIndex::Entry* members, qint64 count) {
                const qint64 others = count - std::count_if(members, members + count, mine);
                qint64 files = 0, bytes = 0;
                for (qint64 i = 0; i < count; ++i) {
                    if (mine(members[i])) {
                        ++files;
                        bytes += bytesOf(table, members[i].record);
                        if (others == 0)
                            part.atRisk.push_back(members[i].record);
                    }
                }
                for (qint64 i = 0; i < count && files > 0; ++i) {
                    if (!mine(members[i]) && (i == 0 || members[i].disk != members[i - 1].disk)) {
                        part.shares[members[i].disk].files += files;
                        part.shares[members[i].disk].bytes += bytes;
                    }
                }
            };
            const int buckets = keys.bucketCount();
            keys.forEachRun(keys.bucketStart(buckets * p / parts),
                            keys.bucketStart(buckets * (p + 1) / parts),
                            [&](const CopyIndex::Entry* run, qint64 count) {
                                if (std::none_of(run, run + count, mine))
                                    return;
                                for (qint64 i = 0; i < count; ++i) {
                                    if (mine(run[i])) {
                                        ++part.disk.files;
                                        part.disk.bytes += bytesOf(table, run[i].record);
                                    }
                                }
                                if (run[0].disk == run[count - 1].disk)
                                    keep(run, count); // one disk: nothing to verify
                                else
                                    classes.split(run, count, keep);
                            });
        });
    }
    keys.releaseEntries();
    if (control.progress)
        control.progress(92);

    // Folder by folder, each folder's records in catalog order.
    std::vector<std::pair<QByteArrayView, qint64>> byFolder;
    std::vector<DiskShare> shares(diskCount);
    for (Part& part : found) {
        result.disk.files += part.disk.files;
        result.disk.bytes += part.disk.bytes;
        for (qint64 r : part.atRisk)
            byFolder.emplace_back(CopyKey::folderOf(field(table, r, 1)), r);
        for (size_t d = 0; d < part.shares.size(); ++d) {
            shares[d].files += part.shares[d].files;
            shares[d].bytes += part.shares[d].bytes;
        }
        std::vector<qint64>().swap(part.atRisk);
    }
    std::sort(byFolder.begin(), byFolder.end());
    result.records.reserve(byFolder.size());
    for (size_t i = 0; i < byFolder.size(); ++i) {
        if (i == 0 || byFolder[i].first != byFolder[i - 1].first) {
            FolderAtRisk folder;
            folder.folder = QString::fromUtf8(byFolder[i].first);
            folder.first = qint64(result.records.size());
            result.folders.push_back(folder);
        }
        const qint64 bytes = bytesOf(table, byFolder[i].second);
        result.folders.back().count += 1;
        result.folders.back().bytes += bytes;
        result.atRisk.files += 1;
        result.atRisk.bytes += bytes;
        result.records.push_back(byFolder[i].second);
    }

    std::vector<size_t> order(diskCount);
    for (size_t d = 0; d < diskCount; ++d)
        order[d] = d;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return indexLess(keys.disks()[a], keys.disks()[b]); });
    for (size_t d : order) {
        if (int(d) == disk)
            continue;
        shares[d].index = QString::fromUtf8(keys.disks()[d]);
        result.copiesOn.push_back(shares[d]);
    }
    finish(control);
    return result;
}

Duplicates duplicates(const CatalogTable& table, const DuplicateFilter& filter,
                      const CopySearchControl& control)
{
    Duplicates result;
    CopyIndex keys;
    if (!keys.build(table, control, kIndexProgress)) {
        result.cancelled = true;
        return result;
    }
    const int onDisk = filter.index.isEmpty() ? -1 : keys.diskOf(filter.index.toUtf8());
    if (!filter.index.isEmpty() && onDisk < 0) {
        finish(control);
        return result;
    }
    struct Part
    {
        std::vector<qint64> records;
        std::vector<DuplicateGroup> groups;
    };
    const int parts = partsFor(keys.size());
    std::vector<Part> found(static_cast<size_t>(parts));
    runInParts(parts, [&](int p) {
        Part& part = found[size_t(p)];
        CopyClasses classes(table);
        auto keep = [&](const CopyIndex::Entry* members, qint64 count) {
            const int disks = distinctDisks(members, count);
            if (disks < 2)
                return;
            if (onDisk >= 0
                && std::none_of(members, members + count,
                                [&](const CopyIndex::Entry& e) { return int(e.disk) == onDisk; }))
                return;
            DuplicateGroup group;
            group.size = bytesOf(table, members[0].record);
            if (group.size < filter.minimumSize)
                return;
            group.first = qint64(part.records.size());
            group.count = qint32(count);
            group.disks = qint32(disks);
            group.waste = group.size * (count - 1);
            for (qint64 i = 0; i < count; ++i)
                part.records.push_back(members[i].record);
            part.groups.push_back(group);
        };
        const int buckets = keys.bucketCount();
        keys.forEachRunReadAhead(table, buckets * p / parts, buckets * (p + 1) / parts,
                                 [&](const CopyIndex::Entry* run, qint64 count) {
                            if (count > 1 && run[0].disk != run[count - 1].disk)
                                classes.split(run, count, keep);
                        });
    });
    keys.releaseEntries();
    if (control.progress)
        control.progress(95);

    size_t total = 0, groups = 0;
    for (const Part& part : found)
        total += part.records.size(), groups += part.groups.size();
    result.records.reserve(total);
    result.groups.reserve(groups);
    for (Part& part : found) {
        const qint64 shift = qint64(result.records.size());
        result.records.insert(result.records.end(), part.records.begin(), part.records.end());
        for (DuplicateGroup group : part.groups) {
            group.first += shift;
            result.totalWaste += group.waste;
            result.groups.push_back(group);
        }
        part = Part();
    }
    const std::vector<qint64>& records = result.records;
    std::sort(result.groups.begin(), result.groups.end(),
              [&](const DuplicateGroup& a, const DuplicateGroup& b) {
                  if (a.waste != b.waste)
                      return a.waste > b.waste;
                  if (a.size != b.size)
                      return a.size > b.size;
                  return records[size_t(a.first)] < records[size_t(b.first)];
              });
    finish(control);
    return result;
}

std::vector<QString> diskIndexes(const CatalogTable& table)
{
    std::vector<QByteArray> seen;
    QByteArrayView last;
    for (qint64 r = 0; r < table.totalRecordCount(); ++r) {
        const QByteArrayView index = field(table, r, 0);
        if (!seen.empty() && index == last)
            continue;
        last = index;
        if (std::find(seen.begin(), seen.end(), index) == seen.end())
            seen.emplace_back(index.data(), index.size());
    }
    std::sort(seen.begin(), seen.end(), indexLess);
    std::vector<QString> indexes;
    for (const QByteArray& index : seen)
        indexes.push_back(QString::fromUtf8(index));
    return indexes;
}

} // namespace FileCopies
