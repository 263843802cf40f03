#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Where the lines of a catalog (and of any text file the program shows) begin and end. This is
// the one statement of the rules; the loader, the first-line check, the captured-files view and
// the file channel, which keeps a catalog to whole lines, all go through it:
// - CR LF, a lone CR and a lone LF each end a line; the writer only ever writes CR LF;
// - the text after the last line end is a last line too, when there is any;
// - a UTF-8 byte-order mark at the very start belongs to no line, so a file holding only one
//   holds no line at all, like an empty file.
namespace LineEnds {

// 3 when bytes (the start of a file) open with a UTF-8 byte-order mark, else 0. A mark is
// skipped when read and never written.
inline qsizetype byteOrderMarkLength(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

// Calls hit(at) for the first byte of every line end in data[0, size) (a CR, or an LF that no
// CR precedes within data), in order, until hit returns false (then returns false); and, when
// extra is not 0, calls hit(at) for every byte equal to extra as well (a field separator), so
// that a caller looking for both scans once. Sixteen bytes are compared at a time: on short
// lines one search call per line costs more in call overhead than in scanning.
template <char extra = 0, typename Hit>
bool forEachLineEnd(const char* data, qsizetype size, Hit hit)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i other = _mm_set1_epi8(extra);
    unsigned crBefore = 0; // the previous sixteen bytes ended with a CR
    for (; at + 16 <= size; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        const __m128i isCr = _mm_cmpeq_epi8(chunk, cr);
        __m128i any = _mm_or_si128(isCr, _mm_cmpeq_epi8(chunk, lf));
        if (extra != 0)
            any = _mm_or_si128(any, _mm_cmpeq_epi8(chunk, other));
        const unsigned events = unsigned(_mm_movemask_epi8(any));
        if (!events) { // most of a catalog's sixteen-byte stretches
            crBefore = 0;
            continue;
        }
        const unsigned crs = unsigned(_mm_movemask_epi8(isCr));
        unsigned mask = events & ~(~crs & ((crs << 1) | crBefore) & unsigned(_mm_movemask_epi8(
                                                                          _mm_cmpeq_epi8(chunk, lf))));
        crBefore = crs >> 15;
        while (mask) {
            if (!hit(at + __builtin_ctz(mask)))
                return false;
            mask &= mask - 1;
        }
    }
#endif
    for (; at < size; ++at) {
        const char c = data[at];
        const bool event = c == '\r' || (c == '\n' && (at == 0 || data[at - 1] != '\r'))
                           || (extra != 0 && c == extra);
        if (event && !hit(at))
            return false;
    }
    return true;
}

// The length of the line end that starts at data[at] (a CR or an LF): 2 for CR LF.
inline qsizetype endLength(const char* data, qsizetype at, qsizetype size)
{
    return data[at] == '\r' && at + 1 < size && data[at + 1] == '\n' ? 2 : 1;
}

// The length of the line end that closes line, a line with its end (0 for a last line without).
inline qsizetype closingEndLength(QByteArrayView line)
{
    if (line.endsWith("\r\n"))
        return 2;
    return line.endsWith('\r') || line.endsWith('\n') ? 1 : 0;
}

// Calls line(begin, end) for every line that ends in data[0, size): the line is
// data[begin, end), its end starts at data[end]. Returns where the rest without a line end
// begins (size when the data ends with a line end), or -1 when line returned false. An LF that
// opens data is a line end of its own.
template <typename Line>
qsizetype forEachEndedLine(const char* data, qsizetype size, Line line)
{
    qsizetype begin = 0;
    const bool completed = forEachLineEnd(data, size, [&](qsizetype at) {
        const bool more = line(begin, at);
        begin = at + endLength(data, at, size);
        return more;
    });
    return completed ? begin : -1;
}

// Where the surely whole lines of data[0, size) end: just after the last line end, or 0 when
// none is complete. A CR at the very end stays out, as an LF may follow it (in the next read,
// or in the bytes a full disk did not take). from: no line end lies before it, apart from such
// a CR.
inline qsizetype wholeLinesEnd(const char* data, qsizetype size, qsizetype from = 0)
{
    const qsizetype end = size > 0 && data[size - 1] == '\r' ? size - 1 : size;
    from = qMin(from, end);
    for (qsizetype at = end; at > from; --at) {
        if (data[at - 1] == '\n' || data[at - 1] == '\r')
            return at;
    }
    return 0;
}

// The start of the first line that begins at or after the middle of data[0, size), which
// holds whole lines, so that each half holds whole lines; size when there is none.
inline qsizetype middleLineStart(const char* data, qsizetype size)
{
    for (qsizetype at = size / 2; at < size; ++at) {
        if (data[at] == '\n' || data[at] == '\r')
            return at + endLength(data, at, size);
    }
    return size;
}

// Whether a file of fileSize bytes whose last bytes are tail (all of it, for a file of up to
// tail's size) leaves its last line without a line end: text appended to it would be glued to
// that line. An empty file, or one that is only a byte-order mark, has no line to end.
inline bool endsInsideLine(QByteArrayView tail, qint64 fileSize)
{
    if (fileSize == 0 || tail.isEmpty())
        return false;
    if (fileSize == tail.size() && byteOrderMarkLength(tail) == fileSize)
        return false;
    return tail.back() != '\n' && tail.back() != '\r';
}

// Splits a stream that arrives in pieces into lines, carrying a line (and the LF of a CR LF)
// across the cut between two pieces; the byte-order mark is taken off the first line.
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

    // Hands out the last line when the stream does not end with a line end; a stream holding
    // only a byte-order mark holds no line.
    template <typename Line>
    bool finish(Line line)
    {
        if (m_carry.isEmpty() || (m_first && m_carry == QByteArrayView("\xEF\xBB\xBF")))
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

} // namespace LineEnds
