#pragma once

#include "catalog/CatalogTable.h"

#include <QString>
#include <QStringList>

class DatabaseWindow;
class FileChannel;

// Whether a catalog's first line is checked before it is loaded. A file the user names is;
// the file a capture has just written is not.
enum class FirstLineCheck
{
    Check,
    Skip
};

// A catalog read from a file, before anything is shown.
struct CatalogRead
{
    CatalogTablePtr records; // null when nothing could be loaded
    QString unreadable;      // the check could not open the file: the system's reason
    QStringList failures;    // the check's refusal or the load's failure, as the source said
};

// Checks (when asked) and loads the catalog at path through the channel. Needs no window.
CatalogRead readCatalog(const QString& path, FirstLineCheck check, FileChannel& channel);

// What opening a catalog in the database window came to.
struct CatalogOpening
{
    enum class Result
    {
        Shown,       // the records are in the window
        Unreadable,  // the file could not be opened for the check; failure is the reason
        NotLoaded,   // refused or nothing read; the window already told why
        NotShown,    // read, but showing failed; failure is the reason
        OutOfMemory, // failure is "Not enough memory to open <path>"
    };
    Result result = Result::NotLoaded;
    CatalogTablePtr records;
    QString failure;
};

// Reads the catalog at path and shows it in the window, the one way start-up, File > Open
// and a finished capture open a catalog. A refusal or a failed load is told here, under
// "File Open Error", as every one of them tells it; the rest is left to the caller's words.
CatalogOpening openCatalog(DatabaseWindow& window, const QString& path, FirstLineCheck check);
