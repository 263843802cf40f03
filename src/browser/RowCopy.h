#pragma once

#include "catalog/CatalogTable.h"

#include <QByteArray>

class QItemSelection;

// The grid's selected rows as catalog lines: index value TAB file name TAB size CR LF, the
// bytes a catalog holds for those records, top to bottom as the grid shows them.
QByteArray catalogLinesOf(const CatalogTable& records, const QItemSelection& selection);

// Puts them on the clipboard as plain text; nothing when no row is selected.
void copyCatalogLines(const CatalogTable& records, const QItemSelection& selection);
