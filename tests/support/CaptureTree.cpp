#include "support/CaptureTree.h"

#include <QFile>

#include <QRegularExpression>

#include <algorithm>
#include <tuple>
#include <cerrno>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

TreeFolder treeOf(const QList<QPair<QString, QByteArray>>& entries)
{
    TreeFolder tree;
    for (const auto& entry : entries) {
        QStringList parts = entry.first.split(QLatin1Char('/'));
        const QString name = parts.takeLast();
        TreeFolder* folder = &tree;
        for (const QString& part : parts) {
            auto& subs = folder->folders;
            auto found = std::find_if(subs.begin(), subs.end(),
                                      [&](const TreeFolder& f) { return f.name == part; });
            folder = found != subs.end() ? &*found : &subs.emplaceBack(TreeFolder{part, {}, {}});
        }
        if (!name.isEmpty())
            folder->files.append({name, entry.second});
    }
    return tree;
}

QByteArray nameBytes(const QString& name)
{
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c)) {
            ++i; // a pair: one character beyond the BMP
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            bytes += QStringView(name).mid(from, i - from).toUtf8();
            bytes += char(c - 0xDC00);
            from = i + 1;
        }
    }
    return bytes + QStringView(name).mid(from).toUtf8();
}

bool writeTree(const TreeFolder& tree, const QString& root)
{
    // Through the system calls, so that names that are not UTF-8 keep their bytes.
    const QByteArray folder = nameBytes(root) + '/';
    for (const auto& file : tree.files) {
        const int fd = ::open((folder + nameBytes(file.first)).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && ::write(fd, file.second.constData(), file.second.size())
                                            == file.second.size();
        if (fd >= 0)
            ::close(fd);
        if (!written)
            return false;
    }
    for (const TreeFolder& sub : tree.folders) {
        const QByteArray path = folder + nameBytes(sub.name);
        if ((::mkdir(path.constData(), 0755) != 0 && errno != EEXIST)
            || !writeTree(sub, root + QLatin1Char('/') + sub.name))
            return false;
    }
    return true;
}

bool removeTree(const QString& root)
{
    // QDir::removeRecursively cannot name entries that are not UTF-8.
    const auto removeOne = [](const char* path, const struct stat*, int, struct FTW*) {
        return ::remove(path);
    };
    return ::nftw(nameBytes(root).constData(), removeOne, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

namespace {
// As the lists show it (bytes that are not UTF-8 as U+FFFD), lower case first, then the shown
// characters, then the bytes: "a" < "B" < "b" < "c".
bool byName(const QString& a, const QString& b)
{
    const QByteArray ba = nameBytes(a), bb = nameBytes(b);
    const QString sa = QString::fromUtf8(ba), sb = QString::fromUtf8(bb);
    return std::make_tuple(sa.toLower(), sa, ba) < std::make_tuple(sb.toLower(), sb, bb);
}

bool hidden(const QString& name) { return name.startsWith(QLatin1Char('.')); }
bool writable(const QString& name) { return !name.contains(QRegularExpression("[\t\r\n]")); }

void appendFolder(const TreeFolder& tree, const QString& path, const QString& index,
                  QByteArray* out, int* foldersLeft)
{
    if (*foldersLeft == 0)
        return;
    --*foldersLeft;
    if (!writable(path))
        return;
    QList<QPair<QString, QByteArray>> files = tree.files;
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return byName(a.first, b.first); });
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const auto& file : files) {
        if (hidden(file.first) || !writable(file.first))
            continue;
        *out += index.toUtf8() + '\t' + nameBytes(prefix + file.first) + '\t'
                + QByteArray::number(file.second.size()) + "\r\n";
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
        n += hidden(sub.name) || !writable(sub.name) ? 0 : countFiles(sub);
    return n;
}

TreeFolder generatedTree(int files, int filesPerFolder, int foldersPerFolder)
{
    // Breadth-first: each folder takes up to filesPerFolder files, then up to foldersPerFolder
    // children are made while files remain.
    TreeFolder root;
    QList<TreeFolder*> queue{&root};
    int made = 0, serial = 0;
    for (int q = 0; q < queue.size() && made < files; ++q) {
        TreeFolder* folder = queue[q];
        for (int i = 0; i < filesPerFolder && made < files; ++i, ++made) {
            const QString name = QStringLiteral("%1ile%2.%3")
                                     .arg(made % 3 == 0 ? QLatin1Char('F') : QLatin1Char('f'))
                                     .arg((made * 7919) % 100000, 5, 10, QLatin1Char('0'))
                                     .arg(made % 2 ? QStringLiteral("txt") : QStringLiteral("Dat"));
            folder->files.append({name, QByteArray(made % 17, 'x')});
        }
        for (int i = 0; i < foldersPerFolder && made < files; ++i)
            folder->folders.append(TreeFolder{QStringLiteral("%1ub%2").arg(i % 2 ? 'S' : 's').arg(++serial), {}, {}});
        for (TreeFolder& child : folder->folders)
            queue.append(&child);
    }
    return root;
}

TreeFolder awkwardTree()
{
    const QString ff = QString(QChar(0xDCFF)), fe = QString(QChar(0xDCFE)), e9 = QString(QChar(0xDCE9));
    return treeOf({{"?", "q"}, {"tab\tfile", "t"}, {"line\nfile", "l"},
                   {"gone1", "g"}, {"gone2", "g"}, {"gone3", "g"}, {"gone4", "g"},
                   {"dup" + ff, "1"}, {"dup" + fe, "22"}, {"dup\xef\xbf\xbd", "333"},
                   {"caf" + e9 + "/f" + e9 + "e", "ffff"}, {"caf" + e9 + "/sub" + ff + "/x", "x"},
                   {"tab\tfolder/inner", "i"}, {"tab\tfolder/deeper/x", "x"},
                   {"plain/cr\rfolder/x", "x"}, {"plain/y", "yy"},
                   {"r--/secret", "s"}, {"---/secret", "s"}, {"gone-folder/x", "x"}, {"zz/z", "z"}});
}
