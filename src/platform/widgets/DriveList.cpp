#include "platform/widgets/DriveList.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSignalBlocker>

#include <algorithm>

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    refresh();
    connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { emit driveChanged(itemData(index).toString()); });
}

bool DriveList::isUserVolume(const QStorageInfo& volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    if (root == QLatin1String("/"))
        return true;
    static const QSet<QByteArray> pseudo = {
        "proc", "sysfs", "cgroup", "cgroup2", "devtmpfs", "devpts", "mqueue", "securityfs",
        "debugfs", "tracefs", "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs",
        "binfmt_misc", "efivarfs", "nsfs", "rpc_pipefs", "selinuxfs", "ramfs", "squashfs",
        "fuse.gvfsd-fuse", "fuse.portal", "overlay", "shm"};
    if (pseudo.contains(volume.fileSystemType()))
        return false;
    // Mounts inside the system's own trees, and the bind mounts a container runtime keeps.
    static const char* const systemTrees[] = {"/proc", "/sys", "/dev", "/run", "/snap",
                                              "/var/lib/docker", "/var/lib/containers",
                                              "/boot/efi"};
    for (const char* tree : systemTrees) {
        const QString prefix = QString::fromLatin1(tree);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return false;
    }
    // A single file bind-mounted over another (container resolv.conf, hosts) is no drive.
    return QFileInfo(root).isDir();
}

void DriveList::refresh()
{
    const QString chosen = drive();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (isUserVolume(volume))
            roots.append(QDir::toNativeSeparators(volume.rootPath()));
    }
    const QString systemRoot = QDir::toNativeSeparators(QDir::rootPath());
    if (!roots.contains(systemRoot))
        roots.append(systemRoot);
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end());
    const QSignalBlocker blocker(this);
    clear();
    for (const QString& root : roots)
        addItem(root, root);
    const int index = findData(chosen);
    setCurrentIndex(index >= 0 ? index : 0);
}

QString DriveList::drive() const
{
    return currentData().toString();
}

void DriveList::setDriveOf(const QString& path)
{
    const QString native = QDir::toNativeSeparators(QDir(path).absolutePath());
    int best = -1;
    int bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const QString withSeparator = root.endsWith(QDir::separator()) ? root : root + QDir::separator();
        const bool inside = native == root || native.startsWith(withSeparator);
        if (inside && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(best);
    }
}
