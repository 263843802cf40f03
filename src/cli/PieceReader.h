#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

// Reads a catalog in fixed stretches of bytes on several threads at once, each thread reading
// its own stretches (every n-th) with its own descriptor, and hands every thread the whole lines
// that start in its stretch; then, strictly in file order, lets each stretch's results out.
// So the system's copying and the scan both run on every core, no thread waits for a single
// reader, and what is printed keeps the file's order. Each thread holds one stretch at a time.
class PieceReader
{
public:
    // Lines data[0, size) of one stretch, as CatalogScan::forEachLine takes them (skip: a
    // byte-order mark at the start of the file; last: the file's end, which need not end a
    // line). Runs on the worker's thread; false when reading must stop after this stretch.
    using Scan = std::function<bool(int worker, const char* data, qsizetype size, qsizetype skip,
                                    bool last)>;
    // Runs in file order, one stretch at a time, after its scan; false stops reading (no later
    // stretch is let out).
    using Deliver = std::function<bool(int worker, bool scanned)>;

    static constexpr qint64 kStretch = 256 * 1024;

    // Reads path with workers threads (this one included). False with the system's reason when
    // the file cannot be read; a stop asked by scan or deliver is not a failure.
    static bool read(const QString& path, int workers, const Scan& scan, const Deliver& deliver,
                     QString* error, qint64 stretch = kStretch);
};
