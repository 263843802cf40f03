#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

// The catalog line: index value TAB full file name TAB size, ended by CR LF, in the system's
// 8-bit codec (UTF-8 on Linux). No header, no quoting, no padding.
//
// Reading is more lenient than writing. Where lines begin and end is LineEnds' to say (CR LF,
// a lone LF and a lone CR each end one; a byte-order mark belongs to no line); every reader of
// a catalog (the loader, the first-line check, the captured-files view) decodes a line through
// the routines here: a line that is not valid UTF-8 is Windows-1252.
namespace CatalogLine {

// The folder part of a full name: the folder path with a separator appended unless it already
// ends in one (a root such as "/" or "C:\").
QString folderPrefix(const QString& folderPath);

// The one encoder of a catalog line. The index value and the folder part are encoded once;
// each line adds the name and the size into a buffer reused from line to line, so a folder of
// many files costs no allocation per line. Names go out as the exact bytes the system gave
// them (FolderListing::toNative), so a file whose name is not UTF-8 is catalogued as it is.
class Writer
{
public:
    Writer(QStringView index, QStringView folderPrefix);
    // index TAB prefix and name TAB size CR LF; valid until the next call.
    const QByteArray& line(QStringView name, qint64 size);

private:
    QByteArray m_head;
    QByteArray m_line;
};

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
// A line that is not UTF-8 (read as Windows-1252) may be split on its own bytes too: utf8
// false makes its last character one byte.
Split split(QByteArrayView line, bool utf8 = true);

extern const char* const kInvalidArgument;

// Whether the line is strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF);
// otherwise the whole line is Windows-1252.
bool isUtf8(QByteArrayView line);

// The bytes of a line, or of its beginning, as UTF-8 under the encoding of the whole line:
// the bytes themselves when it is UTF-8, else their Windows-1252 reading, built in scratch.
QByteArrayView toUtf8(QByteArrayView bytes, bool lineIsUtf8, QByteArray* scratch);

// A whole line as UTF-8.
inline QByteArrayView decode(QByteArrayView line, QByteArray* scratch)
{
    return toUtf8(line, isUtf8(line), scratch);
}

} // namespace CatalogLine
