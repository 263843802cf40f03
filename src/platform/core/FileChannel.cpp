#include "platform/core/FileChannel.h"

#include "platform/core/LineEnds.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
bool fail(QString* error, const QString& description)
{
    if (error)
        *error = description;
    return false;
}

// The device and inode of an open file; false where they cannot be known.
bool identityOf(const QFile& file, quint64* device, quint64* inode)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (file.handle() < 0 || ::fstat(file.handle(), &st) != 0)
        return false;
    *device = quint64(st.st_dev);
    *inode = quint64(st.st_ino);
    return true;
#else
    Q_UNUSED(file);
    Q_UNUSED(device);
    Q_UNUSED(inode);
    return false;
#endif
}
} // namespace

FileChannel& FileChannel::instance()
{
    static FileChannel channel;
    return channel;
}

bool FileChannel::checkRegularFile(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.isDir())
        return fail(error, QStringLiteral("Path/File access error: %1 is a folder").arg(path));
    // exists() is false for a dangling link, which then fails to open with its own reason.
    if (info.exists() && !info.isFile())
        return fail(error, QStringLiteral("Cannot open %1: it is not a regular file but a "
                                          "device, pipe or socket")
                               .arg(path));
    return true;
}

FileChannel::FileChannel() = default;

FileChannel::~FileChannel()
{
    close();
}

bool FileChannel::open(const QString& path, Mode mode, QString* error)
{
    if (isOpen())
        return fail(error, QStringLiteral("File already open"));
    if (path.isEmpty())
        return fail(error, QStringLiteral("Bad file name or number"));
    if (!checkRegularFile(path, error))
        return false;
    if (mode == Mode::Input && !QFileInfo::exists(path))
        return fail(error, QStringLiteral("File not found: %1").arg(path));

    // Unbuffered: the channel gathers writes itself, so it always knows which bytes reached the
    // file, and a failure carries the system's own reason.
    QIODevice::OpenMode flags = QIODevice::Unbuffered;
    switch (mode) {
    case Mode::Input:
        flags |= QIODevice::ReadOnly;
        break;
    case Mode::Output:
        flags |= QIODevice::WriteOnly | QIODevice::Truncate;
        break;
    case Mode::Append:
        flags |= QIODevice::WriteOnly | QIODevice::Append;
        break;
    }
    std::unique_ptr<QFile> file = m_factory ? m_factory(path) : std::make_unique<QFile>(path);
    if (!file->open(flags))
        return fail(error, QStringLiteral("Cannot open %1: %2").arg(path, file->errorString()));
    m_device = m_inode = 0;
    identityOf(*file, &m_device, &m_inode);
    return adopt(std::move(file), path, mode, error);
}

bool FileChannel::stillNames(const QString& path) const
{
#ifdef Q_OS_UNIX
    if (m_inode == 0)
        return QFileInfo::exists(path); // a file whose identity could not be read
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0
           && quint64(st.st_dev) == m_device && quint64(st.st_ino) == m_inode;
#else
    return QFileInfo::exists(path);
#endif
}

bool FileChannel::reopen(const QString& path, QString* error)
{
    if (!isOpen() || m_mode == Mode::Input)
        return fail(error, QStringLiteral("Bad file mode"));
    if (!close(error))
        return false;
    const QString moved = QStringLiteral("%1 was moved or deleted during the capture").arg(path);
    // Whatever now has the name (nothing, a folder, a pipe that would block) is not the file.
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return fail(error, moved);
    std::unique_ptr<QFile> file = m_factory ? m_factory(path) : std::make_unique<QFile>(path);
    // ExistingOnly: a file deleted between the look and the open is not created either.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered
                    | QIODevice::ExistingOnly))
        return fail(error, QFileInfo::exists(path)
                               ? QStringLiteral("Cannot open %1: %2").arg(path, file->errorString())
                               : moved);
    quint64 device = 0, inode = 0;
    if (identityOf(*file, &device, &inode) && (device != m_device || inode != m_inode))
        return fail(error, moved); // another file put in its place: left as it is
    return adopt(std::move(file), path, Mode::Append, error);
}

bool FileChannel::adopt(std::unique_ptr<QFile> file, const QString& path, Mode mode, QString* error)
{
    m_file = std::move(file);
    m_path = path;
    m_mode = mode;
    m_pending.resize(0);
    m_failure.clear();
    m_fileEnd = mode == Mode::Append ? m_file->size() : 0;
    m_lineEnd = m_fileEnd;
    if (mode == Mode::Append && !endUnterminatedLastLine(error)) {
        m_file.reset();
        m_path.clear();
        return false;
    }
    return true;
}

// A last line without a line end is a whole record to the reader; without a CR LF after it the
// first appended line would be glued onto it.
bool FileChannel::endUnterminatedLastLine(QString* error)
{
    if (m_fileEnd == 0)
        return true;
    QFile peek(m_path);
    const qint64 from = std::max<qint64>(m_fileEnd - 3, 0); // enough to see a lone byte-order mark
    if (!peek.open(QIODevice::ReadOnly) || !peek.seek(from))
        return true; // a write-only file: nothing can be learnt, nothing is changed
    const QByteArray tail = peek.read(m_fileEnd - from);
    if (!LineEnds::endsInsideLine(tail, m_fileEnd))
        return true;
    m_pending = QByteArrayLiteral("\r\n");
    return push(error);
}

bool FileChannel::isOpen() const
{
    return m_file != nullptr;
}

qint64 FileChannel::read(char* data, qint64 max, QString* error)
{
    if (!isOpen() || m_mode != Mode::Input) {
        fail(error, QStringLiteral("Bad file mode"));
        return -1;
    }
    const qint64 got = m_file->read(data, max);
    if (got < 0 && error)
        *error = QStringLiteral("Cannot read %1: %2").arg(m_path, m_file->errorString());
    return got;
}

qint64 FileChannel::size() const
{
    return isOpen() ? m_file->size() : -1;
}

bool FileChannel::write(const QByteArray& bytes, QString* error)
{
    if (!isOpen() || m_mode == Mode::Input)
        return fail(error, QStringLiteral("Bad file mode"));
    if (!m_failure.isEmpty())
        return fail(error, m_failure);
    if (m_pending.capacity() < kPieceSize)
        m_pending.reserve(2 * kPieceSize);
    m_pending.append(bytes);
    return m_pending.size() < kPieceSize || push(error);
}

bool FileChannel::flush(QString* error)
{
    if (!isOpen() || m_mode == Mode::Input)
        return true;
    if (!m_failure.isEmpty())
        return fail(error, m_failure);
    return push(error);
}

bool FileChannel::push(QString* error)
{
    if (m_pending.isEmpty())
        return true;
    // A short write carries no reason; the next attempt fails with the system's own
    // ("No space left on device").
    const qint64 wrote = m_pending.size();
    for (qint64 done = 0; done < wrote;) {
        const qint64 now = m_file->write(m_pending.constData() + done, wrote - done);
        if (now <= 0)
            return writeFailed(m_pending.constData(), wrote, error);
        done += now;
    }
    const qsizetype linesEnd = LineEnds::wholeLinesEnd(m_pending.constData(), wrote);
    if (linesEnd > 0)
        m_lineEnd = m_fileEnd + linesEnd;
    m_fileEnd += wrote;
    // Emptied but kept: the next piece is gathered in the same memory, not grown afresh.
    m_pending.resize(0);
    return true;
}

// Some of attempted may have reached the file. Whole lines among them stay; a cut-off line is
// removed, so the next append starts on a line of its own.
bool FileChannel::writeFailed(const char* attempted, qint64 size, QString* error)
{
    m_failure = QStringLiteral("Cannot write to %1: %2").arg(m_path, m_file->errorString());
    const qint64 reached = std::clamp<qint64>(m_file->size() - m_fileEnd, 0, size);
    const qint64 linesEnd = LineEnds::wholeLinesEnd(attempted, reached);
    const qint64 cut = linesEnd > 0 ? m_fileEnd + linesEnd : m_lineEnd;
    if (m_file->size() != cut && !m_file->resize(cut))
        m_failure += QStringLiteral("; the cut-off last line could not be removed: %1")
                         .arg(m_file->errorString());
    m_fileEnd = m_lineEnd = cut;
    m_pending.clear();
    return fail(error, m_failure);
}

bool FileChannel::close(QString* error)
{
    if (!isOpen())
        return true;
    bool done = flush(error);
    if (done) {
        m_file->unsetError();
        m_file->close();
        // A network file system may only report a failed write when the file is closed.
        if (m_file->error() != QFileDevice::NoError)
            done = fail(error,
                        QStringLiteral("Cannot write to %1: %2").arg(m_path, m_file->errorString()));
    }
    m_file.reset();
    m_path.clear();
    // Kept for the next open: a capture reopens its catalog every thousand entries.
    m_pending.resize(0);
    m_failure.clear();
    return done;
}
