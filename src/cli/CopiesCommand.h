#pragma once

#include <QString>
#include <QtGlobal>

// vellumark-cli copies: files held on more than one disk, or what one disk alone holds, by the
// rule of the Disks window's copies (the same file name, letter case ignored, and the same size,
// under another index value). The whole catalog is loaded as File > Open loads it; a catalog
// the loader refuses or that stops early gives no answer (a partial one would call copies
// missing), only the reason. Records go to standard output as catalog lines (index TAB name TAB
// size, LF, the name's exact bytes); the summary goes to standard error. Returns the exit
// status (Console).
struct CopiesRequest
{
    QString catalog;
    QString onlyOn;           // empty: the groups of copies across the catalog
    quint64 minimumSize = 0;  // groups (or, with onlyOn, files) smaller than this are left out
};

int runCopies(const CopiesRequest& request);
