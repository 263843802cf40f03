#include "catalog/CatalogSink.h"

#include "platform/core/FileChannel.h"

bool CatalogSink::countEntry(QString* error)
{
    ++m_fileCount;
    if (m_fileCount != kBlockSize + 1)
        return true;
    if (!m_channel.reopen(m_catalogName, error)) {
        m_failed = true;
        return false;
    }
    ++m_blockCount;
    m_fileCount = 1;
    return true;
}

bool CatalogSink::write(const QByteArray& line, QString* error)
{
    if (m_channel.write(line, error))
        return true;
    m_failed = true;
    return false;
}
