#pragma once

#include "browser/CopiesListModel.h"

class DatabaseWindow;
class DiskFactsFile;
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

// The labels the copies windows show beside index values: those of the side file of the
// catalog the database window shows.
DiskLabels diskLabelsOf(const DatabaseWindow& window);
DiskLabels diskLabelsOf(const DiskFactsFile& facts);

// The copies commands themselves, on the database window's catalog: the other copies of its
// grid's current record, what only disk index holds, the duplicates.
void showOtherCopies(DatabaseWindow& window, const DiskLabels& labels);
void showOnlyOnDisk(DatabaseWindow& window, const QString& index, const DiskLabels& labels);
void showDuplicates(DatabaseWindow& window, const DiskLabels& labels);
