#pragma once

#include "support/TestEnvironment.h"

#include <QPair>

// A folder tree for capture tests: built on disk under a root, and described independently of
// the program, so a test can predict the catalog a walk must write. A name may hold the
// characters U+DC80 to U+DCFF, each standing for one byte 0x80 to 0xFF outside valid UTF-8:
// how a test writes a name that is not text.
struct TreeFolder
{
    QString name;
    QList<QPair<QString, QByteArray>> files; // name, content
    QList<TreeFolder> folders;
};

// A tree from paths relative to its top: "a/b/name" is a file with the given content; a path
// ending in "/" is an empty folder.
TreeFolder treeOf(const QList<QPair<QString, QByteArray>>& entries);

// Creates the tree's files and folders inside root (which must exist).
bool writeTree(const TreeFolder& tree, const QString& root);

// The bytes a name stands for on disk.
QByteArray nameBytes(const QString& name);

// Removes root and all it holds, whatever the names' bytes.
bool removeTree(const QString& root);

// The catalog a walk of root must produce: a folder's files first, sorted by name as shown
// without regard to case (shown characters, then bytes, break ties), then its subfolders,
// sorted the same way and taken from the last to the first, each completely before the next.
// Names starting with "." are hidden and not catalogued; a file whose name holds a TAB, CR or
// LF is not written, a folder whose name holds one is skipped with all it holds. Every line is
// index TAB path TAB size CR LF, with names in their exact bytes.
// With folderLimit >= 0, only the first folderLimit folders of the walk (empty ones count).
QByteArray expectedCatalog(const TreeFolder& tree, const QString& root, const QString& index,
                           int folderLimit = -1);

// The number of files a walk counts in the tree (hidden ones and those in skipped folders
// excluded).
int countFiles(const TreeFolder& tree);

// A tree of `files` files spread over nested folders, with mixed-case names and varied sizes;
// the same arguments always give the same tree.
TreeFolder generatedTree(int files, int filesPerFolder, int foldersPerFolder);


// Names a walk must handle with care: bytes that are not UTF-8 (U+DCxx) in file and folder
// names, three names that differ only there (the last a real U+FFFD), TAB and line breaks in
// file and folder names, "?", folders named "r--" and "---" (for tests that lock them) and
// entries named "gone..." (for tests that make them vanish).
TreeFolder awkwardTree();
