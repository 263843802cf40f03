#pragma once

#include "platform/core/AtomicFile.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What a catalog knows about its disks beyond their records, kept in a side file beside it:
// catalog NAME has NAME.disks, UTF-8 text, one TAB-separated line per index value under a
// header line naming the columns:
//
//   index label volume uuid filesystem capacity free root captured files bytes complete note
//
// Columns are found by their header name, so their order may change and a column this version
// does not know is kept as it is when the file is written again. In a text value a backslash,
// TAB, LF and CR are written \\, \t, \n and \r. Numbers are plain decimal bytes; an empty value
// is unknown. "captured" is ISO 8601 with the offset from UTC; "complete" is "no" for a capture
// that was cancelled or failed.
//
// The catalog itself never changes: without a side file a catalog works as always, and lines
// for index values the catalog does not hold are kept in the file and ignored by the windows.
// The side file is written with AtomicFile, so a failure leaves the previous one as it was.

// The volume a folder lies on, as the system describes it; empty texts and -1 where it does not.
struct VolumeFacts
{
    QString name;           // the volume's label
    QString uuid;           // the file system's UUID
    QString fileSystemType; // "ext4", "vfat", ...
    qint64 capacity = -1;   // bytes
    qint64 freeBytes = -1;  // bytes available to the user
};

// The volume holding folder (which must exist).
VolumeFacts volumeFacts(const QString& folder);

// One disk: the line of one index value.
struct DiskFacts
{
    QString index;
    QString label; // the user's name for the disk
    VolumeFacts volume;
    QString root;          // the capture's start folder
    QDateTime capturedAt;  // invalid when unknown
    qint64 files = -1;     // records the capture wrote
    qint64 bytes = -1;     // their sizes added up
    bool complete = true;  // false after a cancelled or failed capture
    QString note;
    QStringList extra;     // values of the columns this version does not know
};

// The side file's lines, read or to be written.
class DiskFactsFile
{
public:
    enum class State { Missing, Read, Unreadable };

    // NAME.disks for catalog NAME.
    static QString pathFor(const QString& catalogPath);

    // Reads the side file of catalogPath. Missing is no file at all (no facts, not an error);
    // Unreadable has error() naming the file and the cause, and no disks.
    static DiskFactsFile read(const QString& catalogPath);

    State state() const { return m_state; }
    const QString& error() const { return m_error; }
    const QList<DiskFacts>& disks() const { return m_disks; }
    // The facts of index value index, or null. The pointer lives as long as this object, so a
    // temporary (read(path).find(...)) is refused at compile time.
    const DiskFacts* find(const QString& index) const&;
    const DiskFacts* find(const QString& index) const&& = delete;

    // Replaces the line of facts.index, or adds it at the end.
    void set(const DiskFacts& facts);

    // Writes every line to the side file of catalogPath at once. False with the cause; the
    // catalog and any previous side file are then as they were.
    bool write(const QString& catalogPath, QString* error,
               const AtomicFile::FileFactory& factory = {}) const;

    // The file's text, header included.
    QByteArray toText() const;

private:
    State m_state = State::Missing;
    QString m_error;
    QList<DiskFacts> m_disks;
    QStringList m_extraColumns;
};

// Changes the line of one index value (made when missing) with change, and writes the side
// file. A side file that cannot be read is never overwritten: false with its cause.
bool updateDiskFacts(const QString& catalogPath, const QString& index,
                     const std::function<void(DiskFacts&)>& change, QString* error,
                     const AtomicFile::FileFactory& factory = {});

// What a capture reports when it ends.
struct CaptureFacts
{
    QString catalogPath;
    QString index;
    QString root;
    qint64 files = 0;
    qint64 bytes = 0;
    bool complete = true;
};

// Records a capture in its catalog's side file: the volume facts of its root folder, the time
// now, its counts and whether it finished; the disk's label and note stay.
bool recordCapture(const CaptureFacts& capture, QString* error,
                   const AtomicFile::FileFactory& factory = {});
