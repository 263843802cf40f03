#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The catalog line: index value TAB full file name TAB size, ended by CR LF, in the system's
// 8-bit codec (UTF-8 on Linux). No header, no quoting, no padding.
//
// Reading is more lenient than writing, and every reader of a catalog (the loader, the
// first-line check, the captured-files view) reads through the routines here: CR LF, a lone LF
// and a lone CR each end a line, a last line without an end is a line too, a UTF-8 byte-order
// mark at the start of the file belongs to no line, and a line that is not valid UTF-8 is
// Windows-1252.
namespace CatalogLine {

// The folder part of a full name: the folder path with a separator appended unless it already
// ends in one (a root such as "/" or "C:\").
QString folderPrefix(const QString& folderPath);

// One record as the bytes written for it, CR LF included.
QByteArray format(QStringView index, QStringView fullName, qint64 size);

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

// 3 when bytes (the start of a file) open with a UTF-8 byte-order mark, else 0. A mark is
// skipped when read and never written.
qsizetype byteOrderMarkLength(QByteArrayView bytes);

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

namespace detail {

// Calls hit(at) for the first byte of every line end in data[0, size) (a CR, or an LF that no
// CR precedes within data), in order, until hit returns false (then returns false). Sixteen
// bytes are compared at a time: on short catalog lines one search call per line costs more in
// call overhead than in scanning.
template <typename Hit>
bool forEachLineEnd(const char* data, qsizetype size, Hit hit)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    unsigned crBefore = 0; // the previous sixteen bytes ended with a CR
    for (; at + 16 <= size; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        const __m128i isCr = _mm_cmpeq_epi8(chunk, cr);
        const unsigned ends =
            unsigned(_mm_movemask_epi8(_mm_or_si128(isCr, _mm_cmpeq_epi8(chunk, lf))));
        if (!ends) { // most of a catalog's sixteen-byte stretches
            crBefore = 0;
            continue;
        }
        const unsigned crs = unsigned(_mm_movemask_epi8(isCr));
        unsigned mask = crs | (ends & ~crs & ~((crs << 1) | crBefore));
        crBefore = crs >> 15;
        while (mask) {
            if (!hit(at + __builtin_ctz(mask)))
                return false;
            mask &= mask - 1;
        }
    }
#endif
    for (; at < size; ++at) {
        const bool end = data[at] == '\r' || (data[at] == '\n' && (at == 0 || data[at - 1] != '\r'));
        if (end && !hit(at))
            return false;
    }
    return true;
}

} // namespace detail

// Calls line(begin, end) for every line that ends in data[0, size): the line is
// data[begin, end), its end starts at data[end]. Returns where the rest without a line end
// begins (size when the data ends with a line end), or -1 when line returned false.
// An LF that opens data is a line end of its own: a caller that reads in pieces drops the LF
// of a CR LF split between two pieces itself (LineSplitter does).
template <typename Line>
qsizetype forEachEndedLine(const char* data, qsizetype size, Line line)
{
    qsizetype begin = 0;
    const bool completed = detail::forEachLineEnd(data, size, [&](qsizetype at) {
        const bool more = line(begin, at);
        begin = at + (data[at] == '\r' && at + 1 < size && data[at + 1] == '\n' ? 2 : 1);
        return more;
    });
    return completed ? begin : -1;
}

// Splits a file read in pieces into lines. A line is handed out as a view into the piece, or
// into a carry buffer when it spans pieces, valid during the call; the first line comes
// without a byte-order mark.
class LineSplitter
{
public:
    // Hands line(QByteArrayView) every line that piece completes; false as soon as line
    // returns false.
    template <typename Line>
    bool feed(QByteArrayView piece, Line line)
    {
        qsizetype from = 0;
        if (m_dropLf && !piece.isEmpty()) {
            m_dropLf = false;
            from = piece.front() == '\n' ? 1 : 0;
        }
        const char* data = piece.data() + from;
        const qsizetype size = piece.size() - from;
        const qsizetype rest = forEachEndedLine(data, size, [&](qsizetype begin, qsizetype end) {
            if (m_carry.isEmpty())
                return hand(QByteArrayView(data + begin, end - begin), line);
            m_carry.append(data + begin, end - begin);
            const bool more = hand(QByteArrayView(m_carry), line);
            m_carry.resize(0);
            return more;
        });
        if (rest < 0)
            return false;
        m_carry.append(data + rest, size - rest);
        m_dropLf = size > 0 && data[size - 1] == '\r'; // its LF may open the next piece
        return true;
    }

    // Hands out the last line when the file does not end with a line end.
    template <typename Line>
    bool finish(Line line)
    {
        if (m_carry.isEmpty())
            return true;
        const bool more = hand(QByteArrayView(m_carry), line);
        m_carry.clear();
        return more;
    }

private:
    template <typename Line>
    bool hand(QByteArrayView text, Line& line)
    {
        if (m_first) {
            m_first = false;
            text = text.sliced(byteOrderMarkLength(text));
        }
        return line(text);
    }

    QByteArray m_carry;
    bool m_dropLf = false;
    bool m_first = true;
};

} // namespace CatalogLine
