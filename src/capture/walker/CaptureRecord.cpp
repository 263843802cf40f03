#include "capture/walker/CaptureRecord.h"

#include "catalog/CatalogRewrite.h"
#include "platform/core/FileChannel.h"

#include <QDir>

namespace CaptureRecord {

bool record(FileChannel& channel, CaptureFacts facts, qint64 start, QString* error)
{
    // A catalog moved or replaced during the capture (already told) has no disk to describe
    // at its old name.
    if (!channel.stillNames(facts.catalogPath))
        return true;
    if (!CatalogRewrite::tally(channel, facts.catalogPath, start, &facts.files, &facts.bytes, error)) {
        *error = QStringLiteral("The disk facts of %1 could not be saved: %2")
                     .arg(QDir::toNativeSeparators(facts.catalogPath), *error);
        return false;
    }
    return recordCapture(facts, error);
}

} // namespace CaptureRecord
