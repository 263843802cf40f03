#include "platform/core/FolderHandle.h"

#include "platform/core/FolderListing.h"

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDir>
#include <QFileInfo>
#endif

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
{
    *this = std::move(other);
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        reset();
#ifdef Q_OS_UNIX
        m_fd = std::exchange(other.m_fd, -1);
#else
        m_path = std::exchange(other.m_path, QString());
#endif
    }
    return *this;
}

#ifdef Q_OS_UNIX

FolderHandle FolderHandle::open(const QString& folder, QString* error)
{
    const int fd =
        ::open(FolderListing::toNative(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && error)
        *error = FolderListing::folderError(folder, errno);
    return FolderHandle(fd);
}

bool FolderHandle::isOpen() const
{
    return m_fd >= 0;
}

void FolderHandle::reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

FolderHandle FolderHandle::duplicate() const
{
    return FolderHandle(m_fd < 0 ? -1 : ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0));
}

FolderHandle::Identity FolderHandle::identity() const
{
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

bool FolderHandle::fileLength(const char* nativeName, qint64* length, QString* reason) const
{
    struct stat st;
    if (::fstatat(m_fd, nativeName, &st, 0) != 0) {
        if (reason)
            *reason = FolderListing::fileReason(errno);
        return false;
    }
    *length = st.st_size;
    return true;
}

#else

FolderHandle FolderHandle::open(const QString& folder, QString* error)
{
    FolderHandle handle;
    if (QFileInfo(folder).isDir())
        handle.m_path = folder;
    else if (error)
        *error = QStringLiteral("Path not found: %1").arg(folder);
    return handle;
}

bool FolderHandle::isOpen() const
{
    return !m_path.isEmpty();
}

void FolderHandle::reset()
{
    m_path.clear();
}

FolderHandle FolderHandle::duplicate() const
{
    FolderHandle copy;
    copy.m_path = m_path;
    return copy;
}

FolderHandle::Identity FolderHandle::identity() const
{
    return {};
}

bool FolderHandle::fileLength(const char* nativeName, qint64* length, QString* reason) const
{
    const QFileInfo info(QDir(m_path), QString::fromUtf8(nativeName));
    if (!info.exists()) {
        if (reason)
            *reason = FolderListing::fileReason(0);
        return false;
    }
    *length = info.size();
    return true;
}

#endif
