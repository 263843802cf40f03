#pragma once

#include "cli/RecordFilter.h"

#include <QString>
#include <QStringList>

// The terms of a search from the shell, read into a filter. Each argument holds one or more
// terms separated by blanks:
//   text            the file name contains text (letter case ignored; * % ' literal)
//   "two words"     one term with its blanks ("" inside stands for one double quote)
//   -term           records the term holds for are left out
//   path:TEXT       the full name starts with TEXT
//   ext:jpg,png     the extension of the last component is one of these
//   size:>1G size:<100M size:1k..2M size:4096   sizes in bytes, k M G T in 1024s
//   disk:3 disk:1,4-6                            index values
// An unknown word before a colon ("C:", "note:") is plain text.
namespace SearchTerms {

// Adds the terms of argument to filter; false with a reason naming the term it cannot read.
bool parse(const QString& argument, RecordFilter* filter, QString* error);

// A number of bytes as a size term writes it: digits with an optional fraction, then k, M, G
// or T (1024s) and an optional B. False when text is not one.
bool sizeValue(const QString& text, quint64* bytes);

} // namespace SearchTerms
