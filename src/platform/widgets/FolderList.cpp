#include "platform/widgets/FolderList.h"

#include "platform/core/FolderListing.h"

#include <QApplication>
#include <QDir>
#include <QStandardItemModel>
#include <QStyle>

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kRefreshMs = 50;
}

FolderList::FolderList(QWidget* parent) : QListView(parent), m_model(new QStandardItemModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListView::activated, this, &FolderList::activate);
    m_refresh.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        if (m_stale)
            rebuild();
    });
}

bool FolderList::setPath(const QString& path, QString* error)
{
    if (!m_reader.show(path, &m_shown, error))
        return false;
    // A hidden list (a window not shown yet) builds its rows when it is shown.
    m_stale = true;
    if (isVisible())
        scheduleRebuild();
    emit pathChanged(m_shown.path);
    return true;
}

QString FolderList::entry(int index) const
{
    if (index < 0 || index >= m_shown.folders.size())
        return QString();
    return m_shown.prefix + m_shown.folders.at(index);
}

void FolderList::showEvent(QShowEvent* event)
{
    if (m_stale)
        rebuild();
    QListView::showEvent(event);
}

void FolderList::scheduleRebuild()
{
    if (!m_sinceRebuild.isValid() || m_sinceRebuild.elapsed() >= kRefreshMs)
        rebuild();
    else if (!m_refresh.isActive())
        m_refresh.start(int(kRefreshMs - m_sinceRebuild.elapsed()));
}

void FolderList::rebuild()
{
    m_stale = false;
    m_refresh.stop();
    m_sinceRebuild.start();
    m_model->clear();
    if (m_shown.path.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The ancestors from the root down, then the folder itself, each one step further in.
    QStringList chain;
    QDir dir(QDir::fromNativeSeparators(m_shown.path));
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    int depth = 0;
    for (const QString& folder : chain) {
        const QString native = QDir::toNativeSeparators(folder);
        QString name = QDir(folder).isRoot() ? native : QDir(folder).dirName();
        auto* item = new QStandardItem(open, QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(native, kPathRole);
        m_model->appendRow(item);
        ++depth;
    }
    const int current = m_model->rowCount() - 1;
    for (int i = 0; i < m_shown.folders.size(); ++i) {
        auto* item = new QStandardItem(closed, QString(depth * 2, QLatin1Char(' ')) + m_shown.folders.at(i));
        item->setData(entry(i), kPathRole);
        m_model->appendRow(item);
    }
    setCurrentIndex(m_model->index(current, 0));
}

void FolderList::activate(const QModelIndex& index)
{
    const QString target = index.data(kPathRole).toString();
    if (target.isEmpty() || target == m_shown.path)
        return;
    QString error;
    if (!setPath(target, &error))
        emit pathFailed(error);
}
