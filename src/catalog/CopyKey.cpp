#include "catalog/CopyKey.h"

#include "catalog/CaseBlindText.h"
#include "catalog/CatalogLine.h"
#include "catalog/CatalogTable.h"

#include <QChar>
#include <QHash>

#include <cstring>

namespace CopyKey {

namespace {

// Position of the last '/' or '\' in data[0, size), or -1. Eight bytes at a time: names are
// short, folders long.
qsizetype lastSeparator(const char* data, qsizetype size)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    qsizetype end = size;
    while (end >= 8) {
        quint64 word;
        std::memcpy(&word, data + end - 8, 8);
        const quint64 slash = word ^ (ones * '/');
        const quint64 backslash = word ^ (ones * '\\');
        // A zero byte in either marks a separator (the classic has-zero-byte test).
        const quint64 found = ((slash - ones) & ~slash & highs) | ((backslash - ones) & ~backslash & highs);
        if (found)
            break;
        end -= 8;
    }
    for (qsizetype i = end - 1; i >= 0; --i) {
        if (data[i] == '/' || data[i] == '\\')
            return i;
    }
    return -1;
}

// ASCII letters folded eight bytes at a time (every byte below 0x80, so no carry crosses one).
inline quint64 foldAsciiWord(quint64 word)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    const quint64 atLeastA = word + ones * (0x80 - 'A');
    const quint64 aboveZ = word + ones * (0x80 - 'Z' - 1);
    const quint64 upper = atLeastA & ~aboveZ & (ones * 0x80);
    return word | (upper >> 2);
}

void appendUtf8(char32_t c, QByteArray* out)
{
    if (c < 0x80) {
        out->append(char(c));
    } else if (c < 0x800) {
        out->append(char(0xC0 | (c >> 6)));
        out->append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->append(char(0xE0 | (c >> 12)));
        out->append(char(0x80 | ((c >> 6) & 0x3F)));
        out->append(char(0x80 | (c & 0x3F)));
    } else {
        out->append(char(0xF0 | (c >> 18)));
        out->append(char(0x80 | ((c >> 12) & 0x3F)));
        out->append(char(0x80 | ((c >> 6) & 0x3F)));
        out->append(char(0x80 | (c & 0x3F)));
    }
}

// The next code point of valid UTF-8 at data[*i], advancing *i past it.
char32_t nextCodePoint(const char* data, qsizetype size, qsizetype* i)
{
    const uchar c = uchar(data[*i]);
    int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (*i + length > size)
        length = 1; // cannot happen for the table's text; taken byte by byte if it does
    char32_t code = length == 1 ? c : length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < length; ++k)
        code = (code << 6) | (uchar(data[*i + k]) & 0x3F);
    *i += length;
    return code;
}

// The simple case folding of valid UTF-8, as QString compares without case.
void foldUtf8(QByteArrayView name, QByteArray* out)
{
    out->resize(0);
    const char* data = name.data();
    const qsizetype size = name.size();
    if (CaseBlind::isAscii(data, size)) {
        out->resize(size);
        char* to = out->data();
        qsizetype i = 0;
        for (; i + 8 <= size; i += 8) {
            quint64 word;
            std::memcpy(&word, data + i, 8);
            word = foldAsciiWord(word);
            std::memcpy(to + i, &word, 8);
        }
        for (; i < size; ++i) {
            const char c = data[i];
            to[i] = c >= 'A' && c <= 'Z' ? char(c | 0x20) : c;
        }
        return;
    }
    qsizetype i = 0;
    while (i < size)
        appendUtf8(QChar::toCaseFolded(nextCodePoint(data, size, &i)), out);
}

} // namespace

QByteArray windows1252Bytes(QByteArrayView utf8)
{
    static const QHash<char32_t, char> bytesOf = [] {
        QHash<char32_t, char> map;
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            QByteArray scratch;
            const QByteArrayView text = CatalogLine::toUtf8(QByteArrayView(&byte, 1), false, &scratch);
            qsizetype at = 0;
            map.insert(nextCodePoint(text.data(), text.size(), &at), byte);
        }
        return map;
    }();
    QByteArray bytes;
    bytes.reserve(utf8.size());
    qsizetype i = 0;
    while (i < utf8.size())
        bytes.append(bytesOf.value(nextCodePoint(utf8.data(), utf8.size(), &i), '?'));
    return bytes;
}

QByteArrayView fileNameOf(QByteArrayView fullName)
{
    return fullName.sliced(lastSeparator(fullName.data(), fullName.size()) + 1);
}

QByteArrayView folderOf(QByteArrayView fullName)
{
    const qsizetype at = lastSeparator(fullName.data(), fullName.size());
    return at < 0 ? QByteArrayView() : fullName.first(at);
}

QByteArrayView nameKey(QByteArrayView utf8Name, QByteArray* out)
{
    foldUtf8(utf8Name, out);
    return QByteArrayView(*out);
}

QByteArrayView nameKey(const CatalogTable& table, qint64 record, QByteArray* out)
{
    qsizetype size = 0;
    const char* data = table.fieldData(record, 1, &size);
    const QByteArrayView name = fileNameOf(QByteArrayView(data, size));
    if (!table.readAsWindows1252(record))
        return nameKey(name, out);
    // The line was not UTF-8, but this name on its own may be.
    const QByteArray bytes = windows1252Bytes(name);
    if (CatalogLine::isUtf8(bytes))
        return nameKey(QByteArrayView(bytes), out);
    out->resize(0);
    out->append(char(0xFF));
    out->append(bytes);
    return QByteArrayView(*out);
}

namespace {

constexpr quint64 kMultiplier = 0x9E3779B97F4A7C15ULL;
constexpr quint64 kSeed = 0x243F6A8885A308D3ULL;

inline quint64 mixWord(quint64 h, quint64 word)
{
    h = (h ^ word) * kMultiplier;
    return (h << 31) | (h >> 33);
}

// Hashes bytes eight at a time, each word passed through transform first (the tail word
// zero-filled before it is transformed, which keeps the zeros zero for the folding).
template <typename Transform>
quint64 hashWords(quint64 h, QByteArrayView bytes, Transform transform)
{
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    h = mixWord(h, quint64(size));
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        h = mixWord(h, transform(word));
    }
    if (i < size) {
        quint64 word = 0;
        std::memcpy(&word, data + i, size_t(size - i));
        h = mixWord(h, transform(word));
    }
    return h;
}

quint64 hashBytes(quint64 h, QByteArrayView bytes)
{
    return hashWords(h, bytes, [](quint64 word) { return word; });
}

inline quint64 finish(quint64 h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    return h ^ (h >> 33);
}

} // namespace

quint64 hash(QByteArrayView nameKey, QByteArrayView size)
{
    return finish(hashBytes(hashBytes(kSeed, nameKey), size));
}

quint64 hashOf(const CatalogTable& table, qint64 record, QByteArray* scratch)
{
    qsizetype length = 0;
    const char* data = table.fieldData(record, 2, &length);
    const QByteArrayView size(data, length);
    data = table.fieldData(record, 1, &length);
    const QByteArrayView name = fileNameOf(QByteArrayView(data, length));
    if (table.readAsWindows1252(record) || !CaseBlind::isAscii(name.data(), name.size()))
        return hash(nameKey(table, record, scratch), size);
    return finish(hashBytes(hashWords(kSeed, name, foldAsciiWord), size));
}

qint64 bytesOf(QByteArrayView size)
{
    if (size.isEmpty() || size.size() > 18)
        return 0;
    qint64 value = 0;
    for (const char c : size) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool Comparer::same(qint64 a, qint64 b)
{
    qsizetype sizeA = 0, sizeB = 0;
    const char* textA = m_table.fieldData(a, 2, &sizeA);
    const char* textB = m_table.fieldData(b, 2, &sizeB);
    if (sizeA != sizeB)
        return false;
    for (qsizetype i = 0; i < sizeA; ++i) { // a few digits: no library call
        if (textA[i] != textB[i])
            return false;
    }
    // Most copies are spelled alike: equal bytes are equal keys when both lines were read alike.
    if (m_table.readAsWindows1252(a) == m_table.readAsWindows1252(b)) {
        const char* nameA = m_table.fieldData(a, 1, &sizeA);
        const char* nameB = m_table.fieldData(b, 1, &sizeB);
        const QByteArrayView fileA = fileNameOf(QByteArrayView(nameA, sizeA));
        const QByteArrayView fileB = fileNameOf(QByteArrayView(nameB, sizeB));
        if (fileA == fileB)
            return true;
    }
    return nameKey(m_table, a, &m_a) == nameKey(m_table, b, &m_b);
}

} // namespace CopyKey
