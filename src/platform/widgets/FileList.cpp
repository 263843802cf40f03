#include "platform/widgets/FileList.h"

#include "platform/core/FolderListing.h"

#include <QStringListModel>

FileList::FileList(QWidget* parent) : QListView(parent), m_model(new QStringListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool FileList::setPath(const QString& path, QString* error)
{
    const QString folder = FolderListing::normalized(path);
    FolderListing::Listing listing;
    if (!FolderListing::read(folder, &listing, error))
        return false;
    showFiles(folder, listing.files);
    return true;
}

void FileList::showFiles(const QString& path, const QStringList& names)
{
    m_path = path;
    m_names = names;
    m_stale = true;
    if (m_holds == 0)
        m_throttle.request();
}

void FileList::holdRows(bool hold)
{
    m_holds += hold ? 1 : -1;
    if (m_holds == 0 && m_stale)
        m_throttle.request();
}

void FileList::showRows()
{
    if (m_stale)
        m_throttle.repaintNow();
}

void FileList::refresh()
{
    m_stale = false;
    QStringList shown = m_names;
    for (QString& name : shown)
        name = FolderListing::shownName(name);
    m_model->setStringList(shown);
}
