#pragma once

#include "platform/widgets/RepaintThrottle.h"

#include <QListView>
#include <QString>
#include <QStringList>

class QStringListModel;

// The file list: the names (without folder) of the files of one folder, sorted by name. entry()
// gives a name's exact text (FolderListing::fromNative); the rows show it readably. Its
// pattern "*.*" means every file, with or without a dot in its name; hidden files, sockets,
// pipes and devices are not listed, links to files are.
class FileList : public QListView
{
    Q_OBJECT

public:
    explicit FileList(QWidget* parent = nullptr);

    const QString& path() const { return m_path; }
    // Reads the folder; false with a description when it cannot be listed (the list keeps
    // showing what it showed).
    bool setPath(const QString& path, QString* error = nullptr);
    // Shows names already read for path (sorted, filtered as setPath would).
    void showFiles(const QString& path, const QStringList& names);

    // As FolderList::holdRows() and showRows(): a held list takes new names without
    // refreshing its rows until showRows().
    void holdRows(bool hold);
    void showRows();

    QString pattern() const { return QStringLiteral("*.*"); }
    int listCount() const { return m_names.size(); }
    QString entry(int index) const { return m_names.value(index); }
    const QStringList& names() const { return m_names; }

private:
    void refresh();

    QStringListModel* m_model;
    // Rows are refreshed at most every few dozen milliseconds, always with the latest folder;
    // listCount() and entry() are current at once.
    RepaintThrottle m_throttle{50, [this] { refresh(); }};
    QString m_path;
    QStringList m_names;
    bool m_stale = false; // the rows lag behind m_names (held)
    int m_holds = 0;
};
