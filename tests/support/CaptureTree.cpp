#include "support/CaptureTree.h"

#include <QDir>
#include <QFile>

#include <algorithm>

TreeFolder& TreeFolder::folder(const QString& folderName)
{
    for (TreeFolder& f : folders) {
        if (f.name == folderName)
            return f;
    }
    folders.append(TreeFolder{folderName, {}, {}});
    return folders.last();
}

TreeFolder treeOf(const QList<QPair<QString, QByteArray>>& entries)
{
    TreeFolder tree;
    for (const auto& entry : entries) {
        QStringList parts = entry.first.split(QLatin1Char('/'));
        const QString name = parts.takeLast();
        TreeFolder* folder = &tree;
        for (const QString& part : parts)
            folder = &folder->folder(part);
        if (!name.isEmpty())
            folder->file(name, entry.second);
    }
    return tree;
}

bool writeTree(const TreeFolder& tree, const QString& root)
{
    for (const auto& file : tree.files) {
        QFile f(root + QLatin1Char('/') + file.first);
        if (!f.open(QIODevice::WriteOnly) || f.write(file.second) != file.second.size())
            return false;
    }
    for (const TreeFolder& sub : tree.folders) {
        const QString path = root + QLatin1Char('/') + sub.name;
        if (!QDir().mkpath(path) || !writeTree(sub, path))
            return false;
    }
    return true;
}

namespace {
// Lower-case comparison first, then code units: "a" < "B" < "b" < "c".
bool byName(const QString& a, const QString& b)
{
    const QString la = a.toLower();
    const QString lb = b.toLower();
    if (la != lb)
        return la < lb;
    return a < b;
}

bool hidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

void appendFolder(const TreeFolder& tree, const QString& path, const QString& index,
                  QByteArray* out, int* foldersLeft)
{
    if (*foldersLeft == 0)
        return;
    --*foldersLeft;
    QList<QPair<QString, QByteArray>> files = tree.files;
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return byName(a.first, b.first); });
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const auto& file : files) {
        if (hidden(file.first) || file.first == QLatin1String("?"))
            continue;
        out->append(index.toUtf8());
        out->append('\t');
        out->append((prefix + file.first).toUtf8());
        out->append('\t');
        out->append(QByteArray::number(file.second.size()));
        out->append("\r\n");
    }
    QList<TreeFolder> folders = tree.folders;
    std::sort(folders.begin(), folders.end(),
              [](const TreeFolder& a, const TreeFolder& b) { return byName(a.name, b.name); });
    for (auto it = folders.crbegin(); it != folders.crend(); ++it) {
        if (!hidden(it->name))
            appendFolder(*it, prefix + it->name, index, out, foldersLeft);
    }
}
} // namespace

QByteArray expectedCatalog(const TreeFolder& tree, const QString& root, const QString& index,
                           int folderLimit)
{
    QByteArray out;
    appendFolder(tree, root, index, &out, &folderLimit);
    return out;
}

int countFiles(const TreeFolder& tree)
{
    int n = 0;
    for (const auto& file : tree.files)
        n += hidden(file.first) ? 0 : 1;
    for (const TreeFolder& sub : tree.folders)
        n += hidden(sub.name) ? 0 : countFiles(sub);
    return n;
}

TreeFolder generatedTree(int files, int filesPerFolder, int foldersPerFolder)
{
    // Breadth-first: each folder takes up to filesPerFolder files, then up to foldersPerFolder
    // children are made while files remain.
    TreeFolder root;
    QList<TreeFolder*> queue{&root};
    int made = 0;
    int serial = 0;
    for (int q = 0; q < queue.size() && made < files; ++q) {
        TreeFolder* folder = queue[q];
        for (int i = 0; i < filesPerFolder && made < files; ++i, ++made) {
            const QString name = QStringLiteral("%1ile%2.%3")
                                     .arg(made % 3 == 0 ? QLatin1Char('F') : QLatin1Char('f'))
                                     .arg((made * 7919) % 100000, 5, 10, QLatin1Char('0'))
                                     .arg(made % 2 ? QStringLiteral("txt") : QStringLiteral("Dat"));
            folder->file(name, QByteArray(made % 17, 'x'));
        }
        for (int i = 0; i < foldersPerFolder && made < files; ++i) {
            folder->folders.append(
                TreeFolder{QStringLiteral("%1ub%2").arg(i % 2 ? 'S' : 's').arg(++serial), {}, {}});
        }
        for (TreeFolder& child : folder->folders)
            queue.append(&child);
    }
    return root;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
