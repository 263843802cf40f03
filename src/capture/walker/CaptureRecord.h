#pragma once

#include "catalog/DiskFacts.h"

#include <QString>

class FileChannel;

// Writes a capture's disk line in its catalog's side file once the catalog is closed: what
// the capture wrote (the catalog's records from byte start on, counted and added up) and
// whether it finished. The capture window and the shell's capture record the same way.
namespace CaptureRecord {

// False with the cause when the side file could not be written; the catalog is never touched.
// Nothing is recorded when the catalog's name no longer names the file the capture wrote.
// The catalog is read through channel.
bool record(FileChannel& channel, CaptureFacts facts, qint64 start, QString* error);

} // namespace CaptureRecord
