#include "platform/core/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

bool syncFile(QFile& file)
{
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    return FlushFileBuffers(HANDLE(_get_osfhandle(file.handle())));
#else
    Q_UNUSED(file);
    return true;
#endif
}

// The rename itself must reach the disk too, or a power cut could bring the old name back.
void syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

bool renameOver(const QString& from, const QString& to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    // rename() replaces the target in one step; QFile::rename refuses an existing target.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

AtomicFile::AtomicFile(const QString& target) : m_target(target) {}

AtomicFile::~AtomicFile()
{
    if (m_file)
        m_file->close();
    if (!m_committed && !m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

bool AtomicFile::fail(QString* error, const QString& description)
{
    if (m_failure.isEmpty())
        m_failure = description;
    if (error)
        *error = m_failure;
    return false;
}

bool AtomicFile::open(QString* error)
{
    step(Step::Open);
    const QFileInfo info(m_target);
    const QString folder = info.absolutePath();
    // Hidden, so a folder listing during the write (a capture, say) does not show it.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = QStringLiteral("%1/.%2.%3.tmp")
                                 .arg(folder, info.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        auto file = m_factory ? m_factory(name) : std::make_unique<QFile>(name);
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_file = std::move(file);
            m_temporary = name;
            return true;
        }
        // Only a name already taken is worth another try.
        if (!QFileInfo::exists(name))
            return fail(error, QStringLiteral("Cannot write a new file in %1: %2")
                                   .arg(QDir::toNativeSeparators(folder), file->errorString()));
    }
    return fail(error, QStringLiteral("Cannot write a new file in %1: no free temporary name")
                           .arg(QDir::toNativeSeparators(folder)));
}

bool AtomicFile::write(QByteArrayView bytes, QString* error)
{
    if (!m_failure.isEmpty() || !m_file)
        return fail(error, m_failure.isEmpty() ? QStringLiteral("Bad file mode") : m_failure);
    step(Step::Write);
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 now = m_file->write(bytes.data() + done, bytes.size() - done);
        if (now <= 0)
            return fail(error, QStringLiteral("Cannot write to %1: %2")
                                   .arg(QDir::toNativeSeparators(m_temporary), m_file->errorString()));
        done += now;
    }
    return true;
}

bool AtomicFile::commit(QString* error)
{
    if (!m_failure.isEmpty() || !m_file)
        return fail(error, m_failure.isEmpty() ? QStringLiteral("Bad file mode") : m_failure);
    const QString shownTemporary = QDir::toNativeSeparators(m_temporary);
    step(Step::Sync);
    if (!m_file->flush())
        return fail(error, QStringLiteral("Cannot write to %1: %2").arg(shownTemporary, m_file->errorString()));
    if (!syncFile(*m_file))
        return fail(error, QStringLiteral("Cannot write to %1: %2").arg(shownTemporary, systemReason()));
    const QFileInfo old(m_target);
    if (old.exists() && !m_file->setPermissions(old.permissions()))
        return fail(error, QStringLiteral("Cannot give %1 the permissions of %2: %3")
                               .arg(shownTemporary, QDir::toNativeSeparators(m_target),
                                    m_file->errorString()));
    m_file->close();
    if (m_file->error() != QFileDevice::NoError)
        return fail(error, QStringLiteral("Cannot write to %1: %2").arg(shownTemporary, m_file->errorString()));
    m_file.reset();
    step(Step::Rename);
    if (!renameOver(m_temporary, m_target))
        return fail(error, QStringLiteral("Cannot replace %1: %2")
                               .arg(QDir::toNativeSeparators(m_target), systemReason()));
    m_committed = true;
    syncFolder(QFileInfo(m_target).absolutePath());
    return true;
}
