#include "cli/PieceReader.h"

#include "catalog/CatalogLine.h"
#include "platform/core/LineEnds.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How much more is read at a time to find the end of the line that crosses a stretch's end.
constexpr qint64 kMore = 4096;

// The bytes of the file from offset on, as far as they have been read.
struct Window
{
    int fd = -1;
    qint64 fileSize = 0;
    qint64 offset = 0;
    QByteArray bytes;
    int systemError = 0;

    ~Window()
    {
        if (fd >= 0)
            ::close(fd);
    }
    qint64 end() const { return offset + bytes.size(); }
    char at(qint64 position) const { return bytes.at(qsizetype(position - offset)); }

    void start(qint64 from)
    {
        offset = from;
        bytes.resize(0);
    }

    // Reads on until the window reaches until (or the file's end); false on a read error.
    bool extend(qint64 until)
    {
        until = std::min(until, fileSize);
        while (end() < until) {
            const qsizetype have = bytes.size();
            bytes.resize(qsizetype(until - offset));
            const ssize_t got =
                ::pread(fd, bytes.data() + have, size_t(bytes.size() - have), offset + have);
            bytes.resize(have + std::max<qsizetype>(got, 0));
            if (got < 0 && errno != EINTR) {
                systemError = errno;
                return false;
            }
            if (got == 0) // the file became shorter: its end is here
                fileSize = end();
        }
        return true;
    }

    // The first position at or after p where a line starts (just after CR LF, a lone CR or a
    // lone LF), the file's size when none does; -1 when reading failed.
    qint64 lineStartFrom(qint64 p)
    {
        if (p <= 0)
            return 0;
        if (p >= fileSize)
            return fileSize;
        if (!extend(p + 1))
            return -1;
        qint64 end = -1; // the line end that decides
        if (at(p - 1) == '\n' || at(p - 1) == '\r') {
            end = p - 1;
        } else {
            for (qint64 q = p; end < 0;) {
                if (q >= this->end() && (this->end() >= fileSize || !extend(this->end() + kMore)))
                    return this->end() >= fileSize ? fileSize : -1;
                const char* from = bytes.constData() + (q - offset);
                const char* stop = bytes.constData() + bytes.size();
                const char* found = std::find_if(from, stop, [](char c) { return c == '\n' || c == '\r'; });
                q += found - from;
                if (found != stop)
                    end = q;
            }
        }
        if (at(end) == '\n')
            return end + 1;
        if (!extend(end + 2))
            return -1;
        return end + 1 < this->end() && at(end + 1) == '\n' ? end + 2 : end + 1;
    }
};

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

bool PieceReader::read(const QString& path, int workers, const Scan& scan, const Deliver& deliver,
                       QString* error, qint64 stretch)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) {
        *error = systemReason(errno);
        return false;
    }
    const qint64 fileSize = status.st_size;
    const qint64 stretches = (fileSize + stretch - 1) / stretch;
    workers = int(std::clamp<qint64>(stretches, 1, std::max(workers, 1)));

    std::mutex mutex;
    std::condition_variable turnChanged;
    qint64 turn = 0;     // the stretch whose results go out next
    bool stopped = false;
    QString failure;     // the first read error, in file order

    auto work = [&](int worker) {
        Window window;
        window.fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        window.fileSize = fileSize;
        if (window.fd < 0)
            window.systemError = errno;
        for (qint64 k = worker; k < stretches; k += workers) {
            const qint64 start = k * stretch;
            const qint64 end = std::min(start + stretch, fileSize);
            bool scanned = false;
            qint64 first = -1, next = -1;
            if (window.systemError == 0) {
                window.start(std::max<qint64>(start - 1, 0));
                if (window.extend(end + kMore)) { // with the end of the line across the edge, mostly
                    first = window.lineStartFrom(start);
                    next = first < 0 ? -1 : window.lineStartFrom(end);
                }
            }
            const bool read = first >= 0 && next >= 0;
            if (read) {
                const qsizetype skip =
                    start == 0 ? LineEnds::byteOrderMarkLength(QByteArrayView(window.bytes).first(
                                     std::min<qsizetype>(window.bytes.size(), 3)))
                               : 0;
                const char* data = window.bytes.constData() + (first - window.offset);
                scanned = scan(worker, data, qsizetype(std::max<qint64>(next - first, 0)), skip,
                               next >= window.fileSize);
            }
            std::unique_lock<std::mutex> lock(mutex);
            turnChanged.wait(lock, [&] { return turn == k || stopped; });
            if (stopped)
                return;
            if (!read) {
                failure = systemReason(window.systemError ? window.systemError : EIO);
                stopped = true;
            } else if (!deliver(worker, scanned)) {
                stopped = true;
            }
            turn = k + 1;
            turnChanged.notify_all();
            if (stopped)
                return;
        }
    };

    std::vector<std::thread> others;
    for (int w = 1; w < workers; ++w) {
        try {
            others.emplace_back(work, w);
        } catch (const std::system_error&) {
            // No thread to be had: this one reads everything, in order.
            {
                const std::lock_guard<std::mutex> lock(mutex);
                stopped = true;
                turnChanged.notify_all();
            }
            for (std::thread& other : others)
                other.join();
            return read(path, 1, scan, deliver, error, stretch);
        }
    }
    work(0);
    for (std::thread& other : others)
        other.join();
    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    return true;
}
