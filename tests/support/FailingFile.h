#pragma once

#include <QFile>

#include <algorithm>

#include <unistd.h>

// A file that fails on purpose, standing in for a disk that fills up or goes away: reading or
// writing stops after a set number of bytes with a set reason, opening fails, or closing fails
// (as a network file system reports a lost write only then). The bytes before the failure
// really reach (or come from) the file, as they would on a real disk.
class FailingFile : public QFile
{
public:
    enum class Fault { Open, Read, Write, Close };

    FailingFile(const QString& path, Fault fault, qint64 after = 0,
                const QString& reason = QStringLiteral("No space left on device"))
        : QFile(path), m_fault(fault), m_left(after), m_reason(reason)
    {
    }

    bool open(OpenMode mode) override
    {
        if (m_fault == Fault::Open)
            setErrorString(m_reason);
        return m_fault != Fault::Open && QFile::open(mode);
    }

    void close() override
    {
        // The descriptor taken away first: the system's close then fails, and QFile says so.
        if (m_fault == Fault::Close && handle() >= 0)
            ::close(handle());
        QFile::close();
    }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        if (m_fault != Fault::Read)
            return QFile::readData(data, max);
        if (m_left == 0 && max > 0) {
            setErrorString(m_reason);
            return -1;
        }
        const qint64 got = QFile::readData(data, std::min(max, m_left));
        m_left -= std::max<qint64>(got, 0);
        return got;
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_fault != Fault::Write)
            return QFile::writeData(data, size);
        // Like a disk that fills up: what fits is written, then the write fails.
        const qint64 done = QFile::writeData(data, std::min(size, m_left));
        m_left -= std::max<qint64>(done, 0);
        if (done < size) {
            setErrorString(m_reason);
            return -1;
        }
        return done;
    }

private:
    Fault m_fault;
    qint64 m_left;
    QString m_reason;
};
