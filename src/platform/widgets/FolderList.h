#pragma once

#include "platform/core/FolderReader.h"

#include "platform/widgets/RepaintThrottle.h"

#include <QIcon>
#include <QListView>
#include <QString>
#include <QStringList>

class QStandardItem;
class QStandardItemModel;

// The folder list: shows the current folder's ancestors, the folder itself, and its
// subfolders, and offers the operations the walker relies on. Paths and names are exact text
// (FolderListing::fromNative), so a folder whose name is not UTF-8 can be entered too. Activating (double-click or
// Enter) an ancestor or subfolder makes it the current folder.
//
// setPath() emits pathChanged before it returns, so a file list connected to it (directly)
// already shows the new folder when the caller continues. A folder that cannot be listed is
// refused: the list stays where it was and the caller gets a description.
class FolderList : public QListView
{
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    const QString& path() const { return m_shown.path; }
    bool setPath(const QString& path, QString* error = nullptr);

    // Immediate subfolders of path(), sorted by name; entry(i) is the full path of the i-th.
    int listCount() const { return m_shown.folders.size(); }
    QString entry(int index) const;

    // The files of path(), read in the same pass as its subfolders, so a file list following
    // this list need not read the folder a second time.
    const QStringList& fileNames() const { return m_shown.files; }

    // The reader of path(), which holds the listed folder open: the lengths of its files are
    // read through it.
    FolderReader& reader() { return m_reader; }
    // Lets go of the folder held open for the lengths.
    void releaseFolder() { m_reader.release(); }

    // While the rows are held (a walk moves the list many times between two frames), moving
    // the list leaves its rows as they were, with no timer of its own; the holder calls
    // showRows() when a frame is due. Holds nest; the last release schedules the rows.
    void holdRows(bool hold);
    // Brings the rows up to date with path() now, if they lag behind and the list is shown.
    void showRows();

signals:
    void pathChanged(const QString& path);
    // A folder the user activated could not be listed.
    void pathFailed(const QString& description);

private:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scheduleRebuild();
    void rebuild();
    QList<QStandardItem*> rows() const;
    void activate(const QModelIndex& index);

    QStandardItemModel* m_model;
    mutable QIcon m_openIcon;
    mutable QIcon m_closedIcon;
    FolderReader m_reader;
    FolderListing::Shown m_shown;
    bool m_stale = false; // the model lags behind path() (hidden or held)
    int m_holds = 0;
    // A walk moves the list several times per folder; the rows are rebuilt at most every
    // 50 ms, always showing the latest folder, so painting does not slow the walk.
    RepaintThrottle m_throttle{50, [this] { rebuild(); }};
};
