#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The program's one file channel. Every catalog read and write goes through it, so while a
// capture holds it for writing, an attempt to open a catalog for reading fails with
// "File already open" instead of reading a half-written file.
//
// The channel is program-wide (instance()); tests may build their own. Writes are buffered;
// close() and flush() push everything to the file. Closing an unopened channel does nothing.
class FileChannel
{
public:
    enum class Mode { Input, Output, Append };

    static FileChannel& instance();

    FileChannel();
    ~FileChannel();
    FileChannel(const FileChannel&) = delete;
    FileChannel& operator=(const FileChannel&) = delete;

    // Opens path in mode. Fails with "File already open" while the channel is in use, or with
    // the file system's description (file not found, is a directory, permission denied...).
    bool open(const QString& path, Mode mode, QString* error = nullptr);
    bool isOpen() const;
    QString path() const { return m_path; }
    Mode mode() const { return m_mode; }

    // Reading: up to max bytes; 0 at the end of the file, -1 on error.
    qint64 read(char* data, qint64 max, QString* error = nullptr);
    qint64 size() const;

    // Writing: the bytes are written as one piece.
    bool write(const QByteArray& bytes, QString* error = nullptr);
    bool flush(QString* error = nullptr);

    // Flushes and closes; reports a failed flush (disk full) through error.
    bool close(QString* error = nullptr);

private:
    QFile m_file;
    QString m_path;
    Mode m_mode = Mode::Input;
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
