#include "cli/Console.h"

#include "platform/core/FolderListing.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace Console {

namespace {

bool writeAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t done = ::write(fd, data, size_t(left));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += done;
        left -= done;
    }
    return true;
}

} // namespace

void error(const QString& text)
{
    note(QByteArray("vellumark-cli: ") + text.toUtf8() + '\n');
}

void note(QByteArrayView text)
{
    writeAll(STDERR_FILENO, text);
}

bool out(QByteArrayView bytes, QString* error)
{
    if (writeAll(STDOUT_FILENO, bytes))
        return true;
    *error = QStringLiteral("cannot write the output: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

bool isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

bool outputDiscarded()
{
    struct stat out {}, null {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && ::stat("/dev/null", &null) == 0
           && S_ISCHR(out.st_mode) && out.st_rdev == null.st_rdev;
}

QString path(const char* argument)
{
    return FolderListing::fromNative(QByteArrayView(argument));
}

} // namespace Console
