#pragma once

#include "catalog/CatalogTable.h"

#include <QString>

class DatabaseWindow;

// Shows a loaded catalog in the database window, the same steps for File > Open, start-up and
// a finished capture: the table goes into the holder, the grid is bound to it, the record
// count goes to the status bar, formatGrid lays the grid out, the index list is filled with
// 1..N (N the highest index among the records), the first record becomes current, the caption
// names the file and the window remembers it. Returns false with a description when a step
// fails; the steps before it stay done.
bool showLoadedCatalog(DatabaseWindow& form, const CatalogTablePtr& records, const QString& path,
                       QString* failure = nullptr);

// Lays out the database window's grid: column widths 500, 7274 and 1000 twips, rows 400 twips
// high, file names wrapping.
void formatGrid(DatabaseWindow& form);
