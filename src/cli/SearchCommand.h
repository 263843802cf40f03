#pragma once

#include "cli/RecordFilter.h"
#include "cli/RecordFormat.h"

#include <QString>

// vellumark-cli search: the records of a catalog a filter keeps, in file order. The catalog is
// streamed through the loader's scan in stretches every core reads for itself (PieceReader),
// never the whole table; only lines that may match, and lines the loader would have to look at
// closely, are read field by field. Reading stops where the loader stops: the records before are printed, then
// the reason. Returns the exit status (Console).
struct SearchRequest
{
    QString catalog;
    RecordFilter filter;
    bool count = false;
    RecordFormat::Kind format = RecordFormat::Kind::Lines;
};

int runSearch(const SearchRequest& request);
