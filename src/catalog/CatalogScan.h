#pragma once

#include "catalog/CatalogLine.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LineEnds.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The catalog reader's scan, shared by everything that reads a catalog from start to end (the
// loader, the shell's search and summaries): the file read in large pieces cut at line ends,
// and one pass over each piece that finds the line ends, the tabs and whether a line has bytes
// beyond ASCII. Nothing here keeps the file: a reader sees one piece at a time.
namespace CatalogScan {

// Pieces are this large unless asked otherwise (smaller in tests, to put piece ends everywhere).
constexpr qint64 kPieceSize = 8 * 1024 * 1024;

// Whether data[0, size) holds a byte beyond ASCII (a line that may need decoding).
inline bool hasHighByte(const char* data, qsizetype size)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= size; at += 16) {
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at))))
            return true;
    }
#endif
    for (; at < size; ++at) {
        if (uchar(data[at]) >= 0x80)
            return true;
    }
    return false;
}

// Calls line(begin, end, tabs, tabCount, high) for every line ending in data[0, size), the
// first starting after skip bytes (a byte-order mark): the line is data[begin, end), it holds
// tabCount tabs, the first three at tabs[], and high says it has a byte beyond ASCII. With
// last set, the text after the last line end is a line too. Returns false as soon as line
// does.
template <typename Line>
bool forEachLine(const char* data, qsizetype size, qsizetype skip, bool last, Line&& line)
{
    qsizetype begin = skip;
    qsizetype tabs[3] = {0, 0, 0};
    int tabCount = 0;
    auto ended = [&](qsizetype end) {
        return line(begin, end, tabs, std::min(tabCount, 3), hasHighByte(data + begin, end - begin));
    };
    const bool whole = LineEnds::forEachLineEnd<'\t'>(data + skip, size - skip, [&](qsizetype at) {
        at += skip;
        if (data[at] == '\t') {
            if (tabCount < 3)
                tabs[tabCount] = at;
            ++tabCount;
            return true;
        }
        const bool more = ended(at);
        begin = at + LineEnds::endLength(data, at, size);
        tabCount = 0;
        return more;
    });
    if (!whole)
        return false;
    return !last || begin >= size || ended(size);
}

// The three fields of a line as the scan found it, before any unquoting: no TAB gives the whole
// line to all three, one TAB gives the second part to both the name and the size.
inline void rawFields(const char* data, qsizetype begin, qsizetype end, const qsizetype* tabs,
                      int tabCount, QByteArrayView fields[3])
{
    if (tabCount == 0) {
        fields[0] = fields[1] = fields[2] = QByteArrayView(data + begin, end - begin);
        return;
    }
    fields[0] = QByteArrayView(data + begin, tabs[0] - begin);
    const qsizetype nameEnd = tabCount > 1 ? tabs[1] : end;
    fields[1] = QByteArrayView(data + tabs[0] + 1, nameEnd - tabs[0] - 1);
    fields[2] = tabCount == 1 ? fields[1]
                              : QByteArrayView(data + tabs[1] + 1,
                                               (tabCount > 2 ? tabs[2] : end) - tabs[1] - 1);
}

// Whether the three UTF-8 fields fit their widths; if not, error names the first that does not.
bool fitsWidths(const QByteArrayView fields[3], QString* error);

// The fields the loader stores for one line, as UTF-8.
struct LineFields
{
    QByteArrayView fields[3];
    bool utf8 = true;  // the line is UTF-8 (otherwise it was read as Windows-1252)
    bool plain = true; // the fields are the line's own bytes: UTF-8 and nothing unquoted
};

// A line the loader would refuse and the loader's reason: a field wider than its field's
// width, or a field that is a lone double quote. Decoded or unquoted text goes to scratch.
bool generalFields(QByteArrayView line, QByteArray* scratch, LineFields* out, QString* error);

// The fields of the line data[begin, end) that the scan found (see forEachLine), as the loader
// reads them: false with the loader's reason when it stops at this line. A line that is UTF-8
// with no field opening with a double quote (every line a capture writes) is split where it
// lies.
inline bool lineFields(const char* data, qsizetype begin, qsizetype end, const qsizetype* tabs,
                       int tabCount, bool high, QByteArray* scratch, LineFields* out,
                       QString* error)
{
    const QByteArrayView text(data + begin, end - begin);
    if (high && !CatalogLine::isUtf8(text))
        return generalFields(text, scratch, out, error);
    rawFields(data, begin, end, tabs, tabCount, out->fields);
    for (const QByteArrayView& field : out->fields) {
        if (!field.isEmpty() && field.front() == '"')
            return generalFields(text, scratch, out, error);
    }
    out->utf8 = out->plain = true;
    return fitsWidths(out->fields, error);
}

// Reads the catalog open on the channel from where it stands to its end and calls
// block(data, size, skip, last) for every stretch of whole lines, in order: skip is the length
// of a byte-order mark at the start of the first stretch, last marks the final stretch (whose
// end need not be a line end). The buffer grows only for a line longer than half a piece.
// False when a read fails (error names the cause) or as soon as block returns false.
template <typename Block>
bool forEachBlock(FileChannel& channel, QString* error, qint64 pieceSize, Block&& block)
{
    // A small file is read in one piece of its own size.
    const qint64 fileSize = std::max<qint64>(channel.size(), 0);
    const qint64 piece =
        std::clamp<qint64>(fileSize + 1, std::min<qint64>(4096, pieceSize), pieceSize);
    QByteArray buffer;
    qsizetype filled = 0; // bytes read and not yet handed out
    qsizetype skip = -1;  // the byte-order mark's length once known
    bool atEnd = false;
    while (!atEnd) {
        if (buffer.size() - filled < std::max<qint64>(piece / 2, 1))
            buffer.resize(std::max<qsizetype>(filled + piece, buffer.size() * 2));
        const qint64 want = std::min<qint64>(piece, buffer.size() - filled);
        const qint64 got = channel.read(buffer.data() + filled, want, error);
        if (got < 0)
            return false;
        atEnd = got == 0;
        const qsizetype before = filled;
        filled += qsizetype(got);
        const char* data = buffer.constData();
        if (skip < 0) {
            if (filled < 3 && !atEnd)
                continue;
            skip = LineEnds::byteOrderMarkLength(QByteArrayView(data, filled));
        }
        // Nothing before the bytes just read ended a line, but a CR held back last time.
        const qsizetype cut =
            atEnd ? filled : LineEnds::wholeLinesEnd(data, filled, std::max<qsizetype>(before - 1, 0));
        if (cut == 0 && !atEnd)
            continue;
        if (!block(data, cut, skip, atEnd))
            return false;
        skip = 0;
        std::memmove(buffer.data(), data + cut, size_t(filled - cut));
        filled -= cut;
    }
    return true;
}

} // namespace CatalogScan
