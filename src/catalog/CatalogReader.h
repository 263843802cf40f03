#pragma once

#include <QString>
#include <QtGlobal>

class CatalogTable;
class FileChannel;

// Reads the catalog open on the channel into records, line by line as CatalogLine describes.
// False with the description of the first line that cannot be stored, or of a failed read;
// the records before it stay. Large files are parsed on two cores, each taking half of every
// piece read, with the records kept in file order. Pieces are pieceSize bytes (smaller in
// tests, to put piece ends everywhere).
constexpr qint64 kCatalogPieceSize = 8 * 1024 * 1024;
bool readCatalog(FileChannel& channel, CatalogTable& records, QString* error,
                 qint64 pieceSize = kCatalogPieceSize);
