#pragma once

#include "catalog/CopyKey.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

class CatalogTable;

// Progress and cancellation of a long pass over the catalog, for a window that runs it on a
// thread of its own. Both may be called from any of the pass's threads; both may be empty.
struct CopySearchControl
{
    std::function<bool()> cancelled;            // true: stop as soon as possible
    std::function<void(int percent)> progress;  // 0 to 100, rising
};

// Every record keyed by the hash of its copy key (file name and size, CopyKey), sorted by hash,
// then disk, then record, so that the records that may be copies of each other stand side by
// side. Built on the machine's cores: hash, spread into buckets by the hash's top bits, sort
// each bucket. Takes 16 bytes a record, twice that while it is being built.
class CopyIndex
{
public:
    struct Entry
    {
        quint64 hash;
        quint32 record;
        quint32 disk; // position in disks()
    };

    // False when cancelled (the index is then empty). Progress runs from 0 to progressEnd.
    bool build(const CatalogTable& table, const CopySearchControl& control, int progressEnd);

    qint64 size() const { return m_size; }
    const Entry* entries() const { return m_entries.get(); }
    // The index values, in the order first seen.
    const std::vector<QByteArray>& disks() const { return m_disks; }
    int diskOf(const QByteArray& index) const;
    // Gives the entries' memory back (the disks stay).
    void releaseEntries()
    {
        m_entries.reset();
        m_size = 0;
        m_bucketStarts.assign(2, 0);
    }

    // Buckets split the entries into independent stretches (no run of equal hashes crosses
    // one): bucket b is [bucketStart(b), bucketStart(b + 1)).
    int bucketCount() const { return int(m_bucketStarts.size()) - 1; }
    qint64 bucketStart(int bucket) const { return m_bucketStarts[size_t(bucket)]; }

    // Reads ahead the text of every entry in [begin, end) that shares its hash with a
    // neighbour: the records a run's check compares lie anywhere in the catalog, and asking
    // for all of them at once lets the memory fetch them side by side.
    void prefetchRuns(const CatalogTable& table, qint64 begin, qint64 end) const;
    void prefetchStarts(const CatalogTable& table, qint64 begin, qint64 end) const;

    // Calls visit(first, count) for each run of entries with one hash in [begin, end), a
    // bucket at a time, reading ahead: the record starts of the bucket after next, the
    // records of the next one.
    template <typename Visit>
    void forEachRunReadAhead(const CatalogTable& table, int firstBucket, int endBucket, Visit visit) const
    {
        if (firstBucket < endBucket)
            prefetchRuns(table, bucketStart(firstBucket), bucketStart(firstBucket + 1));
        for (int b = firstBucket; b < endBucket; ++b) {
            if (b + 2 < endBucket)
                prefetchStarts(table, bucketStart(b + 2), bucketStart(b + 3));
            if (b + 1 < endBucket)
                prefetchRuns(table, bucketStart(b + 1), bucketStart(b + 2));
            forEachRun(bucketStart(b), bucketStart(b + 1), visit);
        }
    }

    // Calls visit(first, count) for each run of entries with one hash in [begin, end).
    template <typename Visit>
    void forEachRun(qint64 begin, qint64 end, Visit visit) const
    {
        const Entry* e = m_entries.get();
        qint64 i = begin;
        while (i < end) {
            qint64 j = i + 1;
            while (j < end && e[j].hash == e[i].hash)
                ++j;
            visit(e + i, j - i);
            i = j;
        }
    }

private:
    std::unique_ptr<Entry[]> m_entries;
    qint64 m_size = 0;
    std::vector<QByteArray> m_disks;
    std::vector<qint64> m_bucketStarts;
};

// Splits a run of equal hashes into its classes of real copies (compared by CopyKey), reusing
// its buffers from run to run: one per thread.
class CopyClasses
{
public:
    explicit CopyClasses(const CatalogTable& table) : m_comparer(table) {}

    // Calls visit(members, count) for every class; members are in run order (disk, record).
    template <typename Visit>
    void split(const CopyIndex::Entry* run, qint64 count, Visit visit)
    {
        // Nearly always every member is a copy of the first: one class, nothing copied.
        qint64 same = 1;
        while (same < count && m_comparer.same(run[0].record, run[same].record))
            ++same;
        if (same == count) {
            visit(run, count);
            return;
        }
        m_left.assign(run, run + count);
        while (!m_left.empty()) {
            m_class.clear();
            m_rest.clear();
            const quint32 first = m_left.front().record;
            for (const CopyIndex::Entry& e : m_left) {
                if (e.record == first || m_comparer.same(first, e.record))
                    m_class.push_back(e);
                else
                    m_rest.push_back(e);
            }
            visit(m_class.data(), qint64(m_class.size()));
            m_left.swap(m_rest);
        }
    }

private:
    CopyKey::Comparer m_comparer;
    std::vector<CopyIndex::Entry> m_left, m_class, m_rest;
};

// How many different disks a run of entries sorted by disk spans.
inline int distinctDisks(const CopyIndex::Entry* members, qint64 count)
{
    int disks = count > 0 ? 1 : 0;
    for (qint64 i = 1; i < count; ++i)
        disks += members[i].disk != members[i - 1].disk;
    return disks;
}
