#include "capture/walker/HeadlessLists.h"

#include "platform/core/FolderListing.h"

bool HeadlessLists::setFolderPath(const QString& path, QString* error)
{
    m_side.withdraw(); // a listing shown again unchanged is read again too
    if (!m_reader.show(path, &m_shown, error))
        return false;
    if (afterListing)
        afterListing(m_shown.path);
    return true;
}

QString HeadlessLists::folderEntry(int index) const
{
    if (index < 0 || index >= m_shown.folders.size())
        return QString();
    return m_shown.prefix + m_shown.folders.at(index);
}

bool HeadlessLists::fileLength(int index, const QString& fullName, qint64* length,
                               QString* reason)
{
    if (index < 0 || index >= m_shown.files.size())
        return FolderListing::fileLength(fullName, length, reason);
    m_side.follow(m_shown.path, m_shown.files);
    const SideLengths::Answer answer = m_side.take(index, length, reason);
    if (answer != SideLengths::Answer::None)
        return answer == SideLengths::Answer::Read;
    return m_reader.fileLength(m_shown.files.at(index), length, reason);
}
