// Feeds arbitrary bytes to the catalog reader as a catalog file: the first-line check and the
// load must never crash, must leave the channel free and must keep their record counts sane.
#include "catalog/CatalogSource.h"
#include "platform/core/FileChannel.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    FileChannel channel;
    CatalogSource source(channel);
    int errors = 0;
    QObject::connect(&source, &CatalogSource::failed, [&](const QString&) { ++errors; });

    const bool valid = source.validate(path);
    if (channel.isOpen() || errors != (valid ? 0 : 1))
        std::abort();

    errors = 0;
    source.load(path);
    if (channel.isOpen() || errors > 1 || !source.records())
        std::abort();
    // Every line end adds at most one record, and a last line without one adds one more.
    qint64 lineEnds = 0;
    for (size_t i = 0; i < size; ++i)
        lineEnds += data[i] == '\n' || data[i] == '\r';
    const CatalogTable& rs = *source.records();
    if (rs.recordCount() > lineEnds + 1 || (size == 0 && errors != 0))
        std::abort();
    for (qint64 r = 0; r < rs.recordCount(); ++r) {
        for (int f = 0; f < CatalogTable::kFieldCount; ++f) {
            if (rs.valueAt(r, f).size() > CatalogTable::fieldWidth(f))
                std::abort();
        }
    }
    return 0;
}
