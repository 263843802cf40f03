#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A folder tree for capture tests: built on disk under a root, and described independently of
// the program, so a test can predict the catalog a walk must write.
struct TreeFolder
{
    QString name;
    QList<QPair<QString, QByteArray>> files; // name, content
    QList<TreeFolder> folders;

    TreeFolder& folder(const QString& folderName);
    void file(const QString& fileName, const QByteArray& content) { files.append({fileName, content}); }
};

// A tree from paths relative to its top: "a/b/name" is a file with the given content; a path
// ending in "/" is an empty folder.
TreeFolder treeOf(const QList<QPair<QString, QByteArray>>& entries);

// Creates the tree's files and folders inside root (which must exist).
bool writeTree(const TreeFolder& tree, const QString& root);

// The catalog a walk of root must produce: a folder's files first, sorted by name without
// regard to case (exact characters break ties), then its subfolders, sorted the same way and
// taken from the last to the first, each completely before the next. Names starting with "."
// are hidden and not catalogued. Every line is index TAB path TAB size CR LF.
// With folderLimit >= 0, only the first folderLimit folders of the walk (empty ones count).
QByteArray expectedCatalog(const TreeFolder& tree, const QString& root, const QString& index,
                           int folderLimit = -1);

// The number of files a walk counts in the tree (hidden ones excluded).
int countFiles(const TreeFolder& tree);

// A tree of `files` files spread over nested folders, with mixed-case names and varied sizes;
// the same arguments always give the same tree.
TreeFolder generatedTree(int files, int filesPerFolder, int foldersPerFolder);

QByteArray readAll(const QString& path);
