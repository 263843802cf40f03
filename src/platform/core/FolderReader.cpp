#include "platform/core/FolderReader.h"

#include <QDir>

#ifdef Q_OS_UNIX
#include <cerrno>
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
#ifdef Q_OS_UNIX
    if (m_currentFd >= 0)
        ::close(m_currentFd);
#endif
    m_currentFd = -1;
}

void FolderReader::setCurrent(const QString& folder)
{
    if (folder != m_current)
        release();
    m_current = folder;
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

bool FolderReader::read(const QString& folder, FolderListing::Listing* listing, QString* error)
{
#ifdef Q_OS_UNIX
    // The stamp is taken before the folder is read: a change during the read gives the folder
    // newer times than the stamp, so the listing is not reused afterwards.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct stat st;
    const QByteArray encoded = FolderListing::toNative(folder);
    const bool stamped = ::stat(encoded.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    if (stamped) {
        const Stamp stamp{quint64(st.st_dev), quint64(st.st_ino),
                          qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                          qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
        // Taking permissions away changes the change time too, so such a folder is read, and
        // refused, anew.
        const auto it = m_cache.find(folder);
        if (it != m_cache.end() && it->stamp == stamp) {
            it->lastUse = ++m_uses;
            *listing = it->listing;
            setCurrent(folder);
            return true;
        }
        if (it != m_cache.end())
            m_cache.erase(it);
        ++m_reads;
        FolderListing::Listing fresh;
        if (!FolderListing::read(folder, &fresh, error))
            return false;
        const qint64 settled = (qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000 - kSettleMs)
                               * 1000000;
        if (stamp.modified < settled && stamp.changed < settled)
            remember(folder, stamp, fresh);
        *listing = std::move(fresh);
        setCurrent(folder);
        return true;
    }
#endif
    ++m_reads;
    if (!FolderListing::read(folder, listing, error))
        return false;
    setCurrent(folder);
    return true;
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

bool FolderReader::fileLength(const QString& name, qint64* length, QString* reason)
{
#ifdef Q_OS_UNIX
    if (m_currentFd < 0 && !m_current.isEmpty())
        m_currentFd = ::open(FolderListing::toNative(m_current).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_currentFd >= 0) {
        m_name.truncate(0);
        FolderListing::appendNative(&m_name, name);
        struct stat st;
        if (::fstatat(m_currentFd, m_name.constData(), &st, 0) != 0) {
            if (reason)
                *reason = FolderListing::fileReason(errno);
            return false;
        }
        *length = st.st_size;
        return true;
    }
#endif
    // The folder could not be opened: the whole name is looked up.
    const QString prefix = m_current.isEmpty() || m_current.endsWith(QDir::separator())
                               ? m_current
                               : m_current + QDir::separator();
    return FolderListing::fileLength(prefix + name, length, reason);
}
