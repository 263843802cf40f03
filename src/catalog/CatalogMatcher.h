#pragma once

#include "catalog/CatalogQuery.h"

#include <QtGlobal>

#include <vector>

class CatalogTable;

// The committed records of the table that the query matches, ascending; every record for a
// None query. Contains ignores letter case the way QString does (simple case folding, so the
// Kelvin sign matches 'k' and the long s matches 's'); Equals compares exactly.
std::vector<qint64> matchingRecords(const CatalogTable& table, const CatalogQuery& query);
