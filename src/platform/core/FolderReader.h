#pragma once

#include "platform/core/FolderHandle.h"
#include "platform/core/FolderListing.h"

#include <QHash>
#include <QString>

// Reads folders for one folder list. A walk sets its folder list back to the parent before
// every subfolder, so without help each folder would be read once more per subfolder: the
// reader keeps the listings of the folders read lately and gives one back, without reading the
// folder, while the folder is provably unchanged (same device and inode, same modification and
// change times, and those times old enough that a later change cannot share them).
//
// It also keeps the current folder open: the files' lengths are read relative to the folder
// whose listing it gave, never by its path. A listing given again from memory is of the folder
// that then had the path; the folder is opened when a length is asked for, and a folder found
// moved or replaced meanwhile gives no lengths at all. release() closes the handle (an open
// folder keeps its volume from being unmounted).
class FolderReader
{
public:
    FolderReader() = default;
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Lists folder (in the form FolderListing::normalized gives) and makes it the current
    // folder; false with a description naming the folder when it cannot be listed, in which
    // case the current folder stays as it was.
    bool read(const QString& folder, FolderListing::Listing* listing, QString* error);

    // The same for any spelling of a folder path, filling what a list shows of it.
    bool show(const QString& path, FolderListing::Shown* shown, QString* error);

    QString currentFolder() const { return m_current; }

    // The length of the file called name (exact text) in the current folder, following links;
    // false with the reason when it cannot be read.
    bool fileLength(const QString& name, qint64* length, QString* reason);

    // The current folder on a handle of its own (for another thread); closed, with the reason,
    // when it cannot be had.
    FolderHandle duplicateCurrent(QString* reason);

    void release();

    // How many times a folder was actually read from the disk.
    int folderReads() const { return m_reads; }

    // A listing is reused only when the folder's times are at least this much older than the
    // moment it was read: file systems stamp times with a coarse clock (FAT to 2 seconds), so a
    // change right after a read could otherwise carry the very same times.
    static constexpr qint64 kSettleMs = 2500;

    // What tells an unchanged folder: its identity and times.
    struct Stamp
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modified = 0; // nanoseconds
        qint64 changed = 0;  // nanoseconds
        bool operator==(const Stamp& o) const
        {
            return device == o.device && inode == o.inode && modified == o.modified
                && changed == o.changed;
        }
    };

private:
    struct Cached
    {
        Stamp stamp;
        FolderListing::Listing listing;
        quint64 lastUse = 0;
    };
    void remember(const QString& folder, const Stamp& stamp, const FolderListing::Listing& listing);
    void setCurrent(const QString& folder, FolderHandle::Identity listed);
    // The current folder's handle, opened when needed; false with the reason when it cannot
    // be opened or is no longer the folder that was listed.
    bool openCurrent(QString* reason);

    static constexpr int kCacheSize = 64;
    QHash<QString, Cached> m_cache;
    quint64 m_uses = 0;
    QString m_current;
    FolderHandle m_handle;               // of m_current, once opened
    FolderHandle::Identity m_listed;     // the folder the current listing came from
    QByteArray m_name; // the bytes of the name being measured, reused from file to file
    int m_reads = 0;
};
