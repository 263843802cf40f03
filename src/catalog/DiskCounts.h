#pragma once

#include <QString>

#include <vector>

class CatalogTable;

// How many records and bytes each index value (each disk) has in a loaded catalog, counted in
// one pass over the table's buffer. Disks come in index order: numbers by value first, then
// other texts by their text.
struct DiskCount
{
    QString index;
    qint64 records = 0;
    qint64 bytes = 0; // sizes that are not plain numbers count as 0
};

std::vector<DiskCount> countDisks(const CatalogTable& table);
