#pragma once

#include <QString>
#include <QStringList>

// What the folder and file lists show of one folder, read in one pass. Hidden entries (a name
// starting with "." on Unix, the hidden attribute elsewhere) are left out. Subfolders are real
// folders only: a symbolic link to a folder is neither listed nor followed, so a link back to
// a parent cannot make a walk endless. Files are regular files and links that do not lead to a
// folder, dangling links included (their length cannot be read, which the walker reports);
// sockets, pipes and devices are the "system files" that are not listed.
namespace FolderListing {

struct Listing
{
    QStringList folders; // names, sorted with lessByName
    QStringList files;   // names, sorted with lessByName
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

// Reads the folder; false with a description naming the folder when it cannot be listed.
bool read(const QString& folder, Listing* listing, QString* error);

// The order both lists show: by name ignoring case, ties broken by the exact characters.
bool lessByName(const QString& a, const QString& b);

// The length in bytes of a file, following links; false with a description when it cannot be
// read (gone, dangling link, no permission).
bool fileLength(const QString& fullName, qint64* length, QString* error);

// The folder path in the form the lists use: absolute, clean, native separators.
QString normalized(const QString& folder);

} // namespace FolderListing
