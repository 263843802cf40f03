#include "platform/core/FolderListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FolderListing {

namespace {
#ifdef Q_OS_UNIX
QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
#endif
} // namespace

bool lessByName(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return a < b;
}

QString normalized(const QString& folder)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

bool read(const QString& folder, Listing* listing, QString* error)
{
    Listing result;
#ifdef Q_OS_UNIX
    // readdir with d_type keeps a listing to one system call per few dozen entries; only links
    // (and file systems that do not fill d_type) need a stat to tell folders from files.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        if (error)
            *error = QStringLiteral("Path not found: %1 (%2)").arg(folder, systemError(errno));
        return false;
    }
    const int fd = ::dirfd(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.') // hidden, and "." and ".."
            continue;
        unsigned char type = entry->d_type;
        bool isLink = type == DT_LNK;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(st.st_mode))
                type = DT_DIR;
            else if (S_ISREG(st.st_mode))
                type = DT_REG;
            else if (S_ISLNK(st.st_mode))
                isLink = true;
        }
        if (isLink) {
            struct stat target;
            if (::fstatat(fd, name, &target, 0) == 0) {
                if (!S_ISREG(target.st_mode))
                    continue; // a link to a folder is never followed; to a device, not a file
            }
            // A dangling link stays listed: its length cannot be read, and the walk says so.
            result.files.append(QFile::decodeName(name));
        } else if (type == DT_DIR) {
            result.folders.append(QFile::decodeName(name));
        } else if (type == DT_REG) {
            result.files.append(QFile::decodeName(name));
        }
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) {
        if (error)
            *error = QStringLiteral("Path not found: %1 (%2)").arg(folder, systemError(readError));
        return false;
    }
#else
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable()) {
        if (error)
            *error = QStringLiteral("Path not found: %1").arg(folder);
        return false;
    }
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : entries) {
        if (info.isDir()) {
            if (!info.isSymLink() && !info.isJunction())
                result.folders.append(info.fileName());
        } else if (info.isFile() || info.isSymLink()) {
            result.files.append(info.fileName());
        }
    }
#endif
    std::sort(result.folders.begin(), result.folders.end(), lessByName);
    std::sort(result.files.begin(), result.files.end(), lessByName);
    *listing = std::move(result);
    return true;
}

bool fileLength(const QString& fullName, qint64* length, QString* error)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(fullName).constData(), &st) != 0) {
        if (error)
            *error = QStringLiteral("File not found: %1 (%2)").arg(fullName, systemError(errno));
        return false;
    }
    *length = st.st_size;
    return true;
#else
    const QFileInfo info(fullName);
    if (!info.exists()) {
        if (error)
            *error = QStringLiteral("File not found: %1").arg(fullName);
        return false;
    }
    *length = info.size();
    return true;
#endif
}

} // namespace FolderListing
