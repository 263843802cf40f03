#include "platform/widgets/FileList.h"

#include "platform/core/FolderListing.h"

#include <QStringListModel>

FileList::FileList(QWidget* parent) : QListView(parent), m_model(new QStringListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_refresh.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, &FileList::refresh);
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
    if (!m_sinceRefresh.isValid() || m_sinceRefresh.elapsed() >= 50)
        refresh();
    else if (!m_refresh.isActive())
        m_refresh.start(int(50 - m_sinceRefresh.elapsed()));
}

void FileList::refresh()
{
    m_refresh.stop();
    QStringList shown = m_names;
    for (QString& name : shown)
        name = FolderListing::shownName(name);
    m_model->setStringList(shown);
    // Timed from the end, so a slow refresh cannot run back to back.
    m_sinceRefresh.start();
}
