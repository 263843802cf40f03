#include "platform/widgets/FolderList.h"

#include "platform/core/FolderListing.h"

#include <QApplication>
#include <QDir>
#include <QStandardItemModel>
#include <QStyle>

#include <algorithm>

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
// Rows are indented two spaces per level down to this depth and no further: the list is narrow,
// and a row of thousands of leading spaces costs more to draw than the walk that shows it.
constexpr int kMaxIndent = 12;
}

FolderList::FolderList(QWidget* parent) : QListView(parent), m_model(new QStandardItemModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListView::activated, this, &FolderList::activate);
}

bool FolderList::setPath(const QString& path, QString* error)
{
    if (!m_reader.show(path, &m_shown, error))
        return false;
    // A hidden list (a window not shown yet) builds its rows when it is shown.
    m_stale = true;
    if (isVisible() && m_holds == 0)
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

void FolderList::holdRows(bool hold)
{
    m_holds += hold ? 1 : -1;
    if (m_holds == 0 && m_stale && isVisible())
        scheduleRebuild();
}

void FolderList::showRows()
{
    if (m_stale && isVisible())
        m_throttle.repaintNow();
}

void FolderList::showEvent(QShowEvent* event)
{
    if (m_stale)
        m_throttle.repaintNow();
    QListView::showEvent(event);
}

void FolderList::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange) {
        m_openIcon = QIcon();
        m_closedIcon = QIcon();
    }
    QListView::changeEvent(event);
}

void FolderList::scheduleRebuild()
{
    m_throttle.request();
}

void FolderList::rebuild()
{
    m_stale = false;
    m_model->clear();
    if (!m_shown.path.isEmpty())
        m_model->invisibleRootItem()->appendRows(rows());
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(m_model->rowCount() - 1 - int(m_shown.folders.size()), 0));
}

QList<QStandardItem*> FolderList::rows() const
{
    // Fetched once per style: the style loads them anew on every call, and a walk rebuilds
    // the rows many times a second.
    if (m_openIcon.isNull()) {
        m_openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
        m_closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    }
    const QIcon& open = m_openIcon;
    const QIcon& closed = m_closedIcon;
    QList<QStandardItem*> items;
    items.reserve(m_shown.folders.size() + 16);
    int depth = 0;
    const auto add = [&](const QIcon& icon, const QString& name, const QString& path) {
        auto* item = new QStandardItem(icon, QString(std::min(depth, kMaxIndent) * 2, QLatin1Char(' '))
                                                 + FolderListing::shownName(name));
        item->setData(path, kPathRole);
        items.append(item);
    };

    // The root, its folders down to this one, each one step further in: read from the path
    // itself, which is absolute and clean, so no folder on the way needs looking up.
    const QString& path = m_shown.path;
    const QChar separator = QDir::separator();
    qsizetype end = path.indexOf(separator) + 1; // the root keeps its separator: "/" or "C:\"
    if (end <= 0)
        end = path.size();
    add(open, path.left(end), path.left(end));
    while (end < path.size()) {
        ++depth;
        qsizetype next = path.indexOf(separator, end);
        if (next < 0)
            next = path.size();
        add(open, path.mid(end, next - end), path.left(next));
        end = next + 1;
    }
    ++depth;
    for (int i = 0; i < m_shown.folders.size(); ++i)
        add(closed, m_shown.folders.at(i), entry(i));
    return items;
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
