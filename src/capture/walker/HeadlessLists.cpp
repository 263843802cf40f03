#include "capture/walker/HeadlessLists.h"

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
    Q_UNUSED(fullName); // measured in the listed folder, not looked up by its path
    return m_side.fileLength(m_reader, m_shown.files, index, length, reason);
}
