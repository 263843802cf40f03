#include "catalog/CopyIndex.h"

#include "catalog/CatalogTable.h"
#include "platform/core/HugePages.h"
#include "platform/core/SideBySide.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// Records between two looks at the cancel flag.
constexpr qint64 kStride = 1 << 16;

inline bool entryLess(const CopyIndex::Entry& a, const CopyIndex::Entry& b)
{
    if (a.hash != b.hash)
        return a.hash < b.hash;
    return ((quint64(a.disk) << 32) | a.record) < ((quint64(b.disk) << 32) | b.record);
}

// One thread's share of the hashing: its records, the index values it met (numbered in the
// order it met them) and how many of its entries fall in each bucket.
struct Share
{
    qint64 begin = 0;
    qint64 end = 0;
    std::vector<QByteArray> disks;
    std::vector<qint64> bucketCounts;
    std::vector<quint32> diskMap; // local disk number -> global
};

} // namespace

int CopyIndex::diskOf(const QByteArray& index) const
{
    const auto it = std::find(m_disks.begin(), m_disks.end(), index);
    return it == m_disks.end() ? -1 : int(it - m_disks.begin());
}

namespace {
// Equality of two short texts (index values) without a library call per record.
inline bool sameShort(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

inline bool sharesHash(const CopyIndex::Entry* e, qint64 i, qint64 begin, qint64 end)
{
    return (i > begin && e[i].hash == e[i - 1].hash) || (i + 1 < end && e[i].hash == e[i + 1].hash);
}
} // namespace

void CopyIndex::prefetchStarts(const CatalogTable& table, qint64 begin, qint64 end) const
{
    const Entry* e = m_entries.get();
    const qint64* starts = table.recordStarts();
    for (qint64 i = begin; i < end; ++i) {
        if (sharesHash(e, i, begin, end))
            __builtin_prefetch(starts + e[i].record + 1);
    }
}

void CopyIndex::prefetchRuns(const CatalogTable& table, qint64 begin, qint64 end) const
{
    const Entry* e = m_entries.get();
    for (qint64 i = begin; i < end; ++i) {
        if (!sharesHash(e, i, begin, end))
            continue;
        qsizetype size = 0;
        const char* sizeText = table.fieldData(e[i].record, 2, &size);
        __builtin_prefetch(sizeText);
        __builtin_prefetch(sizeText - 48);
    }
}

bool CopyIndex::build(const CatalogTable& table, const CopySearchControl& control, int progressEnd)
{
    const qint64 n = table.totalRecordCount();
    m_size = 0;
    m_disks.clear();
    m_bucketStarts.assign(2, 0);
    m_entries.reset(new Entry[size_t(std::max<qint64>(n, 1))]);
    std::unique_ptr<Entry[]> hashed(new Entry[size_t(std::max<qint64>(n, 1))]);
    // Both are filled at once from fresh memory: a fault per 2 MiB instead of per 4 KiB.
    adviseHugePages(m_entries.get(), n * qint64(sizeof(Entry)));
    adviseHugePages(hashed.get(), n * qint64(sizeof(Entry)));

    // Buckets of about a thousand entries sort in the processor's cache, where the records
    // their runs compare are read ahead too.
    int bits = 0;
    while (bits < 16 && (n >> bits) > 1024)
        ++bits;
    const int buckets = 1 << bits;
    const int shift = 64 - bits;
    auto bucketOf = [&](quint64 hash) { return bits == 0 ? 0 : int(hash >> shift); };

    const int parts = n >= 4 * kStride ? int(std::min<unsigned>(usableCores(), 8)) : 1;
    std::vector<Share> shares(static_cast<size_t>(parts));
    std::atomic<bool> stopped{false};
    auto cancelled = [&] {
        if (!stopped && control.cancelled && control.cancelled())
            stopped = true;
        return bool(stopped);
    };
    auto report = [&](int percent) {
        if (control.progress)
            control.progress(percent * progressEnd / 100);
    };

    // 1. Hash every record (the longest step: 60 of the 100).
    runInParts(parts, [&](int p) {
        Share& share = shares[size_t(p)];
        share.begin = n * p / parts;
        share.end = n * (p + 1) / parts;
        share.bucketCounts.assign(size_t(buckets), 0);
        QByteArray key;
        QByteArrayView lastIndex;
        quint32 lastDisk = 0;
        for (qint64 r = share.begin; r < share.end; ++r) {
            if ((r - share.begin) % kStride == 0) {
                if (cancelled())
                    return;
                if (p == 0)
                    report(int(60 * (r - share.begin) / std::max<qint64>(share.end - share.begin, 1)));
            }
            qsizetype length = 0;
            const char* data = table.fieldData(r, 0, &length);
            const QByteArrayView index(data, length);
            if (share.disks.empty() || !sameShort(index, lastIndex)) {
                const auto it = std::find(share.disks.begin(), share.disks.end(), index);
                lastDisk = quint32(it - share.disks.begin());
                if (it == share.disks.end())
                    share.disks.emplace_back(index.data(), index.size());
                lastIndex = index;
            }
            const quint64 hash = CopyKey::hashOf(table, r, &key);
            hashed[size_t(r)] = Entry{hash, quint32(r), lastDisk};
            ++share.bucketCounts[size_t(bucketOf(hash))];
        }
    });
    if (cancelled()) {
        m_entries.reset();
        return false;
    }

    // 2. One numbering of the disks, in the order the records first name them.
    for (Share& share : shares) {
        for (const QByteArray& index : share.disks) {
            auto it = std::find(m_disks.begin(), m_disks.end(), index);
            share.diskMap.push_back(quint32(it - m_disks.begin()));
            if (it == m_disks.end())
                m_disks.push_back(index);
        }
    }

    // 3. Spread the entries into their buckets, each thread into its own nextSlot of each bucket.
    std::vector<std::vector<qint64>> nextSlot(static_cast<size_t>(parts), std::vector<qint64>(static_cast<size_t>(buckets)));
    m_bucketStarts.assign(size_t(buckets) + 1, 0);
    qint64 at = 0;
    for (int b = 0; b < buckets; ++b) {
        m_bucketStarts[size_t(b)] = at;
        for (int p = 0; p < parts; ++p) {
            nextSlot[size_t(p)][size_t(b)] = at;
            at += shares[size_t(p)].bucketCounts[size_t(b)];
        }
    }
    m_bucketStarts[size_t(buckets)] = at;
    report(60);
    runInParts(parts, [&](int p) {
        const Share& share = shares[size_t(p)];
        std::vector<qint64>& next = nextSlot[size_t(p)];
        for (qint64 r = share.begin; r < share.end; ++r) {
            Entry e = hashed[size_t(r)];
            e.disk = share.diskMap[e.disk];
            m_entries[size_t(next[size_t(bucketOf(e.hash))]++)] = e;
        }
    });
    hashed.reset();
    report(70);

    // 4. Sort every bucket; the threads take turns by bucket.
    runInParts(parts, [&](int p) {
        for (int b = p; b < buckets; b += parts) {
            if (b % 256 == p && cancelled())
                return;
            std::sort(m_entries.get() + m_bucketStarts[size_t(b)],
                      m_entries.get() + m_bucketStarts[size_t(b) + 1],
                      [](const Entry& x, const Entry& y) { return entryLess(x, y); });
            if (p == 0 && b % 256 == 0)
                report(70 + 30 * b / buckets);
        }
    });
    if (cancelled()) {
        m_entries.reset();
        m_disks.clear();
        m_bucketStarts.assign(2, 0);
        return false;
    }
    m_size = n;
    report(100);
    return true;
}
