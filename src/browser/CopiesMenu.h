#pragma once

#include "browser/CopiesListModel.h"

class DatabaseWindow;
class QMenu;
class WindowRegistry;

// The copies commands of the database window: a context menu on the grid's rows with "Other
// Copies" (of the row's file), "Only on This Disk…" (the row's disk) and "Duplicates…" (the
// whole catalog), each showing its list in a copies window.
void attachCopiesMenu(DatabaseWindow& window);
// The menu for the grid's current row; the caller shows and deletes it.
QMenu* copiesMenu(DatabaseWindow& window);

// The three copies windows, one of each at most.
void registerCopiesWindows(WindowRegistry& registry);

// The labels the copies windows show beside index values.
DiskLabels diskLabelsOf(const DatabaseWindow& window);
