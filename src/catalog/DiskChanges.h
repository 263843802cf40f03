#pragma once

#include "catalog/CatalogRewrite.h"

#include <QString>

#include <vector>

// What a re-capture changes in one disk's records, by file name: a new record whose name has
// an old record of the same size is unchanged, of another size changed; new records left
// without an old one are added, old ones left without a new one removed (a disk captured twice
// has its second copy removed).
struct DiskChanges
{
    struct Change
    {
        QString name;
        QString oldSize; // empty for an added record
        QString newSize; // empty for a removed record
    };
    std::vector<Change> added;
    std::vector<Change> removed;
    std::vector<Change> changed;
    qint64 unchanged = 0;
    std::vector<QString> unchangedNames;

    static DiskChanges between(const std::vector<CatalogRewrite::Record>& before,
                               const std::vector<CatalogRewrite::Record>& after);
};
