#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

class FolderHandle;

// What the folder and file lists show of one folder, read in one pass. Hidden entries (a name
// starting with "." on Unix, the hidden attribute elsewhere) are left out. Subfolders are real
// folders only: a symbolic link to a folder is neither listed nor followed, so a link back to
// a parent cannot make a walk endless. Files are regular files and links that do not lead to a
// folder, dangling links included (their length cannot be read, which the walker reports);
// sockets, pipes and devices are the "system files" that are not listed.
//
// On Unix a name is a string of bytes, usually but not always UTF-8. Names and paths are kept
// as exact text (fromNative): valid UTF-8 as its characters, every other byte as the lone
// surrogate U+DC80 + byte. Two names then never become the same text, and toNative() gives
// back the very bytes to hand to the system, so such files are listed, measured and
// catalogued like any other.
namespace FolderListing {

struct Listing
{
    // Exact names in the order both lists show: by the name as shown (shownName) ignoring
    // case, ties broken by its exact characters and then by its bytes.
    QStringList folders;
    QStringList files;
};

// One folder as a list shows it: its normalized path, the prefix of its entries' full names (the
// path with a separator appended unless it already ends in one, as a root does) and its entries.
struct Shown
{
    QString path;
    QString prefix;
    QStringList folders;
    QStringList files;
};

// Reads the folder; false with a description naming the folder when it cannot be listed, or
// when it can be listed but not entered (its files could not be measured nor its subfolders
// read).
bool read(const QString& folder, Listing* listing, QString* error);

#ifdef Q_OS_UNIX
// read() for a caller that keeps the folder open afterwards (FolderHandle::open): the
// listing is read through the handle, which stays open.
bool readOpenFolder(const FolderHandle& folderHandle, const QString& folder, Listing* listing,
                    QString* error);
#endif

// The reason for a file that cannot be measured, from the system's error number.
QString fileReason(int systemError);

// The description of a folder that cannot be opened or read, from the system's error number.
QString folderError(const QString& folder, int systemError);

// The folder path in the form the lists use: absolute, clean, native separators.
QString normalized(const QString& folder);

// Exact text of a name or path the system gave, and the system's bytes for exact text.
QString fromNative(QByteArrayView bytes);
QByteArray toNative(QStringView text);
void appendNative(QByteArray* out, QStringView text);

// Exact text as a list shows it: bytes that are not UTF-8 become U+FFFD.
QString shownName(const QString& exact);

// Exact text for a one-line message: TAB, CR and LF as \t, \r and \n, bytes that are not
// UTF-8 as \xHH.
QString readable(const QString& exact);

} // namespace FolderListing
