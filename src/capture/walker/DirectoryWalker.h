#pragma once

#include <QString>

#include <functional>

class WalkerLists;
struct CaptureSession;

// What one capture's walk works with, shared by the walker objects of that walk. The run
// fills it in; it outlives every walker of the walk.
struct WalkContext
{
    WalkerLists* lists = nullptr;
    // The run's session: its index value, the sink the records go into, and whether to stop
    // (also when the window has gone).
    CaptureSession* session = nullptr;
    // The error path: shows the description in a message box and returns. Events run while
    // the box is open; the walk checks the session after every report and stops when told to.
    std::function<void(const QString& description)> report;
};

// The directory walker: hands the sink one catalog line for every file of the folder the
// folder list shows, then walks its subfolders depth first, one new walker per subfolder. A
// walker has no state of its own and lives for one call; it knows no file, only the sink.
//
// What cannot be catalogued is reported without flooding: a folder that cannot be entered or
// whose path holds a TAB or line break once, skipping all it holds; the files of one folder
// that cannot be catalogued (gone, unreadable, TAB or line break in the name) in one report at
// the end of that folder's files, naming how many and the first few.
class DirectoryWalker
{
public:
    explicit DirectoryWalker(WalkContext& context) : m_context(context) {}

    // Walks path, which the folder list must already show. True only when the walk stopped on
    // entry because the session was told to stop.
    bool walk(const QString& path);

private:
    bool keepGoing() const;
    // Reports description; false when the walk must stop now.
    bool report(const QString& description);
    // Writes the records of the folder list's folder and reports what could not be written;
    // false when the walk must not go on into its subfolders.
    bool writeFiles();
    // Counts one file-list entry; false when the catalog could not be reopened.
    bool countEntry();
    struct FolderRecords;
    // Writes file-list entry index, or notes why it cannot be catalogued; false when the
    // catalog could not be written (reported; the walk stops).
    bool writeRecord(FolderRecords& records, int index, const QString& name);

    WalkContext& m_context;
};
