#pragma once

#include "platform/core/AtomicFile.h"

#include <QByteArray>
#include <QString>

#include <vector>

class FileChannel;

// Replacing one disk's records in a catalog, and reading one disk's records back. A disk is an
// index value; a line belongs to it when its index field, read as the loader reads it (the text
// before the first TAB, unquoted, Windows-1252 when the line is not UTF-8), is that value.
namespace CatalogRewrite {

struct Record
{
    QByteArray name; // as the loader reads the fields, in UTF-8
    QByteArray size;
};

// The records of the lines from byte from on whose index is index (every line when index is
// empty), in file order. Reads through the channel, so a catalog being written is refused
// ("File already open"). False with the cause.
bool readRecords(FileChannel& channel, const QString& path, const QString& index, qint64 from,
                 std::vector<Record>* records, QString* error);

// The records from byte from on and their sizes added up, without keeping them (a capture
// counting what it wrote). Empty lines are not records; sizes that are not numbers count as 0.
bool tally(FileChannel& channel, const QString& path, qint64 from, qint64* records,
           qint64* bytes, QString* error);

// The sizes of records added up; sizes that are not numbers count as 0.
qint64 totalBytes(const std::vector<Record>& records);

// Whether catalog can be replaced now: a regular file, writable, on a disk that is not
// read-only, in a folder where a new file can be made, with room for a copy of it and about
// extraBytes more. False with the reason.
bool canReplace(const QString& catalog, qint64 extraBytes, QString* error);

struct Options
{
    AtomicFile::FileFactory fileFactory; // the new catalog's file (tests make it fail)
    AtomicFile::StepHook stepHook;       // runs before each write step (tests)
};

// Rewrites catalog so that the lines of index value index are the lines of the file
// newLines, standing where the first of its old lines stood (at the end when it had none);
// every other line keeps its bytes, its line end and its place, and the disk's later lines go.
// The catalog is held through the channel for the whole rewrite and replaced at once
// (AtomicFile): on failure it is as it was and error names the cause.
bool replaceDisk(FileChannel& channel, const QString& catalog, const QString& index,
                 const QString& newLines, QString* error, const Options& options = {});

} // namespace CatalogRewrite
