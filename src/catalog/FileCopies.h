#pragma once

#include "catalog/CopyIndex.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

class CatalogTable;

// The catalog's answers about copies: records with the same file name and size (CopyKey) on
// another disk (another index value). A file held twice on one disk is not a copy on another
// disk. Records are numbers of committed records (CatalogTable::fieldData), each list in
// catalog order unless said otherwise. Every answer reports cancelled when the control asked
// it to stop; its lists are then empty.

// The records on other disks that are copies of one record.
struct OtherCopies
{
    std::vector<qint64> records;
    bool cancelled = false;
};

// One disk's count of files and bytes in some list.
struct DiskShare
{
    QString index;
    qint64 files = 0;
    qint64 bytes = 0;
};

// A folder of the disk, with its files that no other disk holds.
struct FolderAtRisk
{
    QString folder;
    qint64 first = 0; // where its records start in OnlyOnDisk::records
    qint64 count = 0;
    qint64 bytes = 0;
};

// What only one disk holds: its records with no copy on any other disk, folder by folder (in
// folder order), and for every other disk how many of this disk's files have a copy there.
struct OnlyOnDisk
{
    DiskShare disk;                  // all of the disk's records
    DiskShare atRisk;                // those with no copy elsewhere
    std::vector<qint64> records;     // at risk, folder by folder
    std::vector<FolderAtRisk> folders;
    std::vector<DiskShare> copiesOn; // per other disk, in disk order
    bool cancelled = false;
};

// Records with one file name and size on two or more disks. Waste: the bytes all but one of
// them take, size x (records - 1).
struct DuplicateGroup
{
    qint64 first = 0; // where its records start in Duplicates::records
    qint32 count = 0;
    qint32 disks = 0;
    qint64 size = 0;
    qint64 waste = 0;
};

struct Duplicates
{
    std::vector<qint64> records;       // group by group, by disk within a group
    std::vector<DuplicateGroup> groups; // largest waste first
    qint64 totalWaste = 0;
    bool cancelled = false;
};

// Which groups to list: those whose size is at least minimumSize, holding a record on the
// disk index (every disk when empty).
struct DuplicateFilter
{
    qint64 minimumSize = 0;
    QString index;
};

namespace FileCopies {

// The first record whose three values are exactly these, or -1.
qint64 findRecord(const CatalogTable& table, QByteArrayView index, QByteArrayView fullName,
                  QByteArrayView size);

OtherCopies otherCopies(const CatalogTable& table, qint64 record,
                        const CopySearchControl& control = {});
OnlyOnDisk onlyOnDisk(const CatalogTable& table, const QString& index,
                      const CopySearchControl& control = {});
Duplicates duplicates(const CatalogTable& table, const DuplicateFilter& filter,
                      const CopySearchControl& control = {});

// The catalog's index values, numbers in numeric order first, then the others by text.
std::vector<QString> diskIndexes(const CatalogTable& table);

} // namespace FileCopies
