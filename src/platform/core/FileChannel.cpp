#include "platform/core/FileChannel.h"

#include <QFileInfo>

FileChannel& FileChannel::instance()
{
    static FileChannel channel;
    return channel;
}

FileChannel::FileChannel() = default;

FileChannel::~FileChannel()
{
    close();
}

bool FileChannel::open(const QString& path, Mode mode, QString* error)
{
    auto fail = [error](const QString& description) {
        if (error)
            *error = description;
        return false;
    };
    if (m_file.isOpen())
        return fail(QStringLiteral("File already open"));
    if (path.isEmpty())
        return fail(QStringLiteral("Bad file name or number"));
    const QFileInfo info(path);
    if (info.isDir())
        return fail(QStringLiteral("Path/File access error: %1 is a folder").arg(path));
    if (mode == Mode::Input && !info.exists())
        return fail(QStringLiteral("File not found: %1").arg(path));

    QIODevice::OpenMode flags;
    switch (mode) {
    case Mode::Input:
        flags = QIODevice::ReadOnly;
        break;
    case Mode::Output:
        flags = QIODevice::WriteOnly | QIODevice::Truncate;
        break;
    case Mode::Append:
        flags = QIODevice::WriteOnly | QIODevice::Append;
        break;
    }
    m_file.setFileName(path);
    if (!m_file.open(flags)) {
        const QString reason = m_file.errorString();
        m_file.setFileName(QString());
        return fail(QStringLiteral("Cannot open %1: %2").arg(path, reason));
    }
    m_path = path;
    m_mode = mode;
    return true;
}

bool FileChannel::isOpen() const
{
    return m_file.isOpen();
}

qint64 FileChannel::read(char* data, qint64 max, QString* error)
{
    if (!m_file.isOpen() || m_mode != Mode::Input) {
        if (error)
            *error = QStringLiteral("Bad file mode");
        return -1;
    }
    const qint64 got = m_file.read(data, max);
    if (got < 0 && error)
        *error = m_file.errorString();
    return got;
}

qint64 FileChannel::size() const
{
    return m_file.isOpen() ? m_file.size() : -1;
}

bool FileChannel::write(const QByteArray& bytes, QString* error)
{
    if (!m_file.isOpen() || m_mode == Mode::Input) {
        if (error)
            *error = QStringLiteral("Bad file mode");
        return false;
    }
    if (m_file.write(bytes) != bytes.size()) {
        if (error)
            *error = QStringLiteral("Cannot write to %1: %2").arg(m_path, m_file.errorString());
        return false;
    }
    return true;
}

bool FileChannel::flush(QString* error)
{
    if (!m_file.isOpen() || m_mode == Mode::Input)
        return true;
    if (!m_file.flush()) {
        if (error)
            *error = QStringLiteral("Cannot write to %1: %2").arg(m_path, m_file.errorString());
        return false;
    }
    return true;
}

bool FileChannel::close(QString* error)
{
    if (!m_file.isOpen())
        return true;
    const bool flushed = flush(error);
    m_file.close();
    m_file.setFileName(QString());
    m_path.clear();
    return flushed;
}
