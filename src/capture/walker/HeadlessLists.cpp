#include "capture/walker/HeadlessLists.h"

#include "platform/core/FolderListing.h"

#include <QDir>

bool HeadlessLists::setFolderPath(const QString& path, QString* error)
{
    const QString folder = FolderListing::normalized(path);
    FolderListing::Listing listing;
    if (!m_reader.read(folder, &listing, error))
        return false;
    m_path = folder;
    m_prefix = folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
    m_folders = std::move(listing.folders);
    m_files = std::move(listing.files);
    if (afterListing)
        afterListing(m_path);
    return true;
}

QString HeadlessLists::folderEntry(int index) const
{
    if (index < 0 || index >= m_folders.size())
        return QString();
    return m_prefix + m_folders.at(index);
}

bool HeadlessLists::fileLength(int index, const QString& fullName, qint64* length,
                               QString* error)
{
    if (index < 0 || index >= m_files.size())
        return FolderListing::fileLength(fullName, length, error);
    return m_reader.fileLength(m_files.at(index), fullName, length, error);
}
