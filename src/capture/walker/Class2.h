#pragma once

#include "platform/core/VbBool.h"

#include <QString>

#include <functional>

class FileChannel;
class WalkerLists;

// What one capture's walk works with, shared by the walker objects of that walk. The run
// fills it in; it outlives every walker of the walk.
struct WalkContext
{
    WalkerLists* lists = nullptr;
    // The capture window's searchflag: false stops the walk at the next folder (also when the
    // window has gone).
    std::function<bool()> searchflag;
    // The run's own copy of the chosen catalog name, under which the catalog is reopened.
    QString catalogName;
    FileChannel* channel = nullptr;
    // The error path: shows the description in a message box and returns.
    std::function<void(const QString& description)> report;
    // The run's index value, taken once when it started: typing in the box during the walk
    // cannot change it half-way.
    QString index;

    // Set when the catalog could not be reopened; the walk then stops.
    bool failed = false;
};

// The directory walker: writes one catalog line for every file of the folder the folder list
// shows, then walks its subfolders depth first, one new walker per subfolder. A walker has no
// state of its own and lives for one call.
class Class2
{
public:
    explicit Class2(WalkContext& context) : m_context(context) {}

    // Walks NewPath, which the folder list must already show. Returns VbTrue only when the walk
    // stopped on entry (searchflag cleared, or the catalog lost); dircount and BackUp are
    // handed on to nested walkers untouched.
    VbBool DirDiver(QString& NewPath, qint16& dircount, QString& BackUp);

private:
    bool keepGoing() const;
    // Counts one file-list entry; false when the catalog could not be reopened.
    bool countEntry();
    struct FolderRecords;
    void writeRecord(FolderRecords& records, int index, const QString& name);

    WalkContext& m_context;
};
