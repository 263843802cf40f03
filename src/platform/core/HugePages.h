#pragma once

#include <QtGlobal>

// Asks for transparent huge pages on a large buffer about to be filled: filling fresh memory
// otherwise takes one page fault per 4 KiB instead of one per 2 MiB. Only the whole 2 MiB
// pages inside the buffer are advised, so a small buffer is left alone. Does nothing where
// the system has no such request.
void adviseHugePages(const void* data, qint64 bytes);
