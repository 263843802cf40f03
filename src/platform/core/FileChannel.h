#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>

// The program's one file channel. Every catalog read and write goes through it, so while a
// capture holds it for writing, an attempt to open a catalog for reading fails with
// "File already open" instead of reading a half-written file.
//
// The channel is program-wide (instance()); tests may build their own. Writes are gathered in
// the channel and handed to the file in large pieces; flush() and close() push what is left.
// A catalog never keeps half a line: when the file refuses bytes (a full disk, an I/O error) the
// channel cuts it back to the end of its last whole line and reports the system's reason, and
// appending to a file whose last line has no line end first ends that line. Closing an
// unopened channel does nothing.
class FileChannel
{
public:
    enum class Mode { Input, Output, Append };
    // Makes the file object the channel opens; tests hand in one that fails on purpose.
    using FileFactory = std::function<std::unique_ptr<QFile>(const QString& path)>;

    static FileChannel& instance();

    // Lines are handed to the file in pieces of at least this size: few system calls, and a
    // failure is noticed within one piece.
    static constexpr qsizetype kPieceSize = 64 * 1024;

    // False with a description when path exists but is not a regular file (a folder, pipe,
    // device or socket): opening one could block forever or never reach an end.
    static bool checkRegularFile(const QString& path, QString* error);

    FileChannel();
    ~FileChannel();
    FileChannel(const FileChannel&) = delete;
    FileChannel& operator=(const FileChannel&) = delete;

    void setFileFactory(FileFactory factory) { m_factory = std::move(factory); }

    // Opens path in mode. Fails with "File already open" while the channel is in use, or with
    // the file system's description (file not found, is a folder, permission denied...).
    bool open(const QString& path, Mode mode, QString* error = nullptr);
    // Closes the file being written and opens path again for appending, only when path still
    // names the very file that was opened first (same device and inode). A file moved, deleted
    // or replaced meanwhile is never created anew nor written into: the channel stays closed
    // and error says "<path> was moved or deleted during the capture".
    bool reopen(const QString& path, QString* error = nullptr);
    // Whether path still names the file the channel opened last (same device and inode), also
    // after it was closed: a capture whose catalog was moved away records nothing beside it.
    bool stillNames(const QString& path) const;
    bool isOpen() const;
    QString path() const { return m_path; }
    Mode mode() const { return m_mode; }

    // Reading: up to max bytes; 0 at the end of the file, -1 on error.
    qint64 read(char* data, qint64 max, QString* error = nullptr);
    qint64 size() const;

    // Writing. After a failure every later write fails too, until the channel is closed.
    bool write(const QByteArray& bytes, QString* error = nullptr);
    bool flush(QString* error = nullptr);

    // Flushes and closes; reports a failed flush or close (disk full) through error.
    bool close(QString* error = nullptr);

private:
    bool adopt(std::unique_ptr<QFile> file, const QString& path, Mode mode, QString* error);
    bool endUnterminatedLastLine(QString* error);
    bool push(QString* error);
    bool writeFailed(const char* attempted, qint64 size, QString* error);

    FileFactory m_factory;
    std::unique_ptr<QFile> m_file;
    QString m_path;
    Mode m_mode = Mode::Input;
    QByteArray m_pending;
    qint64 m_fileEnd = 0;  // bytes the file is known to hold
    qint64 m_lineEnd = 0;  // where its last whole line ends
    QString m_failure;     // set by a failed write; the channel then refuses to write
    // The file first opened, which a reopen must find again: device and inode.
    quint64 m_device = 0;
    quint64 m_inode = 0;
};

// Closes the channel when it leaves scope, unless released: every early return of a reader
// or writer leaves the channel free.
class FileChannelCloser
{
public:
    explicit FileChannelCloser(FileChannel& channel) : m_channel(&channel) {}
    ~FileChannelCloser()
    {
        if (m_channel)
            m_channel->close();
    }
    void release() { m_channel = nullptr; }
    FileChannelCloser(const FileChannelCloser&) = delete;
    FileChannelCloser& operator=(const FileChannelCloser&) = delete;

private:
    FileChannel* m_channel;
};
