#pragma once

#include <QString>

// vellumark-cli disks: one row per index value of a catalog, in the order of the values: its
// label, the files catalogued under it and their bytes, when it was captured and the space
// free on its volume then (the last three from the side file the captures write; empty where
// it has nothing). The catalog is read as the loader reads it; one
// that stops early gives the rows of the records before the stop, then the reason. Returns the
// exit status (Console).
int runDisks(const QString& catalog);
