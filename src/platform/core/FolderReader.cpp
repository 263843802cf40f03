#include "platform/core/FolderReader.h"

#include <QDir>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FolderReader::~FolderReader()
{
    release();
}

void FolderReader::release()
{
    m_handle.reset();
}

void FolderReader::setCurrent(const QString& folder, FolderHandle::Identity listed)
{
    // A handle still open on the same path may be of a folder that has been replaced since.
    if (folder != m_current || listed != m_listed)
        release();
    m_current = folder;
    m_listed = listed;
}

bool FolderReader::show(const QString& path, FolderListing::Shown* shown, QString* error)
{
    const QString folder = FolderListing::normalized(path);
    FolderListing::Listing listing;
    if (!read(folder, &listing, error))
        return false;
    shown->path = folder;
    shown->prefix = folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
    shown->folders = std::move(listing.folders);
    shown->files = std::move(listing.files);
    return true;
}

#ifdef Q_OS_UNIX
namespace {
FolderReader::Stamp stampOf(const struct stat& st)
{
    return {quint64(st.st_dev), quint64(st.st_ino),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}
} // namespace
#endif

bool FolderReader::read(const QString& folder, FolderListing::Listing* listing, QString* error)
{
#ifdef Q_OS_UNIX
    // The stamp is taken before the folder is read: a change during the read gives the folder
    // newer times than the stamp, so the listing is not reused afterwards.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // Taking permissions away changes the change time too, so such a folder is read, and
    // refused, anew.
    const auto it = m_cache.find(folder);
    if (it != m_cache.end()) {
        struct stat st;
        if (::stat(FolderListing::toNative(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode)
            && stampOf(st) == it->stamp) {
            it->lastUse = ++m_uses;
            *listing = it->listing;
            setCurrent(folder, {it->stamp.device, it->stamp.inode});
            return true;
        }
        m_cache.erase(it);
    }
    ++m_reads;
    // Opened once: the stamp, the listing and then the files' lengths all go through this one
    // descriptor, so the path is looked up once per folder.
    FolderHandle handle = FolderHandle::open(folder, error);
    if (!handle.isOpen())
        return false;
    struct stat st;
    const bool stamped = ::fstat(handle.fd(), &st) == 0;
    FolderListing::Listing fresh;
    if (!FolderListing::readOpenFolder(handle, folder, &fresh, error))
        return false;
    if (stamped) {
        const Stamp stamp = stampOf(st);
        const qint64 settled = (qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000 - kSettleMs)
                               * 1000000;
        if (stamp.modified < settled && stamp.changed < settled)
            remember(folder, stamp, fresh);
    }
    *listing = std::move(fresh);
    m_current = folder;
    m_listed = stamped ? FolderHandle::Identity{quint64(st.st_dev), quint64(st.st_ino)}
                       : handle.identity();
    m_handle = std::move(handle);
    return true;
#else
    ++m_reads;
    if (!FolderListing::read(folder, listing, error))
        return false;
    setCurrent(folder, {});
    return true;
#endif
}

void FolderReader::remember(const QString& folder, const Stamp& stamp,
                            const FolderListing::Listing& listing)
{
    if (m_cache.size() >= kCacheSize) {
        auto oldest = m_cache.begin();
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        }
        m_cache.erase(oldest);
    }
    m_cache.insert(folder, Cached{stamp, listing, ++m_uses});
}

bool FolderReader::openCurrent(QString* reason)
{
    if (m_handle.isOpen())
        return true;
    if (m_current.isEmpty()) {
        if (reason)
            *reason = FolderListing::fileReason(ENOENT);
        return false;
    }
    QString error;
    FolderHandle handle = FolderHandle::open(m_current, &error);
    if (!handle.isOpen()) {
        if (reason)
            *reason = error;
        return false;
    }
    if (handle.identity() != m_listed) {
        if (reason)
            *reason = QStringLiteral("the folder was moved or replaced after it was listed");
        return false;
    }
    m_handle = std::move(handle);
    return true;
}

bool FolderReader::fileLength(const QString& name, qint64* length, QString* reason)
{
    if (!openCurrent(reason))
        return false;
    m_name.truncate(0);
    FolderListing::appendNative(&m_name, name);
    return m_handle.fileLength(m_name.constData(), length, reason);
}

FolderHandle FolderReader::duplicateCurrent(QString* reason)
{
    return openCurrent(reason) ? m_handle.duplicate() : FolderHandle();
}
