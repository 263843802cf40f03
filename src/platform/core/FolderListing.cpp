#include "platform/core/FolderListing.h"

#include "platform/core/FolderHandle.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/syscall.h>
#endif

namespace FolderListing {

namespace {

constexpr char16_t kFirstEscape = 0xDC80; // stands for byte 0x80; U+DCFF for 0xFF

// The position of the first escaped byte in text, or -1. A surrogate pair is a character
// beyond the BMP, whose low half may fall in the escape range: it is no escape.
qsizetype firstEscape(QStringView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xD800)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate())
            ++i;
        else if (c >= kFirstEscape && c <= 0xDCFF)
            return i;
    }
    return -1;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing beyond U+10FFFF); each byte outside
// a valid sequence becomes its escape.
QString decodeExact(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            text.append(QChar(lead));
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length > 0 && i + length <= size;
        for (int k = 1; valid && k < length; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if (valid && length == 3)
            valid = code >= 0x800 && (code < 0xD800 || code > 0xDFFF);
        if (valid && length == 4)
            valid = code >= 0x10000 && code <= 0x10FFFF;
        if (valid) {
            const char32_t one[1] = {code};
            text.append(QString::fromUcs4(one, 1));
            i += length;
        } else {
            text.append(QChar(char16_t(kFirstEscape - 0x80 + lead)));
            ++i;
        }
    }
    return text;
}

bool isAscii(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    unsigned char any = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        any |= p[i];
    return any < 0x80;
}

void appendUtf8(QByteArray* out, QStringView text)
{
    if (text.isEmpty())
        return;
    const qsizetype at = out->size();
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    out->resize(at + encoder.requiredSpace(text.size()));
    char* end = encoder.appendToBuffer(out->data() + at, text);
    out->truncate(end - out->constData());
}

#ifdef Q_OS_UNIX
QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

#endif

// A listed name: its exact text and the text shown for it (the same string when the name is
// valid UTF-8).
struct Entry
{
    QString exact;
    QString shown;
    bool ascii; // every character below 0x80
};

// For two names of ASCII characters alone, the same order as lessEntry below: folding case
// there maps only A-Z to a-z, and the characters compare as the bytes do.
int compareAscii(const QString& a, const QString& b)
{
    const char16_t* p = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* q = reinterpret_cast<const char16_t*>(b.constData());
    const qsizetype common = std::min(a.size(), b.size());
    int exact = 0;
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t c = p[i];
        const char16_t d = q[i];
        if (c == d)
            continue;
        const char16_t fc = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        const char16_t fd = d >= u'A' && d <= u'Z' ? char16_t(d + 32) : d;
        if (fc != fd)
            return fc < fd ? -1 : 1;
        if (exact == 0)
            exact = c < d ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return exact;
}

bool lessEntry(const Entry& a, const Entry& b)
{
    if (a.ascii && b.ascii)
        return compareAscii(a.shown, b.shown) < 0;
    const int folded = QString::compare(a.shown, b.shown, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    if (a.shown != b.shown)
        return a.shown < b.shown;
    // Only names with bytes that are not UTF-8 can look the same.
    return toNative(a.exact) < toNative(b.exact);
}

QStringList sortedNames(std::vector<Entry>& entries)
{
    std::sort(entries.begin(), entries.end(), lessEntry);
    QStringList names;
    names.reserve(qsizetype(entries.size()));
    for (Entry& entry : entries)
        names.append(std::move(entry.exact));
    return names;
}

} // namespace

QString fromNative(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes);
    // The replacement character marks bytes that are not UTF-8 (or a real U+FFFD).
    if (!text.contains(QChar::ReplacementCharacter))
        return text;
    return decodeExact(bytes);
}

void appendNative(QByteArray* out, QStringView text)
{
    // Most names are ASCII alone: their bytes are their characters.
    const char16_t* chars = text.utf16();
    const qsizetype size = text.size();
    char16_t any = 0;
    for (qsizetype i = 0; i < size; ++i)
        any |= chars[i];
    if (any < 0x80) {
        const qsizetype at = out->size();
        out->resize(at + size);
        char* bytes = out->data() + at;
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char(chars[i]);
        return;
    }
    qsizetype from = 0;
    for (qsizetype at = firstEscape(text); at >= 0;) {
        appendUtf8(out, text.mid(from, at - from));
        out->append(char(text[at].unicode() - kFirstEscape + 0x80));
        from = at + 1;
        const qsizetype next = firstEscape(text.mid(from));
        at = next < 0 ? -1 : from + next;
    }
    appendUtf8(out, text.mid(from));
}

QByteArray toNative(QStringView text)
{
    QByteArray bytes;
    appendNative(&bytes, text);
    return bytes;
}

QString shownName(const QString& exact)
{
    return firstEscape(exact) < 0 ? exact : QString::fromUtf8(toNative(exact));
}

QString readable(const QString& exact)
{
    QString text;
    text.reserve(exact.size());
    const qsizetype size = exact.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = exact[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && exact[i + 1].isLowSurrogate()) {
            text.append(exact[i]).append(exact[i + 1]);
            ++i;
        } else if (c >= kFirstEscape && c <= 0xDCFF) {
            text.append(QLatin1String("\\x"))
                .append(QString::number(c - kFirstEscape + 0x80, 16).toUpper());
        } else if (c == u'\t') {
            text.append(QLatin1String("\\t"));
        } else if (c == u'\r') {
            text.append(QLatin1String("\\r"));
        } else if (c == u'\n') {
            text.append(QLatin1String("\\n"));
        } else {
            text.append(QChar(c));
        }
    }
    return text;
}

QString normalized(const QString& folder)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

QString fileReason(int code)
{
#ifdef Q_OS_UNIX
    if (code == ENOENT || code == ENOTDIR)
        return QStringLiteral("File not found");
    return systemError(code);
#else
    Q_UNUSED(code);
    return QStringLiteral("File not found");
#endif
}

QString folderError(const QString& folder, int error)
{
#ifdef Q_OS_UNIX
    const QString what = error == ENOENT || error == ENOTDIR ? QStringLiteral("Path not found")
                                                              : QStringLiteral("Folder cannot be read");
    return QStringLiteral("%1: %2 (%3)").arg(what, readable(folder), systemError(error));
#else
    Q_UNUSED(error);
    return QStringLiteral("Path not found: %1").arg(folder);
#endif
}

#ifdef Q_OS_UNIX
namespace {

// Files one directory entry under folders or files, or leaves it out (hidden, not a folder or
// file, a link to a folder). fd is the folder's descriptor.
void listEntry(int fd, const char* name, unsigned char type, std::vector<Entry>* folders,
               std::vector<Entry>* files)
{
    if (name[0] == '.') // hidden, and "." and ".."
        return;
    bool isLink = type == DT_LNK;
    if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
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
                return; // a link to a folder is never followed; to a device, not a file
        }
        // A dangling link stays listed: its length cannot be read, and the walk says so.
    } else if (type != DT_DIR && type != DT_REG) {
        return;
    }
    const QByteArrayView bytes(name);
    Entry listed;
    listed.ascii = isAscii(bytes);
    if (listed.ascii) {
        listed.shown = QString::fromLatin1(bytes.data(), bytes.size());
        listed.exact = listed.shown;
    } else {
        listed.shown = QString::fromUtf8(bytes);
        listed.exact =
            listed.shown.contains(QChar::ReplacementCharacter) ? decodeExact(bytes) : listed.shown;
    }
    (type == DT_DIR && !isLink ? folders : files)->push_back(std::move(listed));
}

// Every entry of the open folder, in the order the system gives them; the system's error
// number, or 0.
int listEntries(int fd, std::vector<Entry>* folders, std::vector<Entry>* files)
{
#ifdef Q_OS_LINUX
    // getdents64 straight on the folder's own descriptor: readdir would need a second
    // descriptor (fdopendir takes the one it is given) and a buffer allocated per folder.
    struct LinuxDirent64
    {
        quint64 ino;
        qint64 offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };
    alignas(8) char buffer[32 * 1024];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + at);
            listEntry(fd, entry->name, entry->type, folders, files);
            at += entry->length;
        }
    }
#else
    const int own = ::dup(fd);
    DIR* dir = own < 0 ? nullptr : ::fdopendir(own);
    if (!dir) {
        const int openError = errno;
        if (own >= 0)
            ::close(own);
        return openError;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        listEntry(fd, entry->d_name, entry->d_type, folders, files);
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    return readError;
#endif
}

} // namespace

bool readOpenFolder(const FolderHandle& handle, const QString& folder, Listing* listing,
                    QString* error)
{
    const int fd = handle.fd();
    // A folder that can be read but not entered (no search permission) lists names whose
    // lengths and subfolders are all out of reach: refused as a whole, once.
    struct stat self;
    if (::fstatat(fd, ".", &self, 0) != 0) {
        const int enterError = errno;
        if (error)
            *error = QStringLiteral("Folder cannot be entered: %1 (%2)")
                         .arg(readable(folder), systemError(enterError));
        return false;
    }
    // d_type keeps a listing to one system call per few dozen entries; only links (and file
    // systems that do not fill d_type) need a stat to tell folders from files.
    std::vector<Entry> folders;
    std::vector<Entry> files;
    if (const int readError = listEntries(fd, &folders, &files)) {
        if (error)
            *error = folderError(folder, readError);
        return false;
    }
    listing->folders = sortedNames(folders);
    listing->files = sortedNames(files);
    return true;
}
#endif

bool read(const QString& folder, Listing* listing, QString* error)
{
#ifdef Q_OS_UNIX
    const FolderHandle handle = FolderHandle::open(folder, error);
    return handle.isOpen() && readOpenFolder(handle, folder, listing, error);
#else
    std::vector<Entry> folders;
    std::vector<Entry> files;
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
                folders.push_back({info.fileName(), info.fileName(), false});
        } else if (info.isFile() || info.isSymLink()) {
            files.push_back({info.fileName(), info.fileName(), false});
        }
    }
    listing->folders = sortedNames(folders);
    listing->files = sortedNames(files);
    return true;
#endif
}

} // namespace FolderListing
