#pragma once

#include "catalog/CatalogScan.h"

#include <QByteArray>
#include <QString>

// How the shell prints catalog records, one after another:
//   lines  the catalog's own line: index TAB name TAB size, then LF
//   tsv    the same under a header line (index, name, size)
//   csv    comma-separated, quoted where needed, under a header line, CR LF
//   json   an array of objects {"index", "name", "size"}
// lines and tsv keep a name's exact bytes; csv and json hold the text as the database window
// shows it (a line that is not UTF-8 read as Windows-1252), and json adds the exact bytes of
// such a name in hexadecimal ("name_bytes").
namespace RecordFormat {

enum class Kind { Lines, Tsv, Csv, Json };

// False when name is none of lines, tsv, csv, json.
bool parse(const QString& name, Kind* kind);

// What comes before the first record and after the last.
QByteArray head(Kind kind);
QByteArray tail(Kind kind, bool anyRecord);

// Appends one record: line is the record as the loader reads it, raw the line's own bytes.
// A json record opens with a separator the writer drops before the first record it prints
// (separatorLength).
void append(QByteArray* out, Kind kind, const CatalogScan::LineFields& line, QByteArrayView raw);
int separatorLength(Kind kind);

} // namespace RecordFormat
