#pragma once

class CatalogGridModel;
class QTableView;

// The database window's grid beyond showing rows: a header click sorts by its column (again:
// reversed), with the header's sort indicator cleared whenever the model shows file order again
// (a search, Reset, an open); Ctrl+C copies the selected rows as catalog lines. A sort that
// runs out of memory is reported in a message box and leaves the rows as they were.
void addGridActions(QTableView& grid, CatalogGridModel& model);
