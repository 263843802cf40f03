#include "catalog/DiskCounts.h"

#include "catalog/CatalogTable.h"

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <limits>

namespace {

qint64 digitsValue(const char* text, qsizetype size)
{
    qint64 value = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9' || value > (std::numeric_limits<qint64>::max() - 9) / 10)
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct Tally
{
    qint64 records = 0;
    qint64 bytes = 0;
};

} // namespace

std::vector<DiskCount> countDisks(const CatalogTable& table)
{
    // A disk's records mostly follow each other, so the last disk's tally is tried before
    // the table of all of them.
    QHash<QByteArray, Tally> tallies;
    QByteArray lastKey;
    Tally* last = nullptr;
    const qint64 count = table.totalRecordCount();
    for (qint64 r = 0; r < count; ++r) {
        qsizetype indexSize = 0, sizeSize = 0;
        const char* index = table.fieldData(r, 0, &indexSize);
        const char* size = table.fieldData(r, 2, &sizeSize);
        const QByteArrayView key(index, indexSize);
        if (!last || key != lastKey) {
            lastKey = key.toByteArray();
            last = &tallies[lastKey];
        }
        ++last->records;
        last->bytes += digitsValue(size, sizeSize);
    }

    std::vector<DiskCount> disks;
    disks.reserve(tallies.size());
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it)
        disks.push_back({QString::fromUtf8(it.key()), it.value().records, it.value().bytes});
    std::sort(disks.begin(), disks.end(), [](const DiskCount& a, const DiskCount& b) {
        bool aNumber = false, bNumber = false;
        const double aValue = a.index.toDouble(&aNumber);
        const double bValue = b.index.toDouble(&bNumber);
        if (aNumber != bNumber)
            return aNumber;
        if (aNumber && aValue != bValue)
            return aValue < bValue;
        return a.index < b.index;
    });
    return disks;
}
