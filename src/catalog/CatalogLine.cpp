#include "catalog/CatalogLine.h"

#include "platform/core/FolderListing.h"

#include <QDir>

#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const char* data, qsizetype size)
{
    const auto* s = reinterpret_cast<const uchar*>(data);
    qsizetype i = 0;
    auto continuation = [&](qsizetype at) { return at < size && (s[at] & 0xC0) == 0x80; };
    while (i < size) {
#if defined(__SSE2__)
        // Sixteen ASCII bytes at a time: a line of megabytes is checked in a few milliseconds.
        if (i + 16 <= size
            && !_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)))) {
            i += 16;
            continue;
        }
#endif
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, s + i, 8);
            if (!(word & 0x8080808080808080ULL)) {
                i += 8;
                continue;
            }
        }
        const uchar c = s[i];
        if (c < 0x80) {
            ++i;
        } else if (c >= 0xC2 && c <= 0xDF) {
            if (!continuation(i + 1))
                return false;
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (!continuation(i + 1) || !continuation(i + 2))
                return false;
            if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] > 0x9F))
                return false;
            i += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (!continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3))
                return false;
            if ((c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] > 0x8F))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// Windows-1252 as UTF-8. The five bytes the code page leaves undefined map to the C1
// control of the same value, as Windows itself does.
void appendWindows1252AsUtf8(const char* data, qsizetype size, QByteArray* out)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    out->clear();
    out->reserve(size * 3);
    for (qsizetype i = 0; i < size; ++i) {
        const uchar c = uchar(data[i]);
        const char16_t u = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : char16_t(c);
        if (u < 0x80) {
            out->append(char(u));
        } else if (u < 0x800) {
            out->append(char(0xC0 | (u >> 6)));
            out->append(char(0x80 | (u & 0x3F)));
        } else {
            out->append(char(0xE0 | (u >> 12)));
            out->append(char(0x80 | ((u >> 6) & 0x3F)));
            out->append(char(0x80 | (u & 0x3F)));
        }
    }
}

} // namespace

namespace CatalogLine {

const char* const kInvalidArgument = "Invalid procedure call or argument";

QString folderPrefix(const QString& folderPath)
{
    if (folderPath.isEmpty())
        return folderPath;
    const QChar last = folderPath.back();
    if (last == QLatin1Char('/') || last == QDir::separator())
        return folderPath;
    return folderPath + QDir::separator();
}

Writer::Writer(QStringView index, QStringView folderPrefix)
{
    // The catalog is UTF-8, the system's 8-bit codec on Linux.
    FolderListing::appendNative(&m_head, index);
    m_head.append('\t');
    FolderListing::appendNative(&m_head, folderPrefix);
}

const QByteArray& Writer::line(QStringView name, qint64 size)
{
    char number[24];
    const auto digits = std::to_chars(number, number + sizeof number, size);
    m_line.truncate(0);
    m_line.append(m_head);
    FolderListing::appendNative(&m_line, name);
    m_line.append('\t').append(number, digits.ptr - number).append("\r\n", 2);
    return m_line;
}

bool isWritableName(QStringView name)
{
    for (const QChar c : name) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

Split split(QByteArrayView line, bool utf8)
{
    Split result;
    QByteArrayView remaining = line;
    for (int f = 0; f < 3; ++f) {
        const qsizetype tab = remaining.indexOf('\t');
        QByteArrayView text = tab >= 0 ? remaining.first(tab) : remaining;
        if (!text.isEmpty() && text.front() == '"') {
            // Drop the last character, then the first. A lone quote leaves nothing to drop
            // the first character from. The last character may be a multi-byte sequence.
            if (text.size() == 1)
                return result;
            qsizetype lastStart = text.size() - 1;
            while (utf8 && lastStart > 1 && (uchar(text[lastStart]) & 0xC0) == 0x80)
                --lastStart;
            text = text.sliced(1, lastStart - 1);
        }
        result.fields[size_t(f)] = text;
        result.count = f + 1;
        if (tab >= 0)
            remaining = remaining.sliced(tab + 1);
    }
    result.ok = true;
    return result;
}

bool isUtf8(QByteArrayView line)
{
    return isValidUtf8(line.data(), line.size());
}

QByteArrayView toUtf8(QByteArrayView bytes, bool lineIsUtf8, QByteArray* scratch)
{
    if (lineIsUtf8)
        return bytes;
    appendWindows1252AsUtf8(bytes.data(), bytes.size(), scratch);
    return QByteArrayView(*scratch);
}

} // namespace CatalogLine
