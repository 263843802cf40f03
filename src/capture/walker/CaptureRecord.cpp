#include "capture/walker/CaptureRecord.h"

#include "catalog/CatalogRewrite.h"

#include <QDir>

namespace CaptureRecord {

bool record(FileChannel& channel, CaptureFacts facts, qint64 start, QString* error)
{
    if (!CatalogRewrite::tally(channel, facts.catalogPath, start, &facts.files, &facts.bytes, error)) {
        *error = QStringLiteral("The disk facts of %1 could not be saved: %2")
                     .arg(QDir::toNativeSeparators(facts.catalogPath), *error);
        return false;
    }
    return recordCapture(facts, error);
}

} // namespace CaptureRecord
