#include "catalog/Class1.h"

#include "catalog/CatalogLine.h"
#include "catalog/NumericText.h"
#include "platform/core/FileChannel.h"

#include <algorithm>
#include <cstring>

const char* const Class1::kIncorrectFormat = "Incorrect Format";
const char* const Class1::kPreviouslyCreatedIncorrect =
    "Previously created file is of incorrect format";

namespace {

constexpr qint64 kChunkSize = 4 * 1024 * 1024;

// A first field longer than this cannot be an index value, so the first-line check never
// reads more of a file that has no line end (a disk image chosen by mistake, say).
constexpr qsizetype kFirstLineLimit = 1024 * 1024;

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const char* data, qsizetype size)
{
    const auto* s = reinterpret_cast<const uchar*>(data);
    qsizetype i = 0;
    auto continuation = [&](qsizetype at) { return at < size && (s[at] & 0xC0) == 0x80; };
    while (i < size) {
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

// The text of a line as UTF-8: unchanged when it is valid UTF-8, otherwise read as
// Windows-1252 (a catalog written in a Windows ANSI code page).
QByteArrayView decodedLine(QByteArrayView line, QByteArray* scratch)
{
    if (isValidUtf8(line.data(), line.size()))
        return line;
    appendWindows1252AsUtf8(line.data(), line.size(), scratch);
    return QByteArrayView(*scratch);
}

// Splits the channel's bytes into lines ended by CR LF, a lone LF or a lone CR; a last line
// without an end is a line too. A line is handed out as a view into the read buffer, or into
// a carry buffer when it spans reads, and stays valid until the next call.
class LineReader
{
public:
    // Reads in pieces of chunkSize bytes.
    LineReader(FileChannel& channel, qint64 chunkSize) : m_channel(channel), m_chunk(chunkSize)
    {
        m_buffer.resize(qsizetype(m_chunk));
    }

    // False at the end of the file or on a read error (then error() is set).
    bool next(QByteArrayView* line)
    {
        if (m_carryHanded) {
            m_carry.clear();
            m_carryHanded = false;
        }
        for (;;) {
            if (m_pos == m_len) {
                if (m_atEnd)
                    return handCarry(line);
                if (!fill())
                    return false;
                continue;
            }
            if (m_skipLf) {
                m_skipLf = false;
                if (m_buffer[m_pos] == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            const qsizetype end = lineEnd();
            if (end == m_len) {
                m_carry.append(m_buffer.constData() + m_pos, m_len - m_pos);
                m_pos = m_len;
                continue;
            }
            if (m_carry.isEmpty()) {
                *line = QByteArrayView(m_buffer.constData() + m_pos, end - m_pos);
            } else {
                m_carry.append(m_buffer.constData() + m_pos, end - m_pos);
                *line = QByteArrayView(m_carry);
                m_carryHanded = true;
            }
            if (m_buffer[end] == '\r') {
                if (end + 1 < m_len)
                    m_pos = m_buffer[end + 1] == '\n' ? end + 2 : end + 1;
                else {
                    m_pos = end + 1;
                    m_skipLf = true; // its LF may open the next read
                }
            } else {
                m_pos = end + 1;
            }
            return true;
        }
    }

    QString error() const { return m_error; }

private:
    bool handCarry(QByteArrayView* line)
    {
        if (m_carry.isEmpty())
            return false;
        *line = QByteArrayView(m_carry);
        m_carryHanded = true;
        return true;
    }

    bool fill()
    {
        const qint64 got = m_channel.read(m_buffer.data(), m_chunk, &m_error);
        if (got < 0)
            return false;
        m_pos = 0;
        m_len = qsizetype(got);
        m_atEnd = got == 0;
        m_nextCr = m_nextLf = -1;
        return true;
    }

    // The next CR or LF at or after m_pos, or m_len. Both positions are remembered, so a file
    // with no CR at all does not rescan the rest of the buffer on every line.
    qsizetype lineEnd()
    {
        const char* base = m_buffer.constData();
        auto seek = [&](qsizetype& cached, char wanted) {
            if (cached < m_pos) {
                const void* hit = std::memchr(base + m_pos, wanted, size_t(m_len - m_pos));
                cached = hit ? static_cast<const char*>(hit) - base : m_len;
            }
        };
        seek(m_nextLf, '\n');
        if (m_nextCr != m_len)
            seek(m_nextCr, '\r');
        return std::min(m_nextCr, m_nextLf);
    }

    FileChannel& m_channel;
    qint64 m_chunk;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_len = 0;
    qsizetype m_nextCr = -1;
    qsizetype m_nextLf = -1;
    bool m_atEnd = false;
    bool m_skipLf = false;
    QByteArray m_carry;
    bool m_carryHanded = false;
    QString m_error;
};

} // namespace

Class1::Class1(QObject* parent) : Class1(FileChannel::instance(), parent) {}

Class1::Class1(FileChannel& channel, QObject* parent) : QObject(parent), m_channel(&channel) {}

VbBool Class1::Validate(const QString& filename, QString* failure)
{
    if (!m_channel->open(filename, FileChannel::Mode::Input, failure))
        return VbFalse;

    enum class Outcome { Passed, IncorrectFormat, NoFirstLine } outcome;
    {
        FileChannelCloser closer(*m_channel);
        // Read until the first line is complete (or clearly not a catalog line).
        QByteArray head;
        qsizetype end = -1;
        bool readFailed = false;
        while (head.size() < kFirstLineLimit) {
            const qsizetype before = head.size();
            const qint64 piece = std::clamp<qint64>(m_channel->size() + 1, 4096, 256 * 1024);
            head.resize(before + piece);
            const qint64 got = m_channel->read(head.data() + before, piece);
            head.resize(before + std::max<qint64>(got, 0));
            if (got < 0)
                readFailed = true;
            const qsizetype cr = head.indexOf('\r', before);
            const qsizetype lf = head.indexOf('\n', before);
            end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
            if (got <= 0 || end >= 0)
                break;
        }
        const bool complete = end >= 0 || head.size() < kFirstLineLimit;
        const QByteArrayView line = QByteArrayView(head).first(end >= 0 ? end : head.size());
        const qsizetype tab = line.indexOf('\t');

        if (readFailed || (head.isEmpty() && end < 0)) {
            outcome = Outcome::NoFirstLine;
        } else if (tab < 0) {
            outcome = Outcome::IncorrectFormat;
        } else {
            // Decode as the loader will: by the whole line when it was read whole.
            QByteArray scratch;
            QByteArrayView field;
            if (complete) {
                const QByteArrayView whole = decodedLine(line, &scratch);
                field = whole.first(whole.indexOf('\t'));
            } else {
                field = decodedLine(line.first(tab), &scratch);
            }
            outcome = isNumericText(QString::fromUtf8(field)) ? Outcome::Passed
                                                                    : Outcome::IncorrectFormat;
        }
    }
    switch (outcome) {
    case Outcome::Passed:
        return VbTrue;
    case Outcome::IncorrectFormat:
        emit OpenError(QString::fromLatin1(kIncorrectFormat));
        return VbFalse;
    case Outcome::NoFirstLine:
        break;
    }
    emit OpenError(QString::fromLatin1(kPreviouslyCreatedIncorrect));
    return VbFalse;
}

void Class1::Populate(const QString& mvarfilename)
{
    currentfile = mvarfilename;
    QString error;
    if (!m_channel->open(mvarfilename, FileChannel::Mode::Input, &error)) {
        emit OpenError(error);
        return;
    }

    bool failed = false;
    {
        FileChannelCloser closer(*m_channel);
        auto records = std::make_shared<CatalogTable>();
        rsCustomers = records;

        // Field text is at most the file's size unless short lines repeat their text across
        // fields; a catalog line is rarely under 64 bytes.
        const qint64 fileSize = std::max<qint64>(m_channel->size(), 0);
        records->reserve(fileSize / 64 + 16, fileSize);

        // A small file is read in one piece of its own size.
        LineReader reader(*m_channel, std::clamp<qint64>(fileSize + 1, 4096, kChunkSize));
        QByteArray scratch;
        QByteArrayView line;
        while (!failed && reader.next(&line)) {
            const CatalogLine::Split parts = CatalogLine::split(decodedLine(line, &scratch));
            records->addNew();
            for (int f = 0; f < parts.count && !failed; ++f) {
                const QByteArrayView text = parts.fields[size_t(f)];
                failed = !records->setValueUtf8(f, text.data(), text.size(), &error);
            }
            if (!failed && !parts.ok) {
                error = QString::fromLatin1(CatalogLine::kInvalidArgument);
                failed = true;
            }
            if (failed)
                records->cancelUpdate();
            else
                records->update();
        }
        if (!failed && !reader.error().isEmpty()) {
            error = reader.error();
            failed = true;
        }
        records->moveFirst();
    }
    // The channel is free again before anyone hears of the failure.
    if (failed)
        emit OpenError(error);
}

CatalogTablePtr Class1::GetDataMember(const QString& dataMember) const
{
    Q_UNUSED(dataMember);
    return rsCustomers;
}
