#include "catalog/CatalogRewrite.h"

#include "catalog/CatalogLine.h"
#include "platform/core/FileChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <cstring>

namespace CatalogRewrite {

namespace {

constexpr qint64 kPiece = 4 * 1024 * 1024;

bool fail(QString* error, const QString& description)
{
    if (error)
        *error = description;
    return false;
}

// The index field of a line as the loader reads it, in UTF-8; false for a lone double quote,
// which the loader cannot read.
bool indexField(QByteArrayView line, QByteArray* scratch, QByteArrayView* field)
{
    const qsizetype tab = line.indexOf('\t');
    QByteArrayView text = tab < 0 ? line : line.first(tab);
    if (!text.isEmpty() && text.front() == '"') {
        if (text.size() == 1)
            return false;
        text = text.sliced(1, text.size() - 2);
    }
    for (const char c : text) {
        if (uchar(c) >= 0x80) {
            text = CatalogLine::toUtf8(text, CatalogLine::isUtf8(line), scratch);
            break;
        }
    }
    *field = text;
    return true;
}

bool belongsTo(QByteArrayView line, const QByteArray& index, QByteArray* scratch)
{
    QByteArrayView field;
    return indexField(line, scratch, &field) && field == index;
}

// Hands every line from byte from on to line(QByteArrayView) through the channel.
template <typename Line>
bool readLines(FileChannel& channel, const QString& path, qint64 from, Line line, QString* error)
{
    if (!channel.open(path, FileChannel::Mode::Input, error))
        return false;
    FileChannelCloser closer(channel);
    CatalogLine::LineSplitter splitter;
    QByteArray piece(kPiece, Qt::Uninitialized);
    qint64 skip = from;
    for (;;) {
        const qint64 got = channel.read(piece.data(), piece.size(), error);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const qint64 skipped = std::min(skip, got);
        skip -= skipped;
        splitter.feed(QByteArrayView(piece.constData() + skipped, got - skipped), line);
    }
    splitter.finish(line);
    return true;
}

} // namespace

bool readRecords(FileChannel& channel, const QString& path, const QString& index, qint64 from,
                 std::vector<Record>* records, QString* error)
{
    const QByteArray wanted = index.toUtf8();
    QByteArray scratch;
    return readLines(channel, path, from, [&](QByteArrayView line) {
        if (!wanted.isEmpty() && !belongsTo(line, wanted, &scratch))
            return true;
        const CatalogLine::Split split = CatalogLine::split(line);
        if (!split.ok)
            return true;
        const bool utf8 = CatalogLine::isUtf8(line);
        Record record;
        record.name = CatalogLine::toUtf8(split.fields[1], utf8, &scratch).toByteArray();
        record.size = CatalogLine::toUtf8(split.fields[2], utf8, &scratch).toByteArray();
        records->push_back(std::move(record));
        return true;
    }, error);
}

namespace {
qint64 sizeValue(QByteArrayView text)
{
    bool ok = false;
    const qint64 size = text.toLongLong(&ok);
    return ok && size > 0 ? size : 0;
}
} // namespace

bool tally(FileChannel& channel, const QString& path, qint64 from, qint64* records,
           qint64* bytes, QString* error)
{
    *records = *bytes = 0;
    return readLines(channel, path, from, [&](QByteArrayView line) {
        const CatalogLine::Split split = CatalogLine::split(line);
        if (!line.isEmpty() && split.ok) {
            ++*records;
            *bytes += sizeValue(split.fields[2]);
        }
        return true;
    }, error);
}

qint64 totalBytes(const std::vector<Record>& records)
{
    qint64 total = 0;
    for (const Record& record : records)
        total += sizeValue(record.size);
    return total;
}

namespace {

// One rewrite: the old catalog read piece by piece through the channel, runs of kept lines
// copied as they are, the disk's new lines put in at its first old line.
class Rewriter
{
public:
    Rewriter(AtomicFile& out, const QString& newLines, const QByteArray& index)
        : m_out(out), m_newLines(newLines), m_index(index)
    {
    }

    // Takes data[0, size) (more follows unless last) and returns how many bytes were used up;
    // the rest, a line not yet ended, comes again with the next piece.
    bool take(const char* data, qsizetype size, bool last, qsizetype* used, QString* error)
    {
        // A CR at the end may be the first half of a CR LF: keep it for the next piece.
        const qsizetype usable = !last && size > 0 && data[size - 1] == '\r' ? size - 1 : size;
        qsizetype runStart = 0;
        bool ok = true;
        qsizetype rest = CatalogLine::forEachEndedLine(data, usable, [&](qsizetype begin, qsizetype end) {
            const qsizetype next = end + (data[end] == '\r' && end + 1 < usable && data[end + 1] == '\n' ? 2 : 1);
            if (belongsTo(QByteArrayView(data + begin, end - begin), m_index, &m_scratch)) {
                ok = m_out.write(QByteArrayView(data + runStart, begin - runStart), error)
                     && putNewLinesOnce(error);
                runStart = next;
            }
            m_lastEnded = true;
            return ok;
        });
        if (!ok)
            return false;
        if (last && rest < size) { // the last line has no line end
            const QByteArrayView line(data + rest, size - rest);
            m_lastEnded = false;
            if (belongsTo(line, m_index, &m_scratch)) {
                if (!m_out.write(QByteArrayView(data + runStart, rest - runStart), error)
                    || !putNewLinesOnce(error))
                    return false;
                runStart = rest = size;
                m_lastEnded = true;
            } else {
                rest = size;
            }
        }
        *used = rest;
        return m_out.write(QByteArrayView(data + runStart, rest - runStart), error);
    }

    // A disk with no old lines gets its new lines at the end, on lines of their own.
    bool finish(QString* error)
    {
        if (m_newLinesPut)
            return true;
        if (!m_lastEnded && !m_out.write("\r\n", error))
            return false;
        return putNewLinesOnce(error);
    }

private:
    bool putNewLinesOnce(QString* error)
    {
        if (m_newLinesPut)
            return true;
        m_newLinesPut = true;
        QFile in(m_newLines);
        if (!in.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("Cannot read %1: %2")
                                   .arg(QDir::toNativeSeparators(m_newLines), in.errorString()));
        QByteArray piece(kPiece, Qt::Uninitialized);
        for (;;) {
            const qint64 got = in.read(piece.data(), piece.size());
            if (got < 0)
                return fail(error, QStringLiteral("Cannot read %1: %2")
                                       .arg(QDir::toNativeSeparators(m_newLines), in.errorString()));
            if (got == 0)
                return true;
            if (!m_out.write(QByteArrayView(piece.constData(), got), error))
                return false;
        }
    }

    AtomicFile& m_out;
    QString m_newLines;
    QByteArray m_index;
    QByteArray m_scratch;
    bool m_newLinesPut = false;
    bool m_lastEnded = true; // an empty catalog ends where a line would start
};

} // namespace

bool canReplace(const QString& catalog, qint64 extraBytes, QString* error)
{
    const QString shown = QDir::toNativeSeparators(catalog);
    const QFileInfo info(catalog);
    if (!info.isFile())
        return fail(error, QStringLiteral("%1 is not a catalog file that can be rewritten").arg(shown));
    const QStorageInfo volume(info.absolutePath());
    if (volume.isReadOnly())
        return fail(error, QStringLiteral("%1 is on a read-only disk (%2)").arg(shown, volume.rootPath()));
    if (!info.isWritable())
        return fail(error, QStringLiteral("%1 is read-only").arg(shown));
    const qint64 needed = info.size() + std::max<qint64>(extraBytes, 0);
    if (volume.isValid() && volume.bytesAvailable() < needed)
        return fail(error, QStringLiteral("There is not enough free space beside %1: %2 bytes "
                                          "free, about %3 bytes needed for the new copy")
                               .arg(shown)
                               .arg(volume.bytesAvailable())
                               .arg(needed));
    // A folder can refuse new files even when the catalog itself may be written.
    AtomicFile probe(catalog);
    return probe.open(error);
}

bool replaceDisk(FileChannel& channel, const QString& catalog, const QString& index,
                 const QString& newLines, QString* error, const Options& options)
{
    if (!channel.open(catalog, FileChannel::Mode::Input, error))
        return false;
    FileChannelCloser closer(channel);
    AtomicFile out(catalog);
    out.setFileFactory(options.fileFactory);
    out.setStepHook(options.stepHook);
    if (!out.open(error))
        return false;

    Rewriter rewriter(out, newLines, index.toUtf8());
    QByteArray buffer(kPiece, Qt::Uninitialized);
    qsizetype held = 0; // a line not yet ended, at the buffer's start
    bool first = true;
    for (;;) {
        if (buffer.size() - held < kPiece / 2)
            buffer.resize(held + kPiece); // a line longer than a piece
        const qint64 got = channel.read(buffer.data() + held, buffer.size() - held, error);
        if (got < 0)
            return false;
        qsizetype from = 0;
        if (first && got > 0) {
            // A byte-order mark belongs to the file, not to its first line: it stays first.
            first = false;
            from = CatalogLine::byteOrderMarkLength(QByteArrayView(buffer.constData(), held + got));
            if (from > 0 && !out.write(QByteArrayView(buffer.constData(), from), error))
                return false;
        }
        const qsizetype size = held + got;
        qsizetype used = 0;
        if (!rewriter.take(buffer.constData() + from, size - from, got == 0, &used, error))
            return false;
        held = size - from - used;
        std::memmove(buffer.data(), buffer.constData() + from + used, held);
        if (got == 0)
            break;
    }
    return rewriter.finish(error) && out.commit(error);
}

} // namespace CatalogRewrite
