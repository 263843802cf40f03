#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

// The catalog line: index value TAB full file name TAB size, ended by CR LF, in the system's
// 8-bit codec (UTF-8 on Linux). No header, no quoting, no padding.
namespace CatalogLine {

// The folder part of a full name: the folder path with a separator appended unless it already
// ends in one (a root such as "/" or "C:\").
QString folderPrefix(const QString& folderPath);

// One record as the bytes written for it, CR LF included.
QByteArray format(QStringView index, QStringView fullName, qint64 size);

// Whether a name can be written without breaking the line structure (no TAB, CR or LF).
bool isWritableName(QStringView name);

// The three field texts of one line (without its line end), split field by field: the text
// up to the first TAB of what remains (all of it when there is none), unquoted when it starts
// with a double quote by dropping its last and then its first character. Two parts fill
// "Filename" and "Size (bytes)" with the second; no TAB fills all three with the whole line.
// A field that is a single double quote cannot be unquoted: the split fails with
// "Invalid procedure call or argument" and fields holds the fields split before it.
struct Split
{
    std::array<QByteArrayView, 3> fields;
    int count = 0; // fields split successfully
    bool ok = false;
};
Split split(QByteArrayView line);

extern const char* const kInvalidArgument;

} // namespace CatalogLine
