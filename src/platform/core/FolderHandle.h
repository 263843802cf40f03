#pragma once

#include <QString>
#include <QtGlobal>

// An open folder, closed when its handle goes. A capture measures a folder's files relative to
// the handle of the very folder it listed, never by looking the folder up by its path again: a
// folder renamed or exchanged between its listing and the measuring would otherwise give the
// sizes of another folder's files. Move-only; duplicate() gives a handle of its own, for
// another thread to measure through.
class FolderHandle
{
public:
    FolderHandle() = default;
    ~FolderHandle() { reset(); }
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Opens folder (exact text, FolderListing::fromNative); a closed handle, with a
    // description naming the folder, when it cannot be opened.
    static FolderHandle open(const QString& folder, QString* error);

    bool isOpen() const;
    void reset();
    // The same folder on a handle of its own; closed when the system has no descriptor left.
    FolderHandle duplicate() const;

    // Which folder it is (zero when not known): a folder moved away and another put in its
    // place has another.
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const Identity& o) const { return device == o.device && inode == o.inode; }
        bool operator!=(const Identity& o) const { return !(*this == o); }
    };
    Identity identity() const;

    // The length in bytes of the file whose name, in the system's bytes
    // (FolderListing::toNative), is nativeName, in this folder, following links; false with the
    // reason (FolderListing::fileReason, such as "File not found") when it cannot be read. Every
    // file length of a capture is read here.
    bool fileLength(const char* nativeName, qint64* length, QString* reason) const;

#ifdef Q_OS_UNIX
    // Takes over an open descriptor of a folder.
    explicit FolderHandle(int fd) : m_fd(fd) {}
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
#else
private:
    QString m_path; // without descriptors the folder is named by its path
#endif
};
