#pragma once

#include <QByteArray>
#include <QString>

class FileChannel;

// Where a capture's records go: the catalog behind a channel the run has opened. Every
// kBlockSize entries the catalog is closed and reopened for appending, so a crash or a power
// cut loses at most one block. The counts are this capture's alone.
class CatalogSink
{
public:
    static constexpr qint32 kBlockSize = 1000;

    explicit CatalogSink(FileChannel& channel) : m_channel(channel) {}

    // Starts a capture into the catalog the channel has open, counting from zero. catalogName
    // is the name it is reopened under: the run's own copy, so a File > Open during the walk
    // cannot redirect the capture. A reopen must find there the very file first opened.
    void begin(const QString& catalogName)
    {
        m_catalogName = catalogName;
        m_fileCount = m_blockCount = 0;
        m_failed = false;
    }

    // Counts one listed entry, written or not, and reopens the catalog when the entry opens a
    // new block. False with the reason when it could not be reopened (the catalog moved,
    // deleted or replaced during the capture included).
    bool countEntry(QString* error);
    // False with the system's reason when the line could not be written.
    bool write(const QByteArray& line, QString* error);

    // Set once the catalog could not be reopened or written; nothing more can go into it.
    bool failed() const { return m_failed; }

    // fileCount runs 1..kBlockSize within a block, blockCount counts the reopens.
    qint32 fileCount() const { return m_fileCount; }
    qint32 blockCount() const { return m_blockCount; }
    qint32 entryCount() const { return m_blockCount * kBlockSize + m_fileCount; }

private:
    FileChannel& m_channel;
    QString m_catalogName;
    qint32 m_fileCount = 0;
    qint32 m_blockCount = 0;
    bool m_failed = false;
};
